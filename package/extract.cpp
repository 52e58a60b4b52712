#include "package/extract.h"

#include <algorithm>
#include <optional>
#include <set>
#include <unordered_set>

#include "os/file.h"
#include "os/filesystem.h"
#include "os/gbk.h"
#include "package/block_decoder.h"
#include "package/directory_removal.h"
#include "package/install_paths.h"
#include "package/install_rules.h"
#include "package/uninstall_data.h"

namespace voz {

namespace {

uint64_t StoredSize(const PackageFile& file) { return file.nDataSize > 0 ? static_cast<uint64_t>(file.nDataSize) : 0; }

class Installer {
public:
    Installer(const CPackageInfo& package, InputStream& input, const InstallChoice& choice,
              const ExtractOptions& options)
        : package_(package), input_(input), choice_(choice), options_(options), installDir_(choice.folder) {}

    std::vector<ExtractFailure> Run() {
        // The install folder is made first, even for a package without folder
        // records, so that the uninstaller and the settings files have a place.
        if (installDir_.empty()) {
            Fail("", FailureKind::kNoInstallFolder, "no install folder was given", FailureItem::kInstallFolder);
            return std::move(failures_);
        }
        const bool installDirExisted = IsFolder(installDir_);
        if (!CreateDirectoryPath(installDir_.text())) {
            Fail(installDir_.text(), FailureKind::kNoInstallFolder, os::LastErrorText(), FailureItem::kInstallFolder);
            return std::move(failures_);
        }
        if (!installDirExisted) {
            log_.folders.emplace_back();  // the install folder itself
        }
        for (const PackageDir& dir : package_.m_dirs) {
            for (const PackageFile& file : dir.files) {
                total_ += StoredSize(file);
            }
        }
        for (const PackageDir& dir : package_.m_dirs) {
            ExtractFolder(dir);
        }
        ShortcutPaths links;
        if (options_.shell != nullptr) {
            links = MakeShortcuts(package_, installDir_, *options_.shell, failures_);
        } else {
            links.links.resize(package_.m_shortcuts.size());  // no shell: no links
        }
        CopyStyleFiles();
        RemoveFolders();
        for (const std::string& file : options_.laterFiles) {
            LogFile(file);
        }
        RegisterApp();
        WriteUninstaller(links);
        return std::move(failures_);
    }

private:
    static bool IsFolder(const gbk::Path& path) {
        std::optional<os::NativePath> native = path.ToNative();
        return native && os::IsFolder(*native);
    }

    void LogFile(const std::string& relative) {
        if (loggedFiles_.insert(relative).second) {
            log_.files.push_back(relative);
        }
    }

    // Creates a folder inside the install folder with the folders above it,
    // logging each one that did not exist before, outermost first. Each
    // folder is looked at once: the folders above it are shared by many.
    bool CreateLoggedFolder(std::string_view relative) {
        std::vector<std::string_view> levels;
        for (std::string_view level = relative; !level.empty() && !madeFolders_.contains(level);) {
            levels.push_back(level);
            size_t separator = gbk::LastSeparator(level);
            level = separator == std::string_view::npos ? std::string_view() : level.substr(0, separator);
        }
        for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
            std::optional<gbk::Path> path = installDir_.Join(*level);
            std::optional<os::NativePath> native = path ? path->ToNative() : std::nullopt;
            if (!native) {
                return false;
            }
            if (!os::IsFolder(*native)) {
                if (!os::CreateFolder(*native)) {
                    return false;
                }
                log_.folders.emplace_back(*level);
            }
            madeFolders_.emplace(*level);
        }
        return true;
    }

    // Files and folders inside a removed folder are gone: the log forgets them.
    void ForgetRemoved(std::string_view removed) {
        auto gone = [&](const std::string& path) {
            return path == removed ||
                   (path.size() > removed.size() && path.compare(0, removed.size(), removed) == 0 &&
                    gbk::LastSeparator(std::string_view(path).substr(0, removed.size() + 1)) == removed.size());
        };
        std::erase_if(log_.files, gone);
        std::erase_if(loggedFiles_, gone);
        std::erase_if(log_.folders, gone);
    }

