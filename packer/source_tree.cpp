#include "packer/source_tree.h"

#include <algorithm>
#include <optional>

#include "os/filesystem.h"
#include "os/text_encoding.h"
#include "package/install_rules.h"
#include "packer/console_text.h"
#include "packer/pack_error.h"

namespace voz {

namespace fs = std::filesystem;

namespace {

// The name in GBK; nothing, with the problem noted, when GBK cannot hold it.
// Whether the setup accepts the name is judged later, with the whole package.
std::optional<std::string> GbkName(const fs::path& path, std::vector<std::string>& problems) {
    std::string gbk;
    if (!os::NativeToGbk(path.filename().native(), gbk)) {
        problems.push_back(PathText(path) + ": the name cannot be written in GBK");
        return std::nullopt;
    }
    return gbk;
}

// A folder's files go into records of at most kMaxFilesPerDir files, all of
// the folder's name: the setup reads no more into one record, and installs
// records of the same name into the same folder.
void AddRecords(const fs::path& folder, const std::string& gbkName, std::vector<PackFile> files,
                std::vector<PackDir>& dirs) {
    size_t first = 0;
    do {
        PackDir dir;
        dir.name = gbkName;
        dir.source = folder.native();
        const size_t end = std::min(files.size(), first + kMaxFilesPerDir);
        dir.files.assign(std::make_move_iterator(files.begin() + static_cast<std::ptrdiff_t>(first)),
                         std::make_move_iterator(files.begin() + static_cast<std::ptrdiff_t>(end)));
        dirs.push_back(std::move(dir));
        first = end;
    } while (first < files.size());
}

void ScanFolder(const fs::path& folder, const std::string& gbkName, std::vector<PackDir>& dirs,
                std::vector<std::string>& problems) {
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
    std::vector<PackFile> files;
    std::vector<fs::path> subfolders;
    for (const auto& entry : entries) {
        if (entry.is_directory()) {
            subfolders.push_back(entry.path());
        } else if (entry.is_regular_file()) {
            PackFile file;
            std::optional<std::string> name = GbkName(entry.path(), problems);
            file.name = name.value_or(std::string());
            ReadFileTimes(entry.path(), file);
            file.content = entry.path().native();
            if (name) {
                files.push_back(std::move(file));
            }
        }
    }
    AddRecords(folder, gbkName, std::move(files), dirs);
    for (const auto& sub : subfolders) {
        std::optional<std::string> leaf = GbkName(sub, problems);
        if (!leaf) {
            continue;
        }
        // One folder's name: a backslash in it would make it several.
        if (NameCheck check = CheckName(NameKind::kFile, *leaf); check != NameCheck::kSafe) {
            problems.push_back(PathText(sub) + ": " + DescribeNameCheck(check));
            continue;
        }
        ScanFolder(sub, gbkName.empty() ? *leaf : gbkName + "\\" + *leaf, dirs, problems);
    }
}

}  // namespace

void ReadFileTimes(const fs::path& path, PackFile& file) {
    if (!os::GetFileTimes(path.native(), file.creation, file.lastAccess, file.lastWrite)) {
        throw PackError(PathText(path) + ": cannot read the file's times");
    }
}

std::vector<PackDir> ScanSourceTree(const fs::path& root, std::vector<std::string>& problems) {
    if (!fs::is_directory(root)) {
        throw PackError(PathText(root) + ": no such folder");
    }
    std::vector<PackDir> dirs;
    ScanFolder(root, "", dirs, problems);
    return dirs;
}

}  // namespace voz
