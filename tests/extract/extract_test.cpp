#include "package/extract.h"

#include "extract/extract_support.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::File;
using test::Gbk;
using test::HasFailureOf;
using test::Installation;
using test::ReadBytes;
using test::Time;

// --- Files and folders -----------------------------------------------------

TEST(ExtractFiles, NestedFoldersAreMadeWhateverTheRecordOrder) {
    PackageSpec spec = test::BaseSpec();
    auto big = test::CompressibleBytes(200000, 7);  // several blocks
    spec.dirs = {{Gbk("行情数据\\上海\\日线"), {File("cu.day", big)}},
                 {Gbk("行情数据"), {File(Gbk("说明.txt"), Bytes("data"))}},
                 {"", {File("VozClient.exe", Bytes("MZ")), File(Gbk("空.txt"), {})}}};
    Installation inst(spec);
    auto failures = inst.Run();
    EXPECT_TRUE(failures.empty()) << test::Describe(failures);
    EXPECT_EQ(ReadBytes(inst.dir() / "行情数据/上海/日线/cu.day"), big);
    EXPECT_EQ(ReadBytes(inst.dir() / "行情数据/说明.txt"), Bytes("data"));
    EXPECT_EQ(ReadBytes(inst.dir() / "VozClient.exe"), Bytes("MZ"));
    EXPECT_TRUE(fs::is_regular_file(inst.dir() / "空.txt"));
    EXPECT_EQ(fs::file_size(inst.dir() / "空.txt"), 0u);
    EXPECT_EQ(test::TreeListing(inst.dir()),
              (std::vector<std::string>{"VozClient.exe", "卸载.exe", "空.txt", "行情数据/", "行情数据/上海/",
                                        "行情数据/上海/日线/", "行情数据/上海/日线/cu.day", "行情数据/说明.txt"}));
}

TEST(ExtractFiles, EveryFileGetsItsRecordedTimes) {
    PackageSpec spec = test::BaseSpec();
    PackFile file = File("a.dat", test::RandomBytes(70000, 3));
    file.creation = Time(2019, 1, 2, 3, 4, 5, 6);
    file.lastAccess = Time(2020, 2, 29, 23, 59, 58, 999);
    file.lastWrite = Time(2021, 12, 31, 0, 0, 1, 250);
    PackFile empty = File("empty.dat", {}, Time(1999, 7, 1, 12, 0, 0, 0));
    spec.dirs = {{"", {file, empty}}};
    Installation inst(spec);
    auto failures = inst.Run();
    ASSERT_TRUE(failures.empty()) << test::Describe(failures);
    auto [access, write] = test::FileTimes(inst.dir() / "a.dat");
    EXPECT_EQ(access, test::UtcMilliseconds(file.lastAccess));
    EXPECT_EQ(write, test::UtcMilliseconds(file.lastWrite));
    auto [emptyAccess, emptyWrite] = test::FileTimes(inst.dir() / "empty.dat");
    EXPECT_EQ(emptyAccess, test::UtcMilliseconds(empty.lastAccess));
    EXPECT_EQ(emptyWrite, test::UtcMilliseconds(empty.lastWrite));
}

TEST(ExtractFiles, ATimeThatIsNoDateIsAFailureButTheFileIsWritten) {
    PackageSpec spec = test::BaseSpec();
    PackFile file = File("a.txt", Bytes("abc"));
    file.lastWrite.wMonth = 13;
    spec.dirs = {{"", {file, File("b.txt", Bytes("b"))}}};
    Installation inst(spec);
    auto failures = inst.Run();
    ASSERT_EQ(failures.size(), 1u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kTimesNotSet, "a.txt"));
    EXPECT_EQ(ReadBytes(inst.dir() / "a.txt"), Bytes("abc"));
    EXPECT_EQ(ReadBytes(inst.dir() / "b.txt"), Bytes("b"));
}

TEST(ExtractFiles, ExistingFilesAreOverwritten) {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"", {File("a.txt", Bytes("new"))}}};
    Installation inst(spec);
    test::WriteText(inst.dir() / "a.txt", "an older and longer text");
    EXPECT_TRUE(inst.Run().empty());
    EXPECT_EQ(ReadBytes(inst.dir() / "a.txt"), Bytes("new"));
}

TEST(ExtractFiles, APackageWithoutFoldersStillGetsItsInstallFolderAndUninstaller) {
    PackageSpec spec = test::BaseSpec();
    spec.uninstaller = Bytes("MZ uninstaller");
    Installation inst(spec);
    // The folders above the install folder are made too.
    inst.SetInstallDir(Gbk((inst.temp() / "深").string()) + "\\" + Gbk("层") + "\\" + Gbk("安装"));
    EXPECT_TRUE(inst.Run().empty());
    auto uninstaller = ReadBytes(inst.temp() / "深/层/安装/卸载.exe");
    ASSERT_GE(uninstaller.size(), 14u);
    EXPECT_EQ(std::vector<uint8_t>(uninstaller.begin(), uninstaller.begin() + 14), Bytes("MZ uninstaller"));
}