    void RegisterApp() {
        if (!options_.registerApp) {
            return;
        }
        os::AppListEntry entry = MakeAppListEntry(package_, installDir_, written_);
        if (std::string failure; options_.registerApp(entry, failure)) {
            log_.appListKey = entry.key;
        } else {
            Fail(entry.key, FailureKind::kAppListNotWritten, std::move(failure), FailureItem::kAppListEntry);
        }
    }

    void Fail(std::string_view path, FailureKind kind, std::string detail, FailureItem item,
              NameCheck name = NameCheck::kSafe) {
        failures_.push_back({std::string(path), kind, std::move(detail), item, name});
    }

    // The full path of `relative`, below the install folder, once `name` has
    // passed the rule of its kind (name is the whole of relative, or for a
    // file its last part); nothing, with the failure recorded, when the name
    // is refused or the path too long.
    std::optional<gbk::Path> InstallPath(NameKind kind, std::string_view name, std::string_view relative,
                                         FailureItem item) {
        if (NameCheck check = CheckName(kind, name); check != NameCheck::kSafe) {
            Fail(relative, FailureKind::kUnsafeName, DescribeNameCheck(check), item, check);
            return std::nullopt;
        }
        std::optional<gbk::Path> path = installDir_.Join(relative);
        if (!path) {
            Fail(relative, FailureKind::kPathTooLong, PathTooLongText(), item);
        }
        return path;
    }

    std::optional<os::NativePath> NativeInstallPath(NameKind kind, std::string_view name, std::string_view relative,
                                                    FailureItem item) {
        std::optional<gbk::Path> path = InstallPath(kind, name, relative, item);
        if (!path) {
            return std::nullopt;
        }
        std::optional<os::NativePath> native = path->ToNative();
        if (!native) {
            Fail(path->text(), FailureKind::kUnsafeName, DescribeNameCheck(NameCheck::kNotGbk), item, NameCheck::kNotGbk);
            return std::nullopt;
        }
        return native;
    }

    void Advance(const PackageFile& file) {
        done_ += StoredSize(file);
        if (options_.progress && total_ > 0) {
            // At most 2^50 stored bytes fit the tables, so done_ * 100 cannot overflow.
            const int percent = static_cast<int>(done_ * 100 / total_);
            // Once per percent: the call may wait until the bar is redrawn.
            if (percent != shownPercent_) {
                shownPercent_ = percent;
                options_.progress(percent);
            }
        }
    }

    void ExtractFolder(const PackageDir& dir) {
        std::string_view name = FieldText(dir.szName);
        std::optional<gbk::Path> dirPath = InstallPath(NameKind::kFolder, name, name, FailureItem::kFolder);
        if (!dirPath) {
            const ExtractFailure why = failures_.back();  // what InstallPath found wrong with the folder
            for (const PackageFile& file : dir.files) {
                Fail(RelativeFilePath(name, file), why.kind, "its folder is refused", FailureItem::kFile, why.name);
                Advance(file);
            }
            return;
        }
        if (!CreateLoggedFolder(name)) {
            Fail(name, FailureKind::kFolderNotCreated, os::LastErrorText(), FailureItem::kFolder);
        }
        for (const PackageFile& file : dir.files) {
            ExtractFile(name, file);
            Advance(file);
        }
    }

    static std::string RelativeFilePath(std::string_view dirName, const PackageFile& file) {
        std::string path(dirName);
        if (!path.empty()) {
            path += '\\';
        }
        return path += FieldText(file.szName);
    }

