#include "package/install_plan.h"

#include <set>

#include "os/file.h"
#include "os/filesystem.h"
#include "os/gbk.h"
#include "package/block_decoder.h"
#include "package/install_paths.h"
#include "package/install_rules.h"

namespace voz {

namespace {

class Planner {
public:
    Planner(const CPackageInfo& package, const gbk::Path& installDir) : m_package(package) {
        m_plan.installDir = installDir;
    }

    InstallPlan Run() {
        if (std::optional<os::NativePath> native = m_plan.installDir.ToNative()) {
            m_plan.installDirPath = std::move(*native);
        } else {
            m_plan.refused.push_back({m_plan.installDir.text(), FailureKind::kUnsafeName,
                                      DescribeNameCheck(NameCheck::kNotGbk), FailureItem::kInstallFolder,
                                      NameCheck::kNotGbk});
        }
        for (const PackageDir& dir : m_package.m_dirs) {
            PlanFolder(dir);
        }
        m_plan.uninstallerName = FieldText(m_package.m_szUninstaller);
        const std::string& uninstaller = m_plan.uninstallerName;
        if (std::optional<os::NativePath> path =
                Resolve(NameKind::kFile, uninstaller, uninstaller, FailureItem::kUninstaller)) {
            m_plan.uninstaller = std::move(*path);
        }
        return std::move(m_plan);
    }

private:
    std::optional<os::NativePath> Resolve(NameKind kind, std::string_view name, std::string_view relative,
                                          FailureItem item) {
        return ResolveInstallPath(m_plan.installDir, kind, name, relative, item, m_plan.refused);
    }

    void PlanFolder(const PackageDir& dir) {
        const std::string name(FieldText(dir.szName));
        const size_t refusedBefore = m_plan.refused.size();
        if (!AddFolderLevels(name)) {
            const ExtractFailure why = m_plan.refused[refusedBefore];
            for (const PackageFile& file : dir.files) {
                m_plan.refused.push_back({JoinRelative(name, FieldText(file.szName)), why.kind, "its folder is refused",
                                          FailureItem::kFile, why.name});
            }
            return;
        }
        for (const PackageFile& file : dir.files) {
            std::string relative = JoinRelative(name, FieldText(file.szName));
            if (std::optional<os::NativePath> path =
                    Resolve(NameKind::kFile, FieldText(file.szName), relative, FailureItem::kFile)) {
                m_plan.files.push_back({&file, std::move(relative), std::move(*path)});
            }
        }
    }

    // The folder and the folders above it, outermost first, each once; false
    // when one of them is refused.
    bool AddFolderLevels(std::string_view relative) {
        std::vector<std::string_view> levels;
        for (std::string_view level = relative; !level.empty() && !m_folderKeys.contains(PathKey(level));) {
            levels.push_back(level);
            m_folderKeys.insert(PathKey(level));
            const size_t separator = gbk::LastSeparator(level);
            level = separator == std::string_view::npos ? std::string_view() : level.substr(0, separator);
        }
        for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
            const std::string name(*level);
            std::optional<os::NativePath> path = Resolve(NameKind::kFolder, name, name, FailureItem::kFolder);
            if (!path) {
                return false;
            }
            m_plan.folders.push_back({name, std::move(*path)});
        }
        return true;
    }

    const CPackageInfo& m_package;
    InstallPlan m_plan;
    std::set<std::string> m_folderKeys;
};

// The decoded size of a stored item, from its block headers.
uint64_t DecodedSize(InputStream& setup, int32_t position, int32_t size) {
    if (position < 0 || size <= 0 || !setup.Seek(static_cast<uint64_t>(position))) {
        return 0;
    }
    return MeasureSequence(setup, static_cast<uint32_t>(size)).produced;
}

// The bytes a file takes on the disk: its size rounded up to whole clusters.
// Clusters are powers of two on the file systems Windows uses; were one not,
// the next power of two counts more, never less.
uint64_t OnDisk(uint64_t bytes, uint32_t cluster) {
    uint64_t unit = 1;
    while (unit < cluster) {
        unit <<= 1;
    }
    return (bytes + unit - 1) & ~(unit - 1);
}

// The install folder or, when it does not exist yet, the nearest folder above it that does.
std::optional<os::NativePath> NearestExistingFolder(const std::string& folder) {
    for (std::string_view path = folder;;) {
        os::NativePath native;
        if (ToNativePath(path, native) && os::IsFolder(native)) {
            return native;
        }
        const size_t separator = gbk::LastSeparator(path);
        if (separator == std::string_view::npos || separator + 1 == path.size()) {
            return std::nullopt;
        }
        // A drive's root keeps its backslash: "C:" alone names a current folder.
        path = path.substr(0, separator > 0 && path[separator - 1] == ':' ? separator + 1 : separator);
    }
}

}  // namespace

