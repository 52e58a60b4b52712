#include "package/package_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "package/block_decoder.h"
#include "packer/block_encoder.h"
#include "package/extract_support.h"

namespace voz {
namespace {

// Writes raw package bytes field by field, for packages the writer would refuse.
class RawPackage {
public:
    RawPackage& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    RawPackage& Str(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    RawPackage& Item(const std::vector<uint8_t>& data) {
        auto seq = EncodeSequence(data.data(), data.size());
        U32(static_cast<uint32_t>(seq.size()));
        bytes.insert(bytes.end(), seq.begin(), seq.end());
        return *this;
    }
    RawPackage& Zeros(size_t count) {
        bytes.insert(bytes.end(), count, 0);
        return *this;
    }
    RawPackage& Header() { return Str("T").Str("1.0").Str("C").Str("C:\\T").Str("t.exe").Str("src").U32(2); }
    RawPackage& EmptyScreens(int texts = 6, int images = 6) {
        for (int i = 0; i < texts; ++i) Item({});
        for (int i = 0; i < images; ++i) Item({});
        return *this;
    }
    std::vector<uint8_t> bytes;
};

struct Loaded {
    CPackageInfo package;
    CPackageInfo* operator->() { return &package; }
};

Loaded Load(const std::vector<uint8_t>& packageBytes) {
    Loaded loaded;
    MemoryInput input(packageBytes.data(), packageBytes.size());
    LoadPackage(loaded.package, input, 0);
    return loaded;
}

PackageTime Time(uint16_t year, uint16_t ms) { return PackageTime{year, 3, 5, 15, 9, 30, 1, ms}; }

PackageSource FullPackage() {
    using test::Gbk;
    using test::Set;
    PackageSource package;
    CPackageInfo& p = package.record;
    Set(p.m_szTitle, Gbk("沃兹期货"));
    Set(p.m_szVersion, "V6.2");
    Set(p.m_szCompany, Gbk("沃兹软件"));
    Set(p.m_szInstallDir, Gbk("C:\\沃兹期货"));
    Set(p.m_szMainExe, "VozClient.exe");
    Set(p.m_szSourceDir, "client");
    p.m_nDefaultOrderSoftware = 3;
    for (int i = 0; i < kScreenCount; ++i) {
        p.Text(i) = Gbk("第" + std::to_string(i) + "屏\r\n说明");
        StoreImage(p, i, test::CompressibleBytes(1000 + 100 * i, i));
    }
    package.AddFolder("");
    package.AddFile("a.txt", test::CompressibleBytes(150000, 1), Time(2020, 1)).stLastWrite = Time(2022, 3);
    package.AddFile("empty.dat", std::vector<uint8_t>{}, Time(2020, 0));
    package.AddFolder(Gbk("空目录"));
    package.AddFolder(Gbk("配置\\深层"));
    package.AddFile(Gbk("精简Voz.ini"), test::RandomBytes(70000, 2), Time(2019, 9));
    Set(p.m_szGroup, Gbk("沃兹期货"));
    p.m_shortcuts = {test::Shortcut("a.lnk", "", "", kPlaceGroup),
                     test::Shortcut("b.lnk", "a.txt", "i.ico", kPlaceDesktop), test::Shortcut("c.lnk", "x", "", 2)};
    p.m_copies = {test::Copy("s1", "d1", Gbk("全功能版")), test::Copy("s2", "d2", Gbk("精简版"))};
    p.m_removes = {test::Remove(Gbk("配置"))};
    package.uninstaller = test::CompressibleBytes(24576, 9);
    return package;
}

// The package behind the setup program's stub, a code signature after it.
TEST(PackageLoader, ReadsEveryFieldTheWriterWroteAtItsAbsolutePositionInTheSetupFile) {
    std::vector<uint8_t> setup(kStubSize, 0);
    const std::vector<uint8_t> package = test::Written(FullPackage(), kPackageOffset);
    setup.insert(setup.end(), package.begin(), package.end());
    setup.insert(setup.end(), 4096, 0xAB);  // bytes after the uninstaller are no damage
    CPackageInfo p;
    MemoryInput input(setup.data(), setup.size());
    LoadPackage(p, input);
    EXPECT_GT(p.m_dirs.at(0).files.at(0).nDataPos, static_cast<int32_t>(kStubSize));
    EXPECT_EQ(p.m_dirs[0].files.at(1).nDataSize, 0);  // an empty file has no blocks
    EXPECT_EQ(static_cast<size_t>(p.m_nUninstallerPos + p.m_nUninstallerSize), kStubSize + package.size());
    EXPECT_EQ(test::Rewritten(std::move(p), setup, kPackageOffset), package);
}

TEST(PackageLoader, EveryShortPackageIsTruncatedAndKeepsWhatWasRead) {
    PackageSource full = FullPackage();
    full.files[0] = test::CompressibleBytes(3000, 1);
    full.files[2] = test::CompressibleBytes(500, 2);
    full.uninstaller = test::CompressibleBytes(600, 3);
    for (int i = 0; i < kScreenCount; ++i) {
        StoreImage(full.record, i, test::CompressibleBytes(100, i));
    }
    const std::vector<uint8_t> bytes = test::Written(full);
    const std::string title = full.record.m_szTitle;
    CPackageInfo package;
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        MemoryInput input(bytes.data(), cut);
        LoadPackage(package, input, 0);
        ASSERT_EQ(package.m_status.state, PackageStatus::State::kTruncated) << "cut at " << cut;
        ASSERT_STREQ(package.m_szUninstaller, kUninstallerName);
        ASSERT_LE(package.m_dirs.size(), 3u);
        for (size_t d = 0; d < package.m_dirs.size(); ++d) {
            ASSERT_LE(package.m_dirs[d].files.size(), full.record.m_dirs[d].files.size()) << "cut at " << cut;
        }
        ASSERT_EQ(package.m_szTitle, cut >= 4 + title.size() ? title : "") << "cut at " << cut;
    }
    MemoryInput whole(bytes.data(), bytes.size());
    LoadPackage(package, whole, 0);
    EXPECT_TRUE(package.m_status.sound());
}

TEST(PackageLoader, MissingPackageGivesEmptyFields) {
    std::vector<uint8_t> stubOnly(1000, 0);
    CPackageInfo package;
    MemoryInput input(stubOnly.data(), stubOnly.size());
    LoadPackage(package, input);
    EXPECT_EQ(package.m_status.state, PackageStatus::State::kTruncated);
    EXPECT_STREQ(package.m_szTitle, "");
    EXPECT_TRUE(package.m_dirs.empty());
    EXPECT_EQ(package.m_strMainText, "");
    EXPECT_STREQ(package.m_szUninstaller, kUninstallerName);

    LoadPackageFile(package, "/nonexistent/setup.exe");
    EXPECT_EQ(package.m_status.state, PackageStatus::State::kTruncated);
    EXPECT_EQ(package.m_status.reason, "the setup file cannot be opened");
}

using State = PackageStatus::State;

// A package of hand-written fields with a fault, or at a limit, somewhere in it:
// how the load ends, the item it names, and what it kept of the record.
struct FieldCase {
    const char* what;
    std::vector<uint8_t> bytes;
    State state;
    std::string where;  // "" for a sound package
    std::function<void(const CPackageInfo&)> kept;
};

// More bytes follow each count, so only the count itself can stop the reader.
constexpr uint32_t kMore = 0xFFFFFFFF;

RawPackage Screens() { return std::move(RawPackage().Header().EmptyScreens()); }

TEST(PackageLoader, EachFieldFaultStopsTheLoadAtItsItem) {
    auto counts = [](size_t dirs, size_t shortcuts) {
        return [=](const CPackageInfo& p) {
            EXPECT_STREQ(p.m_szTitle, "T");
            EXPECT_EQ(p.m_dirs.size(), dirs);  // the folder being read included
            EXPECT_EQ(p.m_shortcuts.size(), shortcuts);
            EXPECT_TRUE(p.m_copies.empty() && p.m_removes.empty());
        };
    };
    const FieldCase cases[] = {
        {"directory count", Screens().U32(1025).U32(kMore).bytes, State::kDamaged, "directory table: count",
         counts(0, 0)},
        {"file count", Screens().U32(2).Str("").U32(0).Str("b").U32(513).U32(kMore).bytes, State::kDamaged,
         "directory 2: file count", counts(2, 0)},
        {"shortcut count", Screens().U32(1).Str("").U32(0).Str("G").U32(9).U32(kMore).bytes, State::kDamaged,
         "shortcut table: count", counts(1, 0)},
        {"style-copy count", Screens().U32(0).Str("G").U32(1).Str("l").Str("t").Str("i").U32(1).U32(9).U32(kMore).bytes,
         State::kDamaged, "style-copy table: count", counts(0, 1)},
        {"remove count", Screens().U32(0).Str("G").U32(0).U32(0).U32(65).U32(kMore).bytes, State::kDamaged,
         "remove table: count", counts(0, 0)},
        {"negative counts mean no entries",
         Screens().U32(0xFFFFFFFF).Str("G").U32(0x80000000).U32(0xFFFFFFFE).U32(0xFFFFFFFF).U32(0).bytes, State::kSound,
         "",
         [](const CPackageInfo& p) {
             EXPECT_TRUE(p.m_dirs.empty() && p.m_shortcuts.empty() && p.m_copies.empty());
             EXPECT_STREQ(p.m_szGroup, "G");
         }},
        {"a 127-byte title fits", RawPackage().Str(std::string(127, 'x')).bytes, State::kTruncated, "header: version",
         [](const CPackageInfo& p) { EXPECT_EQ(std::strlen(p.m_szTitle), 127u); }},
        {"a 128-byte title does not", RawPackage().Str(std::string(128, 'x')).Str("more").bytes, State::kDamaged,
         "header: title", [](const CPackageInfo& p) { EXPECT_STREQ(p.m_szTitle, ""); }},
        {"a 32-byte style label",
         Screens().U32(0).Str("G").U32(0).U32(1).Str("s").Str("d").Str(std::string(32, 'L')).bytes, State::kDamaged,
         "style copy 1: style",
         [](const CPackageInfo& p) {
             ASSERT_EQ(p.m_copies.size(), 1u);
             EXPECT_STREQ(p.m_copies[0].szDest, "d");
             EXPECT_STREQ(p.m_copies[0].szStyle, "");
         }},
        // 65,535 decoded bytes fit with the terminating zero; 65,536 do not.
        {"a 65,535-byte text",
         RawPackage().Header().Item(std::vector<uint8_t>(65535, 'A')).EmptyScreens(5, 6).U32(0).bytes,
         State::kTruncated, "shortcut table: group",
         [](const CPackageInfo& p) { EXPECT_EQ(p.m_strMainText.size(), 65535u); }},
        {"a 65,536-byte text", RawPackage().Header().Item(std::vector<uint8_t>(65536, 'A')).bytes, State::kDamaged,
         "text 1 (main)", [](const CPackageInfo& p) { EXPECT_EQ(p.m_strMainText, ""); }},
        {"a text ends at its first zero byte", RawPackage().Header().Item({'a', 'b', 0, 'c'}).bytes, State::kTruncated,
         "text 2 (welcome)", [](const CPackageInfo& p) { EXPECT_EQ(p.m_strMainText, "ab"); }},
        // Stored bytes beyond the buffer are refused before anything is read into it.
        {"stored bytes beyond the buffer", RawPackage().Header().U32(65537).Zeros(65537).bytes, State::kDamaged,
         "text 1 (main)",
         [](const CPackageInfo& p) { EXPECT_EQ(p.m_status.reason, "stored item larger than its buffer"); }},
        {"an image beyond its buffer",
         RawPackage().Header().EmptyScreens(6, 0).Item(test::RandomBytes(kImageCapacity + 1, 1)).bytes, State::kDamaged,
         "image 1 (main)", [](const CPackageInfo& p) { EXPECT_EQ(p.m_nMainImageSize, 0); }},
        {"an empty image", Screens().U32(0).Str("").U32(0).U32(0).U32(0).U32(0).bytes, State::kSound, "",
         [](const CPackageInfo& p) {
             EXPECT_EQ(p.m_nMainImageSize, 0);
             EXPECT_NE(p.m_pMainImage, nullptr);  // a valid zero-length buffer
         }},
        {"a text's block of no stored bytes", RawPackage().Header().EmptyScreens(2, 0).U32(4).U32(0x00000005).bytes,
         State::kDamaged, "text 3 (folder)",
         [](const CPackageInfo& p) {
             EXPECT_EQ(p.m_status.reason, DescribeDecodeError(DecodeError::kEmptyStoredBlock));
         }},
        {"file data beyond the end",
         Screens().U32(1).Str("").U32(1).Str("f").Zeros(3 * kTimeSize).U32(100).Zeros(50).bytes, State::kTruncated,
         "directory 1, file 1: data",
         [](const CPackageInfo& p) {
             ASSERT_EQ(p.m_dirs.size(), 1u);
             ASSERT_EQ(p.m_dirs[0].files.size(), 1u);
             EXPECT_STREQ(p.m_dirs[0].files[0].szName, "f");
             EXPECT_EQ(p.m_dirs[0].files[0].nDataSize, 100);
         }},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.what);
        Loaded p = Load(c.bytes);
        EXPECT_EQ(p->m_status.state, c.state) << p->m_status.reason;
        EXPECT_EQ(p->m_status.where, c.where);
        c.kept(p.package);
    }
}

// A table filled to its capacity is read whole.
TEST(PackageLoader, TablesAtCapacityAreRead) {
    RawPackage raw;
    raw.Header().EmptyScreens().U32(kMaxDirs);
    for (int d = 0; d < kMaxDirs; ++d) {
        raw.Str("d" + std::to_string(d)).U32(d == kMaxDirs - 1 ? kMaxFilesPerDir : 0);
    }
    for (int f = 0; f < kMaxFilesPerDir; ++f) {
        raw.Str("f" + std::to_string(f));
        raw.Zeros(3 * sizeof(PackageTime)).U32(0);
    }
    raw.Str("G").U32(kMaxShortcuts);
    for (int i = 0; i < kMaxShortcuts; ++i) raw.Str("l").Str("t").Str("i").U32(1);
    raw.U32(kMaxCopies);
    for (int i = 0; i < kMaxCopies; ++i) raw.Str("s").Str("d").Str("x");
    raw.U32(kMaxRemoves);
    for (int i = 0; i < kMaxRemoves; ++i) raw.Str("r" + std::to_string(i));
    raw.U32(0);
    Loaded p = Load(raw.bytes);
    ASSERT_TRUE(p->m_status.sound()) << p->m_status.where << ": " << p->m_status.reason;
    ASSERT_EQ(p->m_dirs.size(), static_cast<size_t>(kMaxDirs));
    EXPECT_STREQ(p->m_dirs.back().szName, ("d" + std::to_string(kMaxDirs - 1)).c_str());
    ASSERT_EQ(p->m_dirs.back().files.size(), static_cast<size_t>(kMaxFilesPerDir));
    EXPECT_STREQ(p->m_dirs.back().files.back().szName, ("f" + std::to_string(kMaxFilesPerDir - 1)).c_str());
    EXPECT_EQ(p->m_shortcuts.size(), static_cast<size_t>(kMaxShortcuts));
    EXPECT_EQ(p->m_copies.size(), static_cast<size_t>(kMaxCopies));
    ASSERT_EQ(p->m_removes.size(), static_cast<size_t>(kMaxRemoves));
    EXPECT_STREQ(p->m_removes.back().szPath, ("r" + std::to_string(kMaxRemoves - 1)).c_str());
}

// The uninstaller's name is the loader's to set, not the package's.
TEST(PackageLoader, ReloadingClearsThePreviousPackageAndSetsTheUninstallerName) {
    CPackageInfo package;
    std::vector<uint8_t> full = test::Written(FullPackage());
    MemoryInput first(full.data(), full.size());
    LoadPackage(package, first, 0);
    ASSERT_EQ(package.m_dirs.size(), 3u);
    std::strcpy(package.m_szUninstaller, "other.exe");
    RawPackage small;
    small.Header().EmptyScreens().U32(1).Str("only").U32(0).Str("").U32(0).U32(0).U32(0).U32(0);
    MemoryInput second(small.bytes.data(), small.bytes.size());
    LoadPackage(package, second, 0);
    ASSERT_TRUE(package.m_status.sound());
    ASSERT_EQ(package.m_dirs.size(), 1u);
    EXPECT_STREQ(package.m_dirs[0].szName, "only");
    EXPECT_TRUE(package.m_dirs[0].files.empty());
    EXPECT_TRUE(package.m_shortcuts.empty());
    EXPECT_TRUE(package.m_copies.empty());
    EXPECT_TRUE(package.m_removes.empty());
    EXPECT_STREQ(package.m_szGroup, "");
    EXPECT_STREQ(package.m_szUninstaller, kUninstallerName);
}

}  // namespace
}  // namespace voz
