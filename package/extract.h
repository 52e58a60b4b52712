// The installation: writes every packaged file into the install folder with
// its recorded times, makes the program group and the shortcuts, carries out
// the style copies of the chosen install style, removes the listed folders and
// writes the uninstaller followed by the data it needs to undo the shortcuts
// and the log of every folder it created and every file it wrote.
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

#include "os/app_list.h"
#include "package/byte_stream.h"
#include "package/extract_failure.h"
#include "package/install_choice.h"
#include "package/package_info.h"
#include "package/shortcuts.h"
#include "package/wire.h"

namespace voz {

struct ExtractOptions {
    // The shell that makes the program group and the shortcuts. Without one
    // neither is made and their paths in the uninstall data stay empty.
    ShellServices* shell = nullptr;
    // Called after a file with the share of stored bytes done so far, 0 to
    // 100, when that share differs from the one last reported: at most once per
    // percent. Never called when no file has stored bytes.
    std::function<void(int percent)> progress;
    // Called with the GBK path, relative to the install folder, of each
    // packaged file written whole.
    std::function<void(std::string_view relative)> fileWritten;
    // Registers the installation in the system's list of installed apps; true
    // when it did, otherwise the system's reason in `failure`. Without it no
    // entry is made.
    std::function<bool(const os::AppListEntry&, std::string& failure)> registerApp;
    // Files, relative to the install folder, that the setup writes after the
    // installation (its settings files): logged so that the uninstaller
    // removes them with the rest.
    std::vector<std::string> laterFiles;
};

// Installs `package` into the chosen folder for the chosen style, reading the
// files' blocks from `input`, the setup file the package was loaded from. The
// package record is only read.
std::vector<ExtractFailure> ExtractPackage(const CPackageInfo& package, InputStream& input,
                                           const InstallChoice& choice, const ExtractOptions& options = {});

// How many files the package's folder records hold, within the record's capacities.
int PackagedFileCount(const CPackageInfo& package);

// The app-list entry of an installation: named after the title, pointing at
// the install folder, its main program and its uninstaller.
os::AppListEntry MakeAppListEntry(const CPackageInfo& package, const gbk::Path& installDir, uint64_t installedBytes);

}  // namespace voz
