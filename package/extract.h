// The installation. It writes every packaged file into the install folder
// with its recorded times, and the uninstaller followed by the data it needs
// to undo the shortcuts and the log of every folder and file the
// installation owns; then it commits those files; then it makes the program
// group and the shortcuts, carries out the style copies of the chosen install
// style, removes the listed folders and the files of an earlier version that
// this one no longer holds, and registers the app.
//
// The files are installed whole or not at all. A name the installation
// refuses, or a file or folder it cannot write, stops it before the commit:
// everything it wrote goes again and whatever was in the folder stays as it
// was, an earlier installation with its uninstaller and its app-list entry
// included (install_writes.h). Failures of the steps after the commit do not
// stop it; they are collected and reported with the installation.
//
// Nothing is ever written, copied or deleted outside the install folder
// (links go to the desktop and the program group only): a name that would
// leave it, or a path that does not fit its 256-byte buffer, is refused.
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

// One step of an installation as it happens, for a log of the run.
struct InstallEvent {
    enum class Kind {
        kFolderMade,   // path: the folder, relative to the install folder ("" the install folder itself)
        kFileWritten,  // path: a packaged file or the uninstaller, written whole (not yet committed)
        kFailed,       // failure: what failed
    };
    Kind kind;
    std::string_view path;
    const ExtractFailure* failure = nullptr;
};

struct ExtractOptions {
    // The shell that makes the program group and the shortcuts. Without one
    // neither is made and their paths in the uninstall data stay empty.
    ShellServices* shell = nullptr;
    // Called after a file with the share of stored bytes done so far, 0 to
    // 100, when that share differs from the one last reported: at most once per
    // percent. Never called when no file has stored bytes.
    std::function<void(int percent)> progress;
    // Called for each folder made, each file written and each failure.
    std::function<void(const InstallEvent&)> observe;
    // Registers the installation in the system's list of installed apps; true
    // when it did, otherwise the system's reason in `failure`. Without it no
    // entry is made.
    std::function<bool(const os::AppListEntry&, std::string& failure)> registerApp;
    // Files, relative to the install folder, that the setup writes after the
    // installation (its settings files): logged so that the uninstaller
    // removes them with the rest, their content not recorded.
    std::vector<std::string> laterFiles;
};

struct InstallReport {
    // Every packaged file and the uninstaller are in place. When false,
    // nothing of this installation is left and the folder is as it was.
    bool installed = false;
    // The folder held an installation (our uninstaller) before.
    bool earlierFound = false;
    // When installed, what the steps after the commit could not do; when
    // not, what stopped the installation.
    std::vector<ExtractFailure> failures;
    // Files an earlier version installed that this one no longer holds and
    // that were changed since: they stay and are no longer owned.
    std::vector<std::string> keptChanged;
};

// Installs `package` into the chosen folder for the chosen style, reading the
// files' blocks from `input`, the setup file the package was loaded from. The
// package record is only read.
InstallReport ExtractPackage(const CPackageInfo& package, InputStream& input, const InstallChoice& choice,
                             const ExtractOptions& options = {});

// How many files the package's folder records hold, within the record's capacities.
int PackagedFileCount(const CPackageInfo& package);

// The key of the package's entry in the list of installed apps: its title,
// or "Voz" for a title that cannot name a key.
std::string AppListKey(const CPackageInfo& package);

// The app-list entry of an installation: named after the title, pointing at
// the install folder, its main program and its uninstaller.
os::AppListEntry MakeAppListEntry(const CPackageInfo& package, const gbk::Path& installDir, uint64_t installedBytes);

}  // namespace voz
