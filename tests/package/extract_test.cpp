#include "package/extract.h"

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <functional>

#include "os/filesystem.h"
#include "package/block_decoder.h"
#include "package/install_paths.h"
#include "package/uninstall_data.h"

#include "package/extract_support.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::AddFolder;
using test::Copy;
using test::File;
using test::Gbk;
using test::HasFailureOf;
using test::Installation;
using test::ReadText;
using test::Remove;

std::string Compressible(size_t size, uint32_t seed) {
    auto bytes = test::CompressibleBytes(size, seed);
    return std::string(bytes.begin(), bytes.end());
}

TEST(ExtractFiles, FoldersInAnyOrderEmptyFilesAndTheInstallFolderItself) {
    PackageSource package = test::BasePackage();
    const std::string big = Compressible(200000, 7);                         // several blocks
    AddFolder(package, Gbk("行情数据\\上海\\日线"), {File("cu.day", big)});  // before its parents
    AddFolder(package, Gbk("行情数据"), {File(Gbk("说明.txt"), "data")});
    AddFolder(package, "", {File("VozClient.exe", "MZ"), File(Gbk("空.txt"), "")});
    Installation inst(package);
    const InstallReport report = inst.Run();
    EXPECT_TRUE(report.installed && !report.earlierFound && report.failures.empty()) << test::Describe(report.failures);
    EXPECT_EQ(ReadText(inst.dir() / "行情数据/上海/日线/cu.day"), big);
    EXPECT_EQ(ReadText(inst.dir() / "行情数据/说明.txt"), "data");
    EXPECT_EQ(ReadText(inst.dir() / "VozClient.exe"), "MZ");
    EXPECT_EQ(test::TreeListing(inst.dir()),
              (std::vector<std::string>{"VozClient.exe", "卸载.exe", "空.txt", "行情数据/", "行情数据/上海/",
                                        "行情数据/上海/日线/", "行情数据/上海/日线/cu.day", "行情数据/说明.txt"}));
}

TEST(ExtractFiles, EveryFileGetsItsRecordedTimesAndAnImpossibleDateIsAFailure) {
    PackageSource package = test::BasePackage();
    AddFolder(package, "",
              {File("a.dat", Compressible(70000, 3)), File("empty.dat", "", PackageTime{1999, 7, 4, 1, 12, 0, 0, 0}),
               File("bad.dat", "abc")});
    PackageFile& file = package.record.m_dirs[0].files[0];
    file.stLastAccess = PackageTime{2020, 2, 6, 29, 23, 59, 58, 999};
    file.stLastWrite = PackageTime{2021, 12, 5, 31, 0, 0, 1, 250};
    const PackageFile& empty = package.record.m_dirs[0].files[1];
    package.record.m_dirs[0].files[2].stLastWrite.wMonth = 13;
    Installation inst(package);
    const InstallReport report = inst.Run();
    const auto& failures = report.failures;
    EXPECT_TRUE(report.installed) << "a time not set leaves the file whole";
    ASSERT_EQ(failures.size(), 1u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kTimesNotSet, "bad.dat"));
    EXPECT_EQ(ReadText(inst.dir() / "bad.dat"), "abc");
    EXPECT_EQ(test::FileTimes(inst.dir() / "a.dat"),
              std::make_pair(test::UtcMilliseconds(file.stLastAccess), test::UtcMilliseconds(file.stLastWrite)));
    EXPECT_EQ(test::FileTimes(inst.dir() / "empty.dat"),
              std::make_pair(test::UtcMilliseconds(empty.stLastAccess), test::UtcMilliseconds(empty.stLastWrite)));
}

TEST(ExtractFiles, ThePackageWithoutFoldersStillGetsItsInstallFolderWithParents) {
    PackageSource package = test::BasePackage();
    package.uninstaller = {'M', 'Z'};
    Installation inst(package);
    inst.SetInstallDir(Gbk((inst.temp() / "深").string()) + "\\" + Gbk("层\\安装"));
    EXPECT_TRUE(inst.Run().failures.empty());
    EXPECT_EQ(ReadText(inst.temp() / "深/层/安装/卸载.exe").substr(0, 2), "MZ");

    inst.SetInstallDir("");
    const InstallReport report = inst.Run();
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].kind, FailureKind::kNoInstallFolder);
    EXPECT_FALSE(report.installed);
}

