// Where an installation of a package into the chosen folder puts everything,
// worked out before anything is written, and the checks made on it before
// the installation starts: the earlier installation, the files in use and
// the space it needs. The checks return data only and show nothing, so that
// the wizard can turn their results into messages and an unattended run into
// its exit code and log lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/gbk_path.h"
#include "package/byte_stream.h"
#include "package/extract_failure.h"
#include "package/install_rules.h"
#include "package/package_info.h"
#include "package/uninstall_data.h"

namespace voz {

struct PlannedFolder {
    std::string relative;  // GBK, relative to the install folder
    os::NativePath path;
};

struct PlannedFile {
    const PackageFile* record;
    std::string relative;  // GBK, relative to the install folder
    os::NativePath path;
};

struct InstallPlan {
    gbk::Path installDir;
    os::NativePath installDirPath;
    // Every folder the package names with the folders above it inside the
    // install folder, each once, a folder after the one above it.
    std::vector<PlannedFolder> folders;
    std::vector<PlannedFile> files;  // every packaged file, in package order
    std::string uninstallerName;
    os::NativePath uninstaller;
    // Names refused by the install rules, paths too long and names that are
    // not GBK: an installation with any writes nothing.
    std::vector<ExtractFailure> refused;
};

InstallPlan PlanInstallation(const CPackageInfo& package, const gbk::Path& installDir);

// The full native path of `relative` in the install folder once `name` (all
// of it, or for a file its last part) has passed the rule of its kind;
// nothing, with the refusal added to `refused`, otherwise.
std::optional<os::NativePath> ResolveInstallPath(const gbk::Path& installDir, NameKind kind, std::string_view name,
                                                 std::string_view relative, FailureItem item,
                                                 std::vector<ExtractFailure>& refused);

// The folder of an earlier installation of the package: `listedLocation`,
// the install folder its app-list entry names, as long as that folder still
// holds our uninstaller with its data. Like any folder the user types, it is
// checked when the installation starts.
std::optional<gbk::Path> EarlierInstallFolder(const CPackageInfo& package, std::string_view listedLocation);

// The data appended to the uninstaller at `path`; kNoData when there is none.
UninstallData ReadInstalledUninstaller(const os::NativePath& path);

// The files of the plan that exist in the install folder and that another
// program holds (the uninstaller included), relative to the install folder.
std::vector<std::string> FilesInUse(const InstallPlan& plan);

struct SpaceCheck {
    bool known = false;      // false when the free space of the target drive cannot be learnt
    uint64_t needed = 0;     // bytes the installation takes on the disk
    uint64_t available = 0;  // bytes free on the drive, for this user

    bool enough() const { return !known || needed <= available; }
};

// The space the installation takes (every file and the uninstaller at their
// decoded sizes, read from the block headers in the setup file `setup`, each
// rounded up to the drive's cluster) against the free space of the drive of
// the install folder's nearest existing folder. An upgrade writes its files
// beside the ones they replace, so the earlier files count for nothing.
SpaceCheck CheckSpace(const InstallPlan& plan, const CPackageInfo& package, InputStream& setup);

}  // namespace voz
