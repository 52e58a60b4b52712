// The support log and the exit codes it ends with, which the README's table
// must list as the programs have them.
#include "package/support_log.h"

#include <gtest/gtest.h>

#include "os/text_encoding.h"
#include "test_support.h"

namespace voz {
namespace {

TEST(SupportLog, EachLineIsOnDiskWholeAsUtf8AndACopyBeginsWithTheLinesSoFar) {
    test::TempDir dir;
    SupportLog log;
    ASSERT_TRUE(log.Open((dir / "log.txt").string()));
    log.Line({"file written: ", test::Gbk("帮助\\使用说明.txt")});
    EXPECT_EQ(test::ReadText(dir / "log.txt"), "file written: 帮助\\使用说明.txt\r\n");  // nothing held back
    log.Line({"bad: \x81", "!"});  // a lead byte without its trail byte
    ASSERT_TRUE(log.CopyTo((dir / "copy.txt").string()));
    log.Utf8Line({"exit ", os::Decimal(4)});
    const std::string all = "file written: 帮助\\使用说明.txt\r\nbad: ?!\r\nexit 4\r\n";
    EXPECT_EQ(test::ReadText(dir / "log.txt"), all);
    EXPECT_EQ(test::ReadText(dir / "copy.txt"), all);

    SupportLog continued;  // another process of the same run
    ASSERT_TRUE(continued.Open((dir / "log.txt").string(), true));
    continued.Utf8Line({"copy"});
    EXPECT_EQ(test::ReadText(dir / "log.txt"), all + "copy\r\n");
    EXPECT_FALSE(SupportLog().Open((dir / "missing/log.txt").string()));
}

TEST(SupportLog, NamesTimesFailuresAndExitCodes) {
    const std::string suffix = test::Gbk("安装日志.txt");
    EXPECT_EQ(LogFileName(test::Gbk("沃兹期货"), suffix), test::Gbk("沃兹期货安装日志.txt"));
    EXPECT_EQ(LogFileName("", suffix), "Voz" + suffix);
    EXPECT_EQ(LogFileName("a\\b", suffix), "Voz" + suffix);
    EXPECT_EQ(std::string_view(TimeText({2024, 12, 6, 7, 9, 5, 3, 999})), "2024-12-07 09:05:03");

    test::TempDir dir;
    SupportLog log;
    ASSERT_TRUE(log.Open((dir / "log.txt").string()));
    LogFailure(log, {"VozClient.exe", FailureKind::kFileNotCreated, "denied", FailureItem::kFile});
    LogFailure(log, {"", FailureKind::kDamagedData, ""});
    LogFailure(log, {"Voz.ini", FailureKind::kWriteFailed, "disk full", FailureItem::kFile, NameCheck::kSafe, 112});
    EXPECT_EQ(LogExitCode(log, kSetupExitCodes, ExitCode::kDoneWithFailures), ExitCode::kDoneWithFailures);
    EXPECT_EQ(test::ReadText(dir / "log.txt"),
              "failed: file not created: VozClient.exe (denied)\r\nfailed: damaged data\r\n"
              "failed: write failed: Voz.ini (error 112: disk full)\r\n"
              "exit code 4 (installed with failures): 安装完成，但有项目未能完成（见日志）\r\n");
}

// The README's table: a row per code, with what each program says of it
// where it returns it.
TEST(ExitCodes, TheReadmeTableIsTheProgramsOwn) {
    auto cell = [](std::span<const ExitCodeMeaning> table, int code) -> std::string {
        for (const ExitCodeMeaning& row : table) {
            if (static_cast<int>(row.code) == code) {
                return " " + std::string(row.english) + ": " + *os::GbkToUtf8(row.text) + " |";
            }
        }
        return " |";
    };
    std::string expected = "| code | setup.exe | 卸载.exe |\n|---|---|---|\n";
    for (int code = 0; code <= static_cast<int>(ExitCode::kNotEnoughSpace); ++code) {
        expected +=
            "| " + std::to_string(code) + " |" + cell(kSetupExitCodes, code) + cell(kUninstallerExitCodes, code) + "\n";
    }
    EXPECT_NE(test::ReadText(std::string(VOZ_SOURCE_DIR) + "/README.md").find(expected), std::string::npos)
        << "README.md should hold:\n"
        << expected;
}

}  // namespace
}  // namespace voz
