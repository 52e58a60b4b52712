// Shared by the installation tests: packages built from a spec, loaded and
// installed into a fresh folder, and checks of the installed files.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "package/extract.h"
#include "package/package_loader.h"
#include "packer/package_writer.h"
#include "test_support.h"

namespace voz::test {

inline PackageTime Time(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute, uint16_t second,
                        uint16_t ms) {
    return PackageTime{year, month, 0, day, hour, minute, second, ms};
}

inline PackFile File(const std::string& gbkName, std::vector<uint8_t> content,
                     PackageTime written = Time(2024, 3, 15, 9, 30, 0, 0)) {
    return PackFile{gbkName, written, written, written, std::move(content)};
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// A package with the header filled in and nothing else.
inline PackageSpec BaseSpec() {
    PackageSpec spec;
    spec.title = Gbk("沃兹期货");
    spec.version = "V6.2";
    spec.company = Gbk("沃兹软件");
    spec.installDir = Gbk("C:\\沃兹期货");
    spec.mainExe = "VozClient.exe";
    spec.sourceDir = "client";
    spec.group = Gbk("沃兹期货");
    return spec;
}

// The package record is large; the tests share one and reload it each time.
inline CPackageInfo& SharedRecord() {
    static auto record = std::make_unique<CPackageInfo>();
    return *record;
}

// A package written to memory (starting at offset 0), loaded, and an empty
// folder to install it into: <temp>/安装.
class Installation {
public:
    explicit Installation(const PackageSpec& spec) {
        MemoryOutput out;
        WritePackage(spec, out, {}, 0);
        bytes_ = std::move(out.Bytes());
        MemoryInput input(bytes_.data(), bytes_.size());
        LoadPackage(package(), input, 0);
        EXPECT_TRUE(package().m_status.sound()) << package().m_status.where << ": " << package().m_status.reason;
        dir_ = temp_ / "安装";
        SetInstallDir(Gbk(dir_.string()));
    }

    CPackageInfo& package() { return SharedRecord(); }
    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::filesystem::path& dir() const { return dir_; }
    const std::filesystem::path& temp() const { return temp_.path(); }

    void SetInstallDir(const std::string& gbk) {
        ASSERT_LT(gbk.size(), sizeof package().m_szInstallDir);
        std::memcpy(package().m_szInstallDir, gbk.c_str(), gbk.size() + 1);
    }

    void SetStyle(const std::string& gbk) {
        ASSERT_LT(gbk.size(), sizeof package().m_szStyle);
        std::memcpy(package().m_szStyle, gbk.c_str(), gbk.size() + 1);
    }

    std::vector<ExtractFailure> Run(const ExtractOptions& options = {}) {
        MemoryInput input(bytes_.data(), bytes_.size());
        return ExtractPackage(package(), input, options);
    }

    // Position of the first stored block of a file in the package bytes.
    size_t DataPos(int dir, int file) { return static_cast<size_t>(package().m_dirs[dir].files[file].nDataPos); }

private:
    TempDir temp_;
    std::filesystem::path dir_;
    std::vector<uint8_t> bytes_;
};

inline bool HasFailureOf(const std::vector<ExtractFailure>& failures, FailureKind kind, const std::string& gbkPath) {
    return std::any_of(failures.begin(), failures.end(),
                       [&](const ExtractFailure& f) { return f.kind == kind && f.path == gbkPath; });
}

inline std::string Describe(const std::vector<ExtractFailure>& failures) {
    std::string text;
    for (const auto& f : failures) {
        text += f.path + " [" + DescribeFailureKind(f.kind) + "] " + f.detail + "\n";
    }
    return text;
}

// Every file and folder under root, as relative paths with '/', sorted.
inline std::vector<std::string> TreeListing(const std::filesystem::path& root) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        entries.push_back(std::filesystem::relative(entry.path(), root).string() + (entry.is_directory() ? "/" : ""));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Seconds and milliseconds since 1970 of a package time, taken as UTC.
inline int64_t UtcMilliseconds(const PackageTime& t) {
    std::tm tm{};
    tm.tm_year = t.wYear - 1900;
    tm.tm_mon = t.wMonth - 1;
    tm.tm_mday = t.wDay;
    tm.tm_hour = t.wHour;
    tm.tm_min = t.wMinute;
    tm.tm_sec = t.wSecond;
    return static_cast<int64_t>(timegm(&tm)) * 1000 + t.wMilliseconds;
}

inline int64_t Milliseconds(const timespec& ts) { return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000; }

// The file's last-access and last-write times, in milliseconds since 1970.
inline std::pair<int64_t, int64_t> FileTimes(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return {Milliseconds(st.st_atim), Milliseconds(st.st_mtim)};
}

}  // namespace voz::test
