// The installation: writes every packaged file into the install folder with
// its recorded times, makes the program group and the shortcuts, carries out
// the style copies of the chosen install style, removes the listed folders and
// writes the uninstaller followed by the data it needs to undo the shortcuts.
//
// Nothing is ever written, copied or deleted outside the install folder
// (links go to the desktop and the program group only): a name that would
// leave it, or a path that does not fit its 256-byte buffer, is refused and
// counted as a failure. Failures do not stop the installation and nothing is
// rolled back; they are collected and returned.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "package/byte_stream.h"
#include "package/extract_failure.h"
#include "package/package_info.h"
#include "package/shortcuts.h"

namespace voz {

struct ExtractOptions {
    // The shell that makes the program group and the shortcuts. Without one
    // neither is made and their paths in the uninstall data stay empty.
    ShellServices* shell = nullptr;
    // Called after each file with the share of stored bytes done so far, 0 to
    // 100. Never called when no file has stored bytes.
    std::function<void(int percent)> progress;
    // Called with the GBK path, relative to the install folder, of each
    // packaged file written whole.
    std::function<void(std::string_view relative)> fileWritten;
};

// Installs `package` into package.m_szInstallDir for the style
// package.m_szStyle, reading the files' blocks from `input`, the setup file
// the package was loaded from. The package record is only read.
std::vector<ExtractFailure> ExtractPackage(const CPackageInfo& package, InputStream& input,
                                           const ExtractOptions& options = {});

// How many files the package's folder records hold, within the record's capacities.
int PackagedFileCount(const CPackageInfo& package);

// Creates the folder `path` (GBK) and every folder above it that is missing,
// splitting only at real backslash or slash characters. True when the folder
// exists afterwards.
bool CreateDirectoryPath(std::string_view path);

// Writes text in the package's string encoding: u32 byte length, then the bytes.
bool WritePackageString(std::string_view text, OutputStream& out);

// The uninstall data that follows the uninstaller's own bytes: title, version,
// the package's shortcut count, one link path per shortcut record, the
// program group's path.
bool WriteUninstallData(const CPackageInfo& package, const ShortcutPaths& paths, OutputStream& out);

}  // namespace voz
