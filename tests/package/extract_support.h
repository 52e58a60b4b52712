// Shared by the package tests: a loaded record checked against the PackageSpec
// it was packed from, and for the installation tests a package built from a
// PackageSpec, loaded, and an empty folder to install it into.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "package/block_decoder.h"
#include "package/extract.h"
#include "package/package_loader.h"
#include "packer/package_writer.h"
#include "test_support.h"

namespace voz::test {

inline PackFile File(const std::string& gbkName, const std::string& content,
                     PackageTime time = PackageTime{2024, 3, 5, 15, 9, 30, 0, 0}) {
    return PackFile{gbkName, time, time, time, std::vector<uint8_t>(content.begin(), content.end())};
}

// The bytes of the block sequence of `size` stored bytes at `pos` in a setup file.
inline std::vector<uint8_t> DecodeAt(const std::vector<uint8_t>& setup, int32_t pos, int32_t size) {
    MemoryInput in(setup.data(), setup.size());
    EXPECT_TRUE(in.Seek(static_cast<uint64_t>(pos)));
    MemoryOutput out;
    CBlockDecoder decoder;
    EXPECT_TRUE(decoder.DecodeToStream(in, &out, static_cast<uint32_t>(size)).ok());
    return out.Bytes();
}

inline bool SameTime(const PackageTime& a, const PackageTime& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every field of a loaded record against the PackageSpec it was packed from, the
// files' and the uninstaller's bytes decoded from `setup` where the record
// places them. The style and the uninstaller's name are the loader's own.
inline void ExpectRecordOf(const PackageSpec& spec, const CPackageInfo& p, const std::vector<uint8_t>& setup) {
    ASSERT_TRUE(p.m_status.sound()) << p.m_status.where << ": " << p.m_status.reason;
    EXPECT_EQ(p.m_szTitle, spec.title);
    EXPECT_EQ(p.m_szVersion, spec.version);
    EXPECT_EQ(p.m_szCompany, spec.company);
    EXPECT_EQ(p.m_szInstallDir, spec.installDir);
    EXPECT_EQ(p.m_szMainExe, spec.mainExe);
    EXPECT_EQ(p.m_szSourceDir, spec.sourceDir);
    EXPECT_EQ(p.m_nDefaultOrderSoftware, spec.defaultOrderSoftware);
    for (int i = 0; i < kScreenCount; ++i) {
        EXPECT_EQ(p.Text(i), spec.texts[i]) << kScreenKeys[i];
        EXPECT_EQ(std::vector<uint8_t>(p.Image(i), p.Image(i) + p.ImageSize(i)), spec.images[i]) << kScreenKeys[i];
    }
    ASSERT_EQ(p.m_dirs.size(), spec.dirs.size());
    for (size_t d = 0; d < p.m_dirs.size(); ++d) {
        EXPECT_EQ(p.m_dirs[d].szName, spec.dirs[d].name);
        ASSERT_EQ(p.m_dirs[d].files.size(), spec.dirs[d].files.size()) << spec.dirs[d].name;
        for (size_t f = 0; f < p.m_dirs[d].files.size(); ++f) {
            const PackageFile& file = p.m_dirs[d].files[f];
            const PackFile& source = spec.dirs[d].files[f];
            EXPECT_EQ(file.szName, source.name);
            EXPECT_TRUE(SameTime(file.stCreation, source.creation) && SameTime(file.stLastAccess, source.lastAccess) &&
                        SameTime(file.stLastWrite, source.lastWrite))
                << source.name;
            EXPECT_EQ(DecodeAt(setup, file.nDataPos, file.nDataSize), std::get<std::vector<uint8_t>>(source.content));
        }
    }
    EXPECT_EQ(p.m_szGroup, spec.group);
    ASSERT_EQ(p.m_shortcuts.size(), spec.shortcuts.size());
    for (size_t i = 0; i < p.m_shortcuts.size(); ++i) {
        const PackageShortcut& s = p.m_shortcuts[i];
        const PackShortcut& source = spec.shortcuts[i];
        EXPECT_TRUE(s.szLinkName == source.linkName && s.szTarget == source.target && s.szIcon == source.icon &&
                    s.nPlace == source.place)
            << source.linkName;
    }
    ASSERT_EQ(p.m_copies.size(), spec.copies.size());
    for (size_t i = 0; i < p.m_copies.size(); ++i) {
        const PackageCopy& c = p.m_copies[i];
        EXPECT_TRUE(c.szSource == spec.copies[i].source && c.szDest == spec.copies[i].dest &&
                    c.szStyle == spec.copies[i].style)
            << spec.copies[i].source;
    }
    ASSERT_EQ(p.m_removes.size(), spec.removes.size());
    for (size_t i = 0; i < p.m_removes.size(); ++i) {
        EXPECT_EQ(p.m_removes[i].szPath, spec.removes[i]);
    }
    EXPECT_EQ(DecodeAt(setup, p.m_nUninstallerPos, p.m_nUninstallerSize), spec.uninstaller);
    EXPECT_STREQ(p.m_szUninstaller, kUninstallerName);
    EXPECT_STREQ(p.m_szStyle, "");
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

    InstallReport Run(const ExtractOptions& options = {}) {
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