TEST(ExtractFiles, SplitsOnlyAtRealBackslashes) {
    // 乗 is 0x81 0x5C in GBK: its second byte is a backslash byte, not a separator.
    const std::string name = Gbk("乗");
    ASSERT_EQ(name, "\x81\x5C");
    PackageSource package = test::BasePackage();
    AddFolder(package, name + "\\" + name, {File(name + ".txt", "x")});
    Installation inst(package);
    EXPECT_TRUE(inst.Run().failures.empty());
    EXPECT_EQ(test::TreeListing(inst.dir()), (std::vector<std::string>{"乗/", "乗/乗/", "乗/乗/乗.txt", "卸载.exe"}));
    EXPECT_TRUE(CreateDirectoryPath(Gbk(inst.dir().string()) + "\\" + Gbk("乗\\子/末")));
    EXPECT_TRUE(fs::is_directory(inst.dir() / "乗/子/末"));
}

// How a later file of a larger package is spoilt: its record or its bytes in
// the setup file are changed, its place in the install folder is taken, or
// the disk fills while it is written.
struct MidwayCase {
    const char* what;
    std::function<void(std::vector<uint8_t>& setup, PackageFile& file, const fs::path& installDir)> spoil;
    FailureKind kind;
    std::string detail;
    uint32_t error;  // the system's code, 0 where the failure is not the system's
};

