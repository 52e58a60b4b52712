#include "packer/source_tree.h"

#include <algorithm>
#include <optional>

#include "os/filesystem.h"
#include "os/text_encoding.h"
#include "package/install_paths.h"
#include "package/install_rules.h"
#include "package/package_layout.h"
#include "packer/console_text.h"
#include "packer/pack_error.h"

namespace voz {

namespace fs = std::filesystem;

namespace {

// Whether a name of gbk.size() bytes fits a field of fieldSize bytes; the problem noted when not.
bool Fits(const fs::path& path, const std::string& gbk, size_t fieldSize, std::vector<std::string>& problems) {
    if (gbk.size() < fieldSize) {
        return true;
    }
    problems.push_back(PathText(path) + ": " + DescribeNameCheck(NameCheck::kTooLong));
    return false;
}

// The name in GBK; nothing, with the problem noted, when GBK cannot hold it
// or it does not fit its field. Whether the setup accepts the name is judged
// later, with the whole package.
std::optional<std::string> GbkName(const fs::path& path, size_t fieldSize, std::vector<std::string>& problems) {
    std::string gbk;
    if (!os::NativeToGbk(path.filename().native(), gbk)) {
        problems.push_back(PathText(path) + ": the name cannot be written in GBK");
        return std::nullopt;
    }
    return Fits(path, gbk, fieldSize, problems) ? std::optional(gbk) : std::nullopt;
}

struct FolderEntries {
    std::vector<fs::path> files;
    std::vector<fs::path> subfolders;
};

FolderEntries ReadFolder(const fs::path& folder) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        entries.push_back(entry);
    }
    if (ec) {
        throw PackError(PathText(folder) + ": the folder cannot be read");
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    FolderEntries result;
    for (const auto& entry : entries) {
        if (entry.is_directory()) {
            result.subfolders.push_back(entry.path());
        } else if (entry.is_regular_file()) {
            result.files.push_back(entry.path());
        }
    }
    return result;
}

// A folder's files go into records of at most kMaxFilesPerDir files, all of
// the folder's name: the setup reads no more into one record, and installs
// records of the same name into the same folder.
void AddFiles(const fs::path& folder, const std::string& gbkName, const std::vector<fs::path>& files,
              PackageSource& package, std::vector<std::string>& problems) {
    package.AddFolder(gbkName, folder.native());
    for (const fs::path& path : files) {
        std::optional<std::string> name = GbkName(path, layout::kFileName.kSize, problems);
        if (!name) {
            continue;
        }
        if (package.record.m_dirs.back().files.size() == static_cast<size_t>(kMaxFilesPerDir)) {
            package.AddFolder(gbkName, folder.native());
        }
        ReadFileTimes(path, package.AddFile(*name, path.native()));
    }
}

void ScanFolder(const fs::path& folder, const std::string& gbkName, PackageSource& package,
                std::vector<std::string>& problems) {
    const FolderEntries entries = ReadFolder(folder);
    AddFiles(folder, gbkName, entries.files, package, problems);
    for (const auto& sub : entries.subfolders) {
        std::optional<std::string> leaf = GbkName(sub, layout::kDirName.kSize, problems);
        if (!leaf) {
            continue;
        }
        // One folder's name: a backslash in it would make it several.
        if (NameCheck check = CheckName(NameKind::kFile, *leaf); check != NameCheck::kSafe) {
            problems.push_back(PathText(sub) + ": " + DescribeNameCheck(check));
            continue;
        }
        const std::string name = JoinRelative(gbkName, *leaf);
        if (Fits(sub, name, layout::kDirName.kSize, problems)) {
            ScanFolder(sub, name, package, problems);
        }
    }
}

}  // namespace

void ReadFileTimes(const fs::path& path, PackageFile& file) {
    if (!os::GetFileTimes(path.native(), file.stCreation, file.stLastAccess, file.stLastWrite)) {
        throw PackError(PathText(path) + ": cannot read the file's times");
    }
}

void ScanSourceTree(const fs::path& root, PackageSource& package, std::vector<std::string>& problems) {
    if (!fs::is_directory(root)) {
        throw PackError(PathText(root) + ": no such folder");
    }
    ScanFolder(root, "", package, problems);
}

}  // namespace voz
