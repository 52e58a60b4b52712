#include "packer/source_tree.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "os/text_encoding.h"
#include "packer/pack_error.h"

namespace voz {

namespace fs = std::filesystem;

namespace {

std::string GbkName(const fs::path& path, const std::string& utf8) {
    if (utf8.find_first_of("\\:*?\"<>|") != std::string::npos) {
        throw PackError(path.string() + ": the name holds a character Windows does not allow in file names");
    }
    auto gbk = os::Utf8ToGbk(utf8);
    if (!gbk) {
        throw PackError(path.string() + ": the name cannot be written in GBK");
    }
    return *gbk;
}

void ScanFolder(const fs::path& root, const fs::path& folder, const std::string& gbkName, std::vector<PackDir>& dirs) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        entries.push_back(entry);
    }
    if (ec) {
        throw PackError(folder.string() + ": " + ec.message());
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    PackDir dir;
    dir.name = gbkName;
    std::vector<fs::path> subfolders;
    for (const auto& entry : entries) {
        if (entry.is_directory()) {
            subfolders.push_back(entry.path());
        } else if (entry.is_regular_file()) {
            PackFile file;
            file.name = GbkName(entry.path(), entry.path().filename().string());
            ReadFileTimes(entry.path(), file);
            file.content = entry.path().string();
            dir.files.push_back(std::move(file));
        }
    }
    dirs.push_back(std::move(dir));
    for (const auto& sub : subfolders) {
        std::string leaf = GbkName(sub, sub.filename().string());
        ScanFolder(root, sub, gbkName.empty() ? leaf : gbkName + "\\" + leaf, dirs);
    }
}

}  // namespace

PackageTime ToPackageTime(int64_t seconds, uint32_t nanoseconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    PackageTime p{};
    p.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    p.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    p.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    p.wDay = static_cast<uint16_t>(tm.tm_mday);
    p.wHour = static_cast<uint16_t>(tm.tm_hour);
    p.wMinute = static_cast<uint16_t>(tm.tm_min);
    p.wSecond = static_cast<uint16_t>(tm.tm_sec);
    p.wMilliseconds = static_cast<uint16_t>(nanoseconds / 1000000);
    return p;
}

void ReadFileTimes(const fs::path& path, PackFile& file) {
    struct statx sx {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0) {
        throw PackError(path.string() + ": cannot read the file's times");
    }
    file.lastAccess = ToPackageTime(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    file.lastWrite = ToPackageTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    file.creation = (sx.stx_mask & STATX_BTIME) != 0 ? ToPackageTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                                     : file.lastWrite;
}

std::vector<PackDir> ScanSourceTree(const fs::path& root) {
    if (!fs::is_directory(root)) {
        throw PackError(root.string() + ": no such folder");
    }
    std::vector<PackDir> dirs;
    ScanFolder(root, root, "", dirs);
    return dirs;
}

}  // namespace voz
