// Shared by the package tests: packages made from plain strings and bytes,
// written by the packing tool's writer and loaded back, and for the
// installation tests an empty folder to install them into.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

#include "package/block_decoder.h"
#include "package/extract.h"
#include "package/package_loader.h"
#include "packer/package_writer.h"
#include "test_support.h"

namespace voz::test {

inline constexpr PackageTime kFileTime{2024, 3, 5, 15, 9, 30, 0, 0};

// A packed file: its GBK name and bytes, its three times alike.
struct TestFile {
    std::string name;
    std::string content;
    PackageTime time = kFileTime;
};

inline TestFile File(const std::string& gbkName, const std::string& content, PackageTime time = kFileTime) {
    return {gbkName, content, time};
}

// Text into a field of the record.
template <size_t N>
void Set(char (&field)[N], std::string_view gbk) {
    StoreField(field, gbk, "test field");
}

// A folder record and its files, appended to the package.
inline void AddFolder(PackageSource& package, const std::string& gbkName, const std::vector<TestFile>& files = {}) {
    package.AddFolder(gbkName);
    for (const TestFile& file : files) {
        package.AddFile(file.name, std::vector<uint8_t>(file.content.begin(), file.content.end()), file.time);
    }
}

inline PackageShortcut Shortcut(std::string_view link, std::string_view target, std::string_view icon, int32_t place) {
    PackageShortcut shortcut{};
    Set(shortcut.szLinkName, link);
    Set(shortcut.szTarget, target);
    Set(shortcut.szIcon, icon);
    shortcut.nPlace = place;
    return shortcut;
}

inline PackageCopy Copy(std::string_view source, std::string_view dest, std::string_view style) {
    PackageCopy copy{};
    Set(copy.szSource, source);
    Set(copy.szDest, dest);
    Set(copy.szStyle, style);
    return copy;
}

inline PackageRemove Remove(std::string_view path) {
    PackageRemove remove{};
    Set(remove.szPath, path);
    return remove;
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

// The package that starts at `offset` of `setup`, written to memory.
inline std::vector<uint8_t> Written(const PackageSource& package, uint64_t offset = 0) {
    MemoryOutput out;
    WritePackage(package, out, {}, offset);
    return std::move(out.Bytes());
}

// A loaded record written again at the same offset, with the files' and the
// uninstaller's bytes decoded from the setup where the record places them:
// the package's own bytes when the loader read every field as written.
inline std::vector<uint8_t> Rewritten(CPackageInfo loaded, const std::vector<uint8_t>& setup, uint64_t offset) {
    EXPECT_TRUE(loaded.m_status.sound()) << loaded.m_status.where << ": " << loaded.m_status.reason;
    PackageSource again;
    for (const PackageDir& dir : loaded.m_dirs) {
        for (const PackageFile& file : dir.files) {
            again.files.push_back(DecodeAt(setup, file.nDataPos, file.nDataSize));
        }
    }
    again.uninstaller = DecodeAt(setup, loaded.m_nUninstallerPos, loaded.m_nUninstallerSize);
    again.record = std::move(loaded);
    return Written(again, offset);
}

inline PackageSource BasePackage() {
    PackageSource package;
    Set(package.record.m_szTitle, Gbk("沃兹期货"));
    Set(package.record.m_szVersion, "V6.2");
    Set(package.record.m_szGroup, Gbk("沃兹期货"));
    return package;
}

// A shell whose special folders are test folders and which records the links asked for.
class RecordingShell final : public ShellServices {
public:
    bool GetSpecialFolderPath(std::string& path, int csidl) override {
        auto it = folders.find(csidl);
        if (it != folders.end()) {
            path = it->second;
        }
        return it != folders.end();
    }
    bool CreateShortcut(const std::string& link, const std::string& target, const std::string& icon) override {
        links.push_back(link + " -> " + target + " | " + icon);
        return saves;
    }
    std::map<int, std::string> folders;
    std::vector<std::string> links;
    bool saves = true;
};

// The package written to memory at offset 0 and loaded into its own record;
// the chosen install folder is <temp>/安装, the chosen style the package's
// default (none).
class Installation {
public:
    explicit Installation(const PackageSource& package) {
        m_bytes = Written(package);
        MemoryInput input(m_bytes.data(), m_bytes.size());
        LoadPackage(m_package, input, 0);
        EXPECT_TRUE(m_package.m_status.sound()) << m_package.m_status.reason;
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
        return ExtractPackage(m_package, input, m_choice, options);
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
    return {st.st_atim.tv_sec * 1000LL + st.st_atim.tv_nsec / 1000000,
            st.st_mtim.tv_sec * 1000LL + st.st_mtim.tv_nsec / 1000000};
}

}  // namespace voz::test