// Enough files that the decoding runs well ahead of the writing when one near
// the end fails: that file alone is reported, with the reason it gave when
// each file was decoded straight into its output, and every file written
// before it goes again, the uninstaller never written; the install folder
// keeps only what was in it before.
TEST(ExtractFailures, AFileThatFailsPartWayStopsTheInstallationAndEverythingWrittenGoes) {
    constexpr int kFiles = 10;
    constexpr int kSpoilt = 7;
    constexpr rlim_t kDiskFull = 200000;  // more than every file but the spoilt one
    const MidwayCase cases[] = {
        {"its third block starts with a match",
         [](std::vector<uint8_t>& setup, PackageFile& file, const fs::path&) {
             size_t block = static_cast<size_t>(file.nDataPos);
             for (int skip = 0; skip < 2; ++skip) {
                 block += kBlockHeaderSize + (setup[block + 2] | setup[block + 3] << 8);
             }
             setup[block + kBlockHeaderSize] = 0xFF;
         },
         FailureKind::kDamagedData, DescribeDecodeError(DecodeError::kMatchFirst), 0},
        {"its blocks lie beyond the end of the setup file",
         [](std::vector<uint8_t>& setup, PackageFile& file, const fs::path&) {
             file.nDataPos = static_cast<int32_t>(setup.size() + 1);
         },
         FailureKind::kDamagedData, "the data lies beyond the end of the setup file", 0},
        {"a folder stands where it goes",
         [](std::vector<uint8_t>&, PackageFile&, const fs::path& installDir) {
             fs::create_directories(installDir / "f7.dat" / "mine");
         },
         FailureKind::kFileNotCreated, os::ErrorText(EEXIST), EEXIST},
        {"the disk fills while it is written",
         [](std::vector<uint8_t>&, PackageFile&, const fs::path&) {
             signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{kDiskFull, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
         },
         FailureKind::kWriteFailed, os::ErrorText(EFBIG), EFBIG},
    };
    PackageSource package = test::BasePackage();
    std::vector<test::TestFile> files;
    for (int i = 0; i < kFiles; ++i) {
        const size_t size = i == kSpoilt ? 2 * kDiskFull : 140000;  // three blocks and more
        files.push_back(File("f" + std::to_string(i) + ".dat", Compressible(size, static_cast<uint32_t>(i))));
    }
    AddFolder(package, "", files);
    Installation inst(package);
    const std::vector<uint8_t> sound = inst.bytes();
    for (const MidwayCase& c : cases) {
        inst.bytes() = sound;
        MemoryInput reload(sound.data(), sound.size());
        LoadPackage(inst.package(), reload, 0);
        const fs::path dir = inst.temp() / c.what;
        inst.SetInstallDir(Gbk(dir.string()));
        c.spoil(inst.bytes(), inst.package().m_dirs[0].files[kSpoilt], dir);
        const std::vector<std::string> before = fs::exists(dir) ? test::TreeListing(dir) : std::vector<std::string>{};
        std::vector<std::string> written;
        ExtractOptions options;
        options.observe = [&](const InstallEvent& event) {
            if (event.kind == InstallEvent::Kind::kFileWritten) {
                written.emplace_back(event.path);
            }
        };
        const InstallReport report = inst.Run(options);
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_FALSE(report.installed || report.earlierFound) << c.what;
        ASSERT_EQ(report.failures.size(), 1u) << c.what << "\n" << test::Describe(report.failures);
        const ExtractFailure& failure = report.failures[0];
        EXPECT_EQ(failure.path, "f7.dat") << c.what;
        EXPECT_EQ(failure.kind, c.kind) << c.what;
        EXPECT_EQ(failure.detail, c.detail) << c.what;
        EXPECT_EQ(failure.error, c.error) << c.what;
        EXPECT_EQ(written.size(), static_cast<size_t>(kSpoilt)) << c.what;
        EXPECT_EQ(fs::exists(dir) ? test::TreeListing(dir) : std::vector<std::string>{}, before) << c.what;
    }
}

TEST(ExtractFailures, AnAppListEntryNotWrittenCarriesTheRegistrarsOwnReason) {
    PackageSource package = test::BasePackage();
    AddFolder(package, "", {File("VozClient.exe", "MZ")});
    Installation inst(package);
    ExtractOptions options;
    options.registerApp = [](const os::AppListEntry&, std::string& failure) {
        failure = "access denied";
        return false;
    };
    errno = ENOSPC;  // an earlier, unrelated failure must not be reported instead
    const InstallReport report = inst.Run(options);
    const auto& failures = report.failures;
    EXPECT_TRUE(report.installed) << "the entry is made after the files are in place";
    ASSERT_EQ(failures.size(), 1u) << test::Describe(failures);
    EXPECT_EQ(failures[0].kind, FailureKind::kAppListNotWritten);
    EXPECT_EQ(failures[0].detail, "access denied");
}

TEST(ExtractProgress, CountsStoredBytesAndEndsAtExactly100) {
    PackageSource package = test::BasePackage();
    AddFolder(package, "", {File("a", Compressible(30000, 1)), File("b", ""), File("c", Compressible(90000, 2))});
    AddFolder(package, "d", {File("e", Compressible(1000, 3)), File("z", "")});
    Installation inst(package);
    uint64_t total = 0;
    std::vector<uint64_t> done;
    for (int d = 0; d < 2; ++d) {
        for (const PackageFile& file : inst.package().m_dirs[d].files) {
            done.push_back(total += static_cast<uint64_t>(file.nDataSize));
        }
    }
    std::vector<int> expected;  // each share once
    for (uint64_t n : done) {
        if (expected.empty() || expected.back() != static_cast<int>(n * 100 / total)) {
            expected.push_back(static_cast<int>(n * 100 / total));
        }
    }
    std::vector<int> seen;
    ExtractOptions options;
    options.progress = [&](int percent) { seen.push_back(percent); };
    ASSERT_TRUE(inst.Run(options).failures.empty());
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(seen.size(), 3u) << "the empty file leaves the bar where it was and is not reported";
    EXPECT_EQ(seen.back(), 100);

    // Without stored bytes there is no percentage to report.
    PackageSource emptyFiles = test::BasePackage();
    AddFolder(emptyFiles, "", {File("a", ""), File("b", "")});
    Installation empty(emptyFiles);
    seen.clear();
    EXPECT_TRUE(empty.Run(options).failures.empty());
    EXPECT_TRUE(seen.empty());
}

PackageSource StylePackage() {
    PackageSource package = test::BasePackage();
    AddFolder(package, "", {File("Voz.ini", "default")});
    AddFolder(package, Gbk("配置"),
              {File("full.ini", "full"), File("full2.ini", "full 2nd"), File("lite.ini", "lite")});
    package.record.m_copies = {Copy(Gbk("配置\\full.ini"), "Voz.ini", Gbk("全功能版")),
                               Copy(Gbk("配置\\lite.ini"), "Voz.ini", Gbk("精简版")),
                               Copy(Gbk("配置\\full2.ini"), "2nd_voz.ini", Gbk("全功能版"))};
    package.record.m_removes = {Remove(Gbk("配置"))};
    return package;
}

// Each style copies every record of its label and no other, an unknown label
// none; the folder of style files is removed each time.
TEST(ExtractChoice, OneLoadedPackageInstallsIntoSeveralFoldersWithItsStyles) {
    Installation inst(StylePackage());
    struct Case {
        const char* folder;
        const char* style;
        const char* voz;
        const char* second;  // 2nd_voz.ini, "" when not there
    };
    for (const Case& c : {Case{"全功能", "全功能版", "full", "full 2nd"}, Case{"精简", "精简版", "lite", ""},
                          Case{"专业", "专业版", "default", ""}}) {
        const fs::path dir = inst.temp() / c.folder;
        inst.SetInstallDir(Gbk(dir.string()));
        inst.SetStyle(Gbk(c.style));
        auto failures = inst.Run().failures;
        EXPECT_TRUE(failures.empty()) << test::Describe(failures);
        EXPECT_EQ(ReadText(dir / "Voz.ini"), c.voz) << c.style;
        EXPECT_EQ(fs::exists(dir / "2nd_voz.ini") ? ReadText(dir / "2nd_voz.ini") : "", c.second) << c.style;
        EXPECT_FALSE(fs::exists(dir / "配置")) << c.style;
    }
    EXPECT_FALSE(fs::exists(inst.dir()));  // the default chosen folder was never used
}

TEST(ExtractRemovals, EmptyAndMissingEntriesRemoveNothing) {
    PackageSource package = StylePackage();
    package.record.m_removes = {Remove(""), Remove(Gbk("不存在")), Remove(Gbk("配置\\不存在"))};
    Installation inst(package);
    EXPECT_TRUE(inst.Run().failures.empty());
    EXPECT_EQ(test::TreeListing(inst.dir() / "配置"), (std::vector<std::string>{"full.ini", "full2.ini", "lite.ini"}));
}

TEST(ExtractRemovals, AReadOnlyFileKeepsItsFoldersAndIsReported) {
    Installation inst(StylePackage());
    test::WriteText(inst.dir() / "配置/只读/锁定.ini", "locked");
    fs::permissions(inst.dir() / "配置/只读/锁定.ini", fs::perms::owner_read);
    auto failures = inst.Run().failures;
    EXPECT_EQ(failures.size(), 3u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kDeleteFailed, Gbk((inst.dir() / "配置/只读/锁定.ini").string())));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kRemoveFailed, Gbk((inst.dir() / "配置").string())));
    EXPECT_EQ(test::TreeListing(inst.dir() / "配置"), (std::vector<std::string>{"只读/", "只读/锁定.ini"}));
}

