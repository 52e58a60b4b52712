// Shared by the installation tests: a package built from a spec, loaded, and
// an empty folder to install it into.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "package/extract.h"
#include "package/package_loader.h"
#include "packer/package_writer.h"
#include "test_support.h"

namespace voz::test {

inline PackFile File(const std::string& gbkName, const std::string& content,
                     PackageTime time = PackageTime{2024, 3, 5, 15, 9, 30, 0, 0}) {
    return PackFile{gbkName, time, time, time, std::vector<uint8_t>(content.begin(), content.end())};
}

inline std::string ReadText(const std::filesystem::path& path) {
    auto bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline PackageSpec BaseSpec() {
    PackageSpec spec;
    spec.title = Gbk("沃兹期货");
    spec.version = "V6.2";
    spec.group = Gbk("沃兹期货");
    return spec;
}

// The package written to memory at offset 0 and loaded into its own record;
// the chosen install folder is <temp>/安装, the chosen style the package's
// default (none).
class Installation {
public:
    explicit Installation(const PackageSpec& spec) {
        MemoryOutput out;
        WritePackage(spec, out, {}, 0);
        m_bytes = std::move(out.Bytes());
        MemoryInput input(m_bytes.data(), m_bytes.size());
        LoadPackage(package(), input, 0);
        EXPECT_TRUE(package().m_status.sound()) << package().m_status.reason;
        SetInstallDir(Gbk(dir().string()));
    }

    CPackageInfo& package() { return m_package; }
    std::vector<uint8_t>& bytes() { return m_bytes; }
    std::filesystem::path dir() const { return m_temp / "安装"; }
    const std::filesystem::path& temp() const { return m_temp.path(); }

    void SetInstallDir(const std::string& gbk) {
        std::optional<gbk::Path> folder = gbk::Path::From(gbk);
        ASSERT_TRUE(folder) << gbk;
        m_choice.folder = *folder;
    }
    void SetStyle(const std::string& gbk) { m_choice.style = gbk; }
    const InstallChoice& choice() const { return m_choice; }

    std::vector<ExtractFailure> Run(const ExtractOptions& options = {}) {
        MemoryInput input(m_bytes.data(), m_bytes.size());
        return ExtractPackage(package(), input, m_choice, options);
    }

private:
    TempDir m_temp;
    CPackageInfo m_package;
    std::vector<uint8_t> m_bytes;
    InstallChoice m_choice;
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

// Every file and folder under root as a relative path ('/' after folders), sorted.
inline std::vector<std::string> TreeListing(const std::filesystem::path& root) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        entries.push_back(std::filesystem::relative(entry.path(), root).string() + (entry.is_directory() ? "/" : ""));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Milliseconds since 1970 of a package time, taken as UTC.
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

// A file's last-access and last-write times in milliseconds since 1970.
inline std::pair<int64_t, int64_t> FileTimes(const std::filesystem::path& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return {st.st_atim.tv_sec * 1000LL + st.st_atim.tv_nsec / 1000000, st.st_mtim.tv_sec * 1000LL + st.st_mtim.tv_nsec / 1000000};
}

}  // namespace voz::test