    void ExtractFile(std::string_view dirName, const PackageFile& file) {
        std::string relative = RelativeFilePath(dirName, file);
        std::optional<os::NativePath> path = NativeInstallPath(NameKind::kFile, FieldText(file.szName), relative,
                                                               FailureItem::kFile);
        if (!path) {
            return;
        }
        os::OutputFile out;
        if (!out.Create(*path)) {
            Fail(relative, FailureKind::kFileNotCreated, os::LastErrorText(), FailureItem::kFile);
            return;
        }
        LogFile(relative);
        if (file.nDataSize < 0 || file.nDataPos < 0) {
            Fail(relative, FailureKind::kDamagedData, "the file's data position or length is negative",
                 FailureItem::kFile);
        } else if (!Decode(out, file.nDataPos, file.nDataSize, relative, FailureItem::kFile)) {
            return;
        }
        // On the still open file, once its bytes are written: no second opening.
        const bool timesSet = out.SetTimes(file.stCreation, file.stLastAccess, file.stLastWrite);
        const std::string timesProblem = timesSet ? std::string() : os::LastErrorText();
        if (!out.Close()) {
            Fail(relative, FailureKind::kWriteFailed, os::LastErrorText(), FailureItem::kFile);
            return;
        }
        if (options_.fileWritten) {
            options_.fileWritten(relative);
        }
        if (!timesSet) {
            Fail(relative, FailureKind::kTimesNotSet, timesProblem, FailureItem::kFile);
        }
    }

    // Decodes `size` stored bytes at `position` of the setup file into out.
    bool Decode(OutputStream& out, int32_t position, int32_t size, const std::string& what, FailureItem item) {
        if (size == 0) {
            return true;
        }
        auto at = static_cast<uint64_t>(position);
        if (input_.Tell() != at && !input_.Seek(at)) {
            Fail(what, FailureKind::kDamagedData, "the data lies beyond the end of the setup file", item);
            return false;
        }
        DecodeResult result = decoder_.DecodeToStream(input_, &out, static_cast<uint32_t>(size));
        written_ += result.produced;
        if (result.error == DecodeError::kWriteFailed) {
            Fail(what, FailureKind::kWriteFailed, os::LastErrorText(), item);
            return false;
        }
        if (!result.ok()) {
            Fail(what, FailureKind::kDamagedData, DescribeDecodeError(result.error), item);
            return false;
        }
        return true;
    }

    void CopyStyleFiles() {
        const std::string& style = choice_.style;
        for (const PackageCopy& copy : package_.m_copies) {
            if (FieldText(copy.szStyle) != style) {
                continue;
            }
            std::string_view sourceName = FieldText(copy.szSource);
            std::string_view destName = FieldText(copy.szDest);
            std::optional<os::NativePath> source =
                NativeInstallPath(NameKind::kCopySource, sourceName, sourceName, FailureItem::kStyleCopy);
            std::optional<os::NativePath> dest =
                NativeInstallPath(NameKind::kCopyDest, destName, destName, FailureItem::kStyleCopy);
            if (!source || !dest) {
                continue;
            }
            if (os::CopyFileReplacing(*source, *dest)) {
                LogFile(std::string(destName));
            } else {
                Fail(destName, FailureKind::kCopyFailed, os::LastErrorText(), FailureItem::kStyleCopy);
            }
        }
    }

    void RemoveFolders() {
        for (const PackageRemove& remove : package_.m_removes) {
            std::string_view entry = FieldText(remove.szPath);
            if (entry.empty()) {
                continue;  // it would name the install folder itself
            }
            if (std::optional<gbk::Path> path = InstallPath(NameKind::kRemove, entry, entry, FailureItem::kRemoval)) {
                RemoveDirectoryTree(path->text(), failures_);
                ForgetRemoved(entry);
            }
        }
    }

    void WriteUninstaller(const ShortcutPaths& links) {
        std::string_view name = FieldText(package_.m_szUninstaller);
        std::optional<os::NativePath> path = NativeInstallPath(NameKind::kFile, name, name, FailureItem::kUninstaller);
        if (!path) {
            return;
        }
        os::OutputFile out;
        if (!out.Create(*path)) {
            Fail(name, FailureKind::kFileNotCreated, os::LastErrorText(), FailureItem::kUninstaller);
            return;
        }
        // The uninstaller finds its data right after its own bytes, so a
        // damaged uninstaller gets no data rather than data at the wrong place.
        if (package_.m_nUninstallerSize < 0 || package_.m_nUninstallerPos < 0) {
            Fail(name, FailureKind::kDamagedData, "the uninstaller's position or length is negative",
                 FailureItem::kUninstaller);
            return;
        }
        if (!Decode(out, package_.m_nUninstallerPos, package_.m_nUninstallerSize, std::string(name),
                    FailureItem::kUninstaller)) {
            return;
        }
        if (!WriteUninstallData(package_, links, out) || !WriteInstallLog(log_, out) || !out.Close()) {
            Fail(name, FailureKind::kWriteFailed, os::LastErrorText(), FailureItem::kUninstaller);
        }
    }