TEST(ExtractFiles, WithoutAnInstallFolderNothingIsWritten) {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"", {File("a.txt", Bytes("a"))}}};
    Installation inst(spec);
    inst.SetInstallDir("");
    auto failures = inst.Run();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, FailureKind::kNoInstallFolder);

    test::WriteText(inst.temp() / "file", "x");  // a file where the install folder should be
    inst.SetInstallDir((inst.temp() / "file").string());
    failures = inst.Run();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, FailureKind::kNoInstallFolder);
}

TEST(ExtractFiles, ANameWhoseSecondByteIsABackslashStaysOneName) {
    // 乗 is 0x81 0x5C in GBK: its second byte is a backslash byte, not a separator.
    const std::string name = Gbk("乗");
    ASSERT_EQ(name, "\x81\x5C");
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{name + "\\" + name, {File(name + ".txt", Bytes("x"))}}};
    Installation inst(spec);
    auto failures = inst.Run();
    EXPECT_TRUE(failures.empty()) << test::Describe(failures);
    EXPECT_EQ(ReadBytes(inst.dir() / "乗/乗/乗.txt"), Bytes("x"));
}

TEST(ExtractFiles, CreateDirectoryPathSplitsOnlyAtRealSeparators) {
    test::TempDir temp;
    const std::string base = Gbk(temp.path().string());
    EXPECT_TRUE(CreateDirectoryPath(base + "\\" + Gbk("乗\\子目录/末")));
    EXPECT_TRUE(fs::is_directory(temp / "乗/子目录/末"));
    EXPECT_EQ(test::TreeListing(temp.path()), (std::vector<std::string>{"乗/", "乗/子目录/", "乗/子目录/末/"}));
    EXPECT_TRUE(CreateDirectoryPath(base + "\\" + Gbk("乗")));  // existing folder
    test::WriteText(temp / "file", "x");
    EXPECT_FALSE(CreateDirectoryPath(base + "\\file"));
}

// --- Failures are collected and the installation goes on -------------------

TEST(ExtractFailures, DamagedBlocksLeaveOneFileIncomplete) {
    PackageSpec spec = test::BaseSpec();
    auto good = test::CompressibleBytes(100000, 1);
    spec.dirs = {{"", {File("bad.dat", test::CompressibleBytes(100000, 2)), File("good.dat", good)}}};
    spec.uninstaller = Bytes("MZ");
    Installation inst(spec);
    // The first block's raw size becomes larger than its compressed payload can yield.
    size_t pos = inst.DataPos(0, 0);
    inst.bytes()[pos] = 0xFF;
    inst.bytes()[pos + 1] = 0xFF;
    auto failures = inst.Run();
    ASSERT_EQ(failures.size(), 1u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kDamagedData, "bad.dat"));
    EXPECT_TRUE(fs::exists(inst.dir() / "bad.dat"));
    EXPECT_EQ(ReadBytes(inst.dir() / "good.dat"), good);
    EXPECT_EQ(ReadBytes(inst.dir() / "卸载.exe").size(), 2u + (4 + 8) + (4 + 4) + 4 + 4);
}

TEST(ExtractFailures, AFileThatCannotBeCreatedDoesNotStopTheOthers) {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"", {File("busy", Bytes("x")), File("next.txt", Bytes("y"))}}};
    Installation inst(spec);
    fs::create_directories(inst.dir() / "busy");  // a folder holds the file's name
    int calls = 0;
    ExtractOptions options;
    options.progress = [&](int) { ++calls; };
    auto failures = inst.Run(options);
    ASSERT_EQ(failures.size(), 1u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kFileNotCreated, "busy"));
    EXPECT_EQ(ReadBytes(inst.dir() / "next.txt"), Bytes("y"));
    EXPECT_EQ(calls, 2);
}

// --- Progress -------------------------------------------------------------

