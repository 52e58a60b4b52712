// The setup's command line: its switches, and what a silent installation
// makes of them or refuses.
#include "wizard/setup_arguments.h"

#include <gtest/gtest.h>

#include <cstring>

#include "package/exit_codes.h"
#include "test_support.h"

namespace voz {
namespace {

// The line split at its blanks, as the system splits one without quotes.
std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    for (size_t at = 0; at != std::string_view::npos;) {
        const size_t end = line.find(' ', at);
        words.emplace_back(line.substr(at, end - at));
        at = end == std::string_view::npos ? end : end + 1;
    }
    return words;
}

TEST(SetupArguments, SwitchesAreReadWithoutCaseAndOthersKept) {
    const char* line = "s.exe /s /? /LOG=C:\\l.txt /order=1 -x /D=C:\\a b";
    const SetupArguments arguments = ParseSetupArguments(Words(line), line);
    EXPECT_TRUE(arguments.silent);
    EXPECT_TRUE(arguments.help);
    EXPECT_EQ(arguments.log, "C:\\l.txt");
    EXPECT_EQ(arguments.order, "1");
    EXPECT_EQ(arguments.folder, "C:\\a b");
    EXPECT_EQ(arguments.unknown, std::vector<std::string>{"-x"});
}

TEST(SetupArguments, SilentChoiceTakesTheDefaultsOrTheSwitchesAndRefusesWhatThePagesWould) {
    CPackageInfo package;
    for (const char* style : {"全功能版", "精简版", "全功能版"}) {
        std::strcpy(package.m_copies.emplace_back().szStyle, test::Gbk(style).c_str());
    }
    package.m_nDefaultOrderSoftware = 1;
    struct Case {
        const char* line;
        const char* refused;  // the start of the reason, or null
        const char* folder;
        const char* style;
        int order;
    };
    const Case cases[] = {
        {"s.exe /S", nullptr, "C:\\沃兹期货", "全功能版", 1},
        {"s.exe /S /STYLE=精简版 /ORDER=3 /D=D:\\静默 安装", nullptr, "D:\\静默 安装", "精简版", 3},
        {"s.exe /S /X", "unknown argument"},
        {"s.exe /S /D=relative", "install folder refused: "},
        {"s.exe /S /D=C:\\😀", "install folder refused: "},
        {"s.exe /S /STYLE=豪华版", "install style refused"},
        {"s.exe /S /ORDER=4", "order software refused"},
    };
    for (const Case& c : cases) {
        SilentChoice chosen;
        const ArgumentProblem problem =
            ChooseSilently(ParseSetupArguments(Words(c.line), c.line), package, test::Gbk("C:\\沃兹期货"), chosen);
        if (c.refused != nullptr) {
            EXPECT_TRUE(problem.what != nullptr && std::strncmp(problem.what, c.refused, std::strlen(c.refused)) == 0)
                << c.line;
            continue;
        }
        EXPECT_EQ(problem.what, nullptr) << c.line << ": " << (problem.what != nullptr ? problem.what : "");
        EXPECT_EQ(chosen.choice.folder.text(), test::Gbk(c.folder)) << c.line;
        EXPECT_EQ(chosen.choice.style, test::Gbk(c.style)) << c.line;
        EXPECT_EQ(chosen.orderSoftware, c.order) << c.line;
    }
}

TEST(SetupArguments, HelpListsEveryExitCode) {
    const std::string help = SetupHelpText();
    for (const ExitCodeMeaning& row : kSetupExitCodes) {
        EXPECT_NE(help.find("\r\n" + std::to_string(static_cast<int>(row.code)) + '\t' + row.text), std::string::npos);
    }
}

}  // namespace
}  // namespace voz