    const CPackageInfo& package_;
    InputStream& input_;
    const InstallChoice& choice_;
    const ExtractOptions& options_;
    const gbk::Path& installDir_;
    CBlockDecoder decoder_;
    uint64_t total_ = 0;
    uint64_t done_ = 0;
    int shownPercent_ = -1;
    uint64_t written_ = 0;  // decoded bytes of every file
    InstallLog log_;
    std::unordered_set<std::string> loggedFiles_;  // log_.files, to look names up
    std::set<std::string, std::less<>> madeFolders_;  // relative to the install folder, made or found
    std::vector<ExtractFailure> failures_;
};

}  // namespace

const char* DescribeFailureKind(FailureKind kind) {
    switch (kind) {
    case FailureKind::kUnsafeName: return "refused name";
    case FailureKind::kPathTooLong: return "path too long";
    case FailureKind::kNoInstallFolder: return "no install folder";
    case FailureKind::kFolderNotCreated: return "folder not created";
    case FailureKind::kFileNotCreated: return "file not created";
    case FailureKind::kDamagedData: return "damaged data";
    case FailureKind::kWriteFailed: return "write failed";
    case FailureKind::kTimesNotSet: return "file times not set";
    case FailureKind::kSpecialFolderUnknown: return "special folder unknown";
    case FailureKind::kShortcutNotMade: return "shortcut not made";
    case FailureKind::kCopyFailed: return "style copy failed";
    case FailureKind::kDeleteFailed: return "not deleted";
    case FailureKind::kRemoveFailed: return "folder not removed";
    case FailureKind::kReadFailed: return "not read";
    case FailureKind::kAppListNotWritten: return "not added to the list of installed apps";
    }
    return "failed";
}

std::vector<ExtractFailure> ExtractPackage(const CPackageInfo& package, InputStream& input,
                                           const InstallChoice& choice, const ExtractOptions& options) {
    return Installer(package, input, choice, options).Run();
}

int PackagedFileCount(const CPackageInfo& package) {
    size_t files = 0;
    for (const PackageDir& dir : package.m_dirs) {
        files += dir.files.size();
    }
    return static_cast<int>(files);
}

os::AppListEntry MakeAppListEntry(const CPackageInfo& package, const gbk::Path& installDir, uint64_t installedBytes) {
    std::string title(FieldText(package.m_szTitle));
    os::AppListEntry entry;
    // A key name cannot hold a backslash: it would name a key further down.
    entry.key = title.empty() || gbk::LastSeparator(title) != std::string::npos ? std::string("Voz") : title;
    entry.displayName = title.empty() ? entry.key : title;
    entry.displayVersion = FieldText(package.m_szVersion);
    entry.publisher = FieldText(package.m_szCompany);
    entry.installLocation = installDir.text();
    // Not limited to a path's length: these are registry values, and the
    // installation has already refused names that do not fit.
    auto inInstallDir = [&](std::string_view name) { return installDir.text() + '\\' + std::string(name); };
    const std::string uninstaller = inInstallDir(FieldText(package.m_szUninstaller));
    entry.displayIcon = FieldText(package.m_szMainExe).empty() ? uninstaller : inInstallDir(FieldText(package.m_szMainExe));
    entry.uninstallString = '"' + uninstaller + '"';
    entry.estimatedSizeKb = static_cast<uint32_t>(std::min<uint64_t>((installedBytes + 1023) / 1024, UINT32_MAX));
    return entry;
}

bool WriteUninstallData(const CPackageInfo& package, const ShortcutPaths& paths, OutputStream& out) {
    bool ok = WritePackageString(FieldText(package.m_szTitle), out) && WritePackageString(FieldText(package.m_szVersion), out) &&
              WritePackageU32(static_cast<uint32_t>(paths.links.size()), out);
    for (size_t i = 0; ok && i < paths.links.size(); ++i) {
        ok = WritePackageString(paths.links[i], out);
    }
    return ok && WritePackageString(paths.group, out);
}

}  // namespace voz