TEST(ExtractProgress, RisesToExactly100InStoredBytes) {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"", {File("a", test::RandomBytes(30000, 1)), File("b", {}), File("c", test::RandomBytes(90000, 2))}},
                 {"d", {File("e", test::RandomBytes(1000, 3)), File("z", {})}}};
    Installation inst(spec);
    const auto& files = inst.package().m_dirs;
    uint64_t total = 0;
    std::vector<uint64_t> stored;
    for (int d = 0; d < 2; ++d) {
        for (int f = 0; f < files[d].nFileCount; ++f) {
            stored.push_back(files[d].files[f].nDataSize);
            total += files[d].files[f].nDataSize;
        }
    }
    std::vector<int> seen;
    ExtractOptions options;
    options.progress = [&](int percent) { seen.push_back(percent); };
    ASSERT_TRUE(inst.Run(options).empty());
    std::vector<int> expected;
    uint64_t done = 0;
    for (uint64_t s : stored) {
        done += s;
        expected.push_back(static_cast<int>(done * 100 / total));
    }
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[1], seen[0]);  // an empty file leaves the bar where it was
    EXPECT_EQ(seen[3], 100);      // the last file with stored bytes reaches 100
    EXPECT_EQ(seen[4], 100);
}

TEST(ExtractProgress, IsNotReportedWhenNoFileHasStoredBytes) {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"", {File("a", {}), File("b", {})}}};
    Installation inst(spec);
    int calls = 0;
    ExtractOptions options;
    options.progress = [&](int) { ++calls; };
    EXPECT_TRUE(inst.Run(options).empty());
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(fs::exists(inst.dir() / "b"));
}

// --- Style copies and removals ----------------------------------------------

PackageSpec StyleSpec() {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"", {File("Voz.ini", Bytes("default"))}},
                 {Gbk("配置"),
                  {File(Gbk("全功能Voz.ini"), Bytes("full")), File(Gbk("全功能2nd.ini"), Bytes("full 2nd")),
                   File(Gbk("精简Voz.ini"), Bytes("lite"))}}};
    spec.copies = {{Gbk("配置\\全功能Voz.ini"), "Voz.ini", Gbk("全功能版")},
                   {Gbk("配置\\精简Voz.ini"), "Voz.ini", Gbk("精简版")},
                   {Gbk("配置\\全功能2nd.ini"), "2nd_voz.ini", Gbk("全功能版")}};
    spec.removes = {Gbk("配置")};
    return spec;
}

TEST(ExtractStyles, EveryRecordOfTheChosenLabelIsCarriedOutThenTheFolderGoes) {
    Installation inst(StyleSpec());
    inst.SetStyle(Gbk("全功能版"));
    auto failures = inst.Run();
    EXPECT_TRUE(failures.empty()) << test::Describe(failures);
    EXPECT_EQ(ReadBytes(inst.dir() / "Voz.ini"), Bytes("full"));
    EXPECT_EQ(ReadBytes(inst.dir() / "2nd_voz.ini"), Bytes("full 2nd"));
    EXPECT_FALSE(fs::exists(inst.dir() / "配置"));
}

TEST(ExtractStyles, OnlyTheChosenLabelsRecordsRun) {
    Installation inst(StyleSpec());
    inst.SetStyle(Gbk("精简版"));
    EXPECT_TRUE(inst.Run().empty());
    EXPECT_EQ(ReadBytes(inst.dir() / "Voz.ini"), Bytes("lite"));
    EXPECT_FALSE(fs::exists(inst.dir() / "2nd_voz.ini"));
}

TEST(ExtractStyles, ALabelWithoutRecordsCopiesNothing) {
    Installation inst(StyleSpec());
    inst.SetStyle(Gbk("专业版"));
    EXPECT_TRUE(inst.Run().empty());
    EXPECT_EQ(ReadBytes(inst.dir() / "Voz.ini"), Bytes("default"));
    EXPECT_FALSE(fs::exists(inst.dir() / "2nd_voz.ini"));
}

TEST(ExtractStyles, AMissingSourceIsACopyFailure) {
    PackageSpec spec = StyleSpec();
    spec.copies = {{"nowhere.ini", "Voz.ini", "x"}};
    Installation inst(spec);
    inst.SetStyle("x");
    auto failures = inst.Run();
    ASSERT_EQ(failures.size(), 1u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kCopyFailed, "Voz.ini"));
    EXPECT_EQ(ReadBytes(inst.dir() / "Voz.ini"), Bytes("default"));
}

TEST(ExtractRemovals, EmptyAndMissingEntriesRemoveNothing) {
    PackageSpec spec = StyleSpec();
    spec.removes = {"", Gbk("不存在"), Gbk("配置\\不存在")};
    Installation inst(spec);
    auto failures = inst.Run();
    EXPECT_TRUE(failures.empty()) << test::Describe(failures);
    EXPECT_EQ(ReadBytes(inst.dir() / "Voz.ini"), Bytes("default"));
    EXPECT_TRUE(fs::exists(inst.dir() / "配置/精简Voz.ini"));
}