// Refused names of folders and files stop the installation before anything
// is written; every one of them is named.
TEST(ExtractUnsafeNames, RefusedFoldersAndFilesStopTheInstallationBeforeItWrites) {
    PackageSource package = test::BasePackage();
    AddFolder(package, "..", {File("escaped.txt", "x")});
    AddFolder(package, "C:\\Windows", {File("drive.txt", "x")});
    AddFolder(package, "", {File("..\\outside.txt", "x"), File("x/../../y", "x"), File("Voz.ini", "mine")});
    Installation inst(package);
    const InstallReport report = inst.Run();
    EXPECT_FALSE(report.installed);
    // Two folders and their files, two files.
    EXPECT_EQ(report.failures.size(), 4u + 2) << test::Describe(report.failures);
    for (const auto& f : report.failures) {
        EXPECT_EQ(f.kind, FailureKind::kUnsafeName) << f.path;
    }
    EXPECT_TRUE(HasFailureOf(report.failures, FailureKind::kUnsafeName, "..\\escaped.txt"));
    EXPECT_FALSE(fs::exists(inst.temp() / "安装"));
}

// Refused style copies and removals are reported; nothing outside the
// install folder is read, written or deleted.
TEST(ExtractUnsafeNames, CopiesAndRemovalsNeverLeaveTheInstallFolder) {
    PackageSource package = test::BasePackage();
    AddFolder(package, "", {File("Voz.ini", "mine")});
    package.record.m_copies = {Copy("..\\victim\\secret.txt", "stolen.txt", "s"),
                               Copy("Voz.ini", "..\\victim\\secret.txt", "s")};
    package.record.m_removes = {Remove("..\\victim"), Remove("."), Remove("a\\..\\..\\victim"), Remove("\\victim")};
    Installation inst(package);
    test::WriteText(inst.temp() / "victim/secret.txt", "secret");
    inst.SetStyle("s");
    const InstallReport report = inst.Run();
    EXPECT_TRUE(report.installed);
    EXPECT_EQ(report.failures.size(), 2u + 4) << test::Describe(report.failures);  // two copies, four removals
    for (const auto& f : report.failures) {
        EXPECT_EQ(f.kind, FailureKind::kUnsafeName) << f.path;
    }
    EXPECT_EQ(test::TreeListing(inst.temp()),
              (std::vector<std::string>{"victim/", "victim/secret.txt", "安装/", "安装/Voz.ini", "安装/卸载.exe"}));
}

TEST(ExtractLongPaths, APathBeyond255BytesIsRefusedNotCut) {
    // Under a 150-byte install folder an 80-byte folder leaves 23 bytes for a
    // file name, and a 105-byte folder name makes a 256-byte path.
    const std::string folder(80, 'd');
    const std::string fits(23, 'f');
    const std::string longFolder = std::string(50, 'e') + "\\" + std::string(54, 'e');
    PackageSource package = test::BasePackage();
    AddFolder(package, folder, {File(fits, "fits"), File(fits + "x", "too long")});
    AddFolder(package, longFolder, {File("a", "a")});
    Installation inst(package);
    std::string base = inst.temp().string() + "/";
    ASSERT_LT(base.size(), 90u);
    base += std::string(150 - base.size(), 'i');
    inst.SetInstallDir(base);
    const InstallReport report = inst.Run();
    const auto& failures = report.failures;
    EXPECT_FALSE(report.installed);
    ASSERT_EQ(failures.size(), 3u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kPathTooLong, folder + "\\" + fits + "x"));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kPathTooLong, longFolder));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kPathTooLong, longFolder + "\\a"));
    EXPECT_FALSE(fs::exists(base));
}

}  // namespace
}  // namespace voz