InstallPlan PlanInstallation(const CPackageInfo& package, const gbk::Path& installDir) {
    return Planner(package, installDir).Run();
}

UninstallData ReadInstalledUninstaller(const os::NativePath& path) {
    os::InputFile file;
    return file.Open(path, os::kRecordBuffer) ? ReadUninstallData(file) : UninstallData{};
}

std::optional<os::NativePath> ResolveInstallPath(const gbk::Path& installDir, NameKind kind, std::string_view name,
                                                 std::string_view relative, FailureItem item,
                                                 std::vector<ExtractFailure>& refused) {
    auto refuse = [&](std::string_view path, FailureKind failure, std::string detail, NameCheck check) {
        refused.push_back({std::string(path), failure, std::move(detail), item, check});
        return std::nullopt;
    };
    if (NameCheck check = CheckName(kind, name); check != NameCheck::kSafe) {
        return refuse(relative, FailureKind::kUnsafeName, DescribeNameCheck(check), check);
    }
    std::optional<gbk::Path> path = installDir.Join(relative);
    if (!path) {
        return refuse(relative, FailureKind::kPathTooLong, PathTooLongText(), NameCheck::kSafe);
    }
    std::optional<os::NativePath> native = path->ToNative();
    if (!native) {
        return refuse(path->text(), FailureKind::kUnsafeName, DescribeNameCheck(NameCheck::kNotGbk),
                      NameCheck::kNotGbk);
    }
    return native;
}

std::optional<gbk::Path> EarlierInstallFolder(const CPackageInfo& package, std::string_view listedLocation) {
    std::optional<gbk::Path> folder = gbk::Path::From(listedLocation);
    std::optional<os::NativePath> native =
        folder ? folder->NativeJoin(FieldText(package.m_szUninstaller)) : std::nullopt;
    if (!native) {
        return std::nullopt;
    }
    const UninstallDataState state = ReadInstalledUninstaller(*native).state;
    return state == UninstallDataState::kSound || state == UninstallDataState::kNoLog ? folder : std::nullopt;
}

std::vector<std::string> FilesInUse(const InstallPlan& plan) {
    std::vector<std::string> inUse;
    if (!os::IsFolder(plan.installDirPath)) {
        return inUse;  // a first installation: nothing there to be in use
    }
    for (const PlannedFile& file : plan.files) {
        if (os::IsFileInUse(file.path)) {
            inUse.push_back(file.relative);
        }
    }
    if (!plan.uninstaller.empty() && os::IsFileInUse(plan.uninstaller)) {
        inUse.push_back(plan.uninstallerName);
    }
    return inUse;
}

SpaceCheck CheckSpace(const InstallPlan& plan, const CPackageInfo& package, InputStream& setup) {
    SpaceCheck check;
    os::DiskSpace space;
    std::optional<os::NativePath> folder = NearestExistingFolder(plan.installDir.text());
    if (!folder || !os::GetDiskSpace(*folder, space)) {
        return check;
    }
    check.known = true;
    check.available = space.freeBytes;
    // The uninstaller's data: a table of a few paths, and a log of every
    // path with its content, for which the paths with a margin stand in.
    uint64_t uninstaller = DecodedSize(setup, package.m_nUninstallerPos, package.m_nUninstallerSize) + 4096;
    for (const PlannedFile& file : plan.files) {
        check.needed += OnDisk(DecodedSize(setup, file.record->nDataPos, file.record->nDataSize), space.clusterBytes);
        uninstaller += file.relative.size() + 20;
    }
    check.needed += OnDisk(uninstaller, space.clusterBytes);
    return check;
}

}  // namespace voz