TEST(ExtractRemovals, AReadOnlyFileKeepsItsFolder) {
    PackageSpec spec = StyleSpec();
    Installation inst(spec);
    test::WriteText(inst.dir() / "配置/只读/锁定.ini", "locked");
    fs::permissions(inst.dir() / "配置/只读/锁定.ini", fs::perms::owner_read | fs::perms::group_read);
    auto failures = inst.Run();
    EXPECT_EQ(failures.size(), 3u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kDeleteFailed, Gbk((inst.dir() / "配置/只读/锁定.ini").string())));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kRemoveFailed, Gbk((inst.dir() / "配置/只读").string())));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kRemoveFailed, Gbk((inst.dir() / "配置").string())));
    EXPECT_EQ(test::TreeListing(inst.dir() / "配置"), (std::vector<std::string>{"只读/", "只读/锁定.ini"}));
}

// --- Names that would leave the install folder -------------------------------

TEST(ExtractUnsafeNames, AreRefusedCountedAndNeverWritten) {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"..", {File("escaped.txt", Bytes("x"))}},
                 {"a\\..\\..", {File("escaped2.txt", Bytes("x"))}},
                 {"C:\\Windows", {File("drive.txt", Bytes("x"))}},
                 {"\\abs", {File("abs.txt", Bytes("x"))}},
                 {"", {File("..\\outside.txt", Bytes("x")), File("C:evil.txt", Bytes("x")), File("x/../../y", Bytes("x")),
                       File("ok.txt", Bytes("ok"))}}};
    Installation inst(spec);
    auto failures = inst.Run();
    // Three refused folders with one file each (folder and file counted), three refused files.
    EXPECT_EQ(failures.size(), 4u * 2 + 3) << test::Describe(failures);
    for (const auto& f : failures) {
        EXPECT_EQ(f.kind, FailureKind::kUnsafeName) << f.path;
    }
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kUnsafeName, "..\\escaped.txt"));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kUnsafeName, "..\\outside.txt"));
    EXPECT_EQ(ReadBytes(inst.dir() / "ok.txt"), Bytes("ok"));
    EXPECT_EQ(test::TreeListing(inst.temp()), (std::vector<std::string>{"安装/", "安装/ok.txt", "安装/卸载.exe"}));
}

TEST(ExtractUnsafeNames, StyleCopiesAndRemovalsStayInside) {
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{"", {File("Voz.ini", Bytes("mine"))}}};
    spec.copies = {{"..\\victim\\secret.txt", "stolen.txt", "s"},
                   {"Voz.ini", "..\\victim\\secret.txt", "s"},
                   {"Voz.ini", "C:\\victim.txt", "s"}};
    spec.removes = {"..\\victim", "..", ".", "a\\..\\..\\victim", "\\victim"};
    Installation inst(spec);
    test::WriteText(inst.temp() / "victim/secret.txt", "secret");
    inst.SetStyle("s");
    auto failures = inst.Run();
    EXPECT_EQ(failures.size(), 3u + 5u) << test::Describe(failures);
    for (const auto& f : failures) {
        EXPECT_EQ(f.kind, FailureKind::kUnsafeName) << f.path;
    }
    EXPECT_EQ(ReadBytes(inst.temp() / "victim/secret.txt"), Bytes("secret"));
    EXPECT_FALSE(fs::exists(inst.dir() / "stolen.txt"));
    EXPECT_EQ(ReadBytes(inst.dir() / "Voz.ini"), Bytes("mine"));
}

TEST(ExtractLongPaths, APathBeyond255BytesIsRefusedNotCut) {
    // With an install folder of exactly 150 bytes, an 80-byte folder name
    // leaves room for a file name of 23 bytes, and a folder name of 105 bytes
    // makes a 256-byte path.
    const std::string folder(80, 'd');
    const std::string fits(23, 'f');
    const std::string tooLong = fits + "x";
    const std::string longFolder = std::string(50, 'e') + "\\" + std::string(54, 'e');
    PackageSpec spec = test::BaseSpec();
    spec.dirs = {{folder, {File(fits, Bytes("fits")), File(tooLong, Bytes("too long"))}},
                 {longFolder, {File("a", Bytes("a"))}}};
    Installation inst(spec);
    std::string base = inst.temp().string() + "/";
    ASSERT_LT(base.size(), 90u);
    base += std::string(150 - base.size(), 'i');
    inst.SetInstallDir(base);
    auto failures = inst.Run();
    ASSERT_EQ(failures.size(), 3u) << test::Describe(failures);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kPathTooLong, folder + "\\" + tooLong));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kPathTooLong, longFolder));
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kPathTooLong, longFolder + "\\a"));
    EXPECT_EQ(test::TreeListing(base), (std::vector<std::string>{folder + "/", folder + "/" + fits, "卸载.exe"}));
}

}  // namespace
}  // namespace voz
