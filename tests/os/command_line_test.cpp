// What the setup and the uninstaller read from their command lines besides
// the words the system splits them into.
#include "os/command_line.h"

#include <gtest/gtest.h>

namespace voz {
namespace {

TEST(CommandLine, TheLastFolderSwitchTakesTheRestOfTheLine) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"\"C:\\a /D=b\\setup.exe\" /S /d=C:\\Program Files\\沃兹  \t", "C:\\Program Files\\沃兹"},
        {"setup.exe \"/D=C:\\x y\"", "C:\\x y"},
        {"setup.exe /D=\"C:\\x y\" ", "C:\\x y"},
        {"setup.exe /D=C:\\a /D=C:\\b \"c\"", "C:\\b \"c\""},
        {"setup.exe /S/D=C:\\a", std::nullopt},
        {"/D=C:\\setup.exe", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, value] : cases) {
        EXPECT_EQ(os::ValueToLineEnd(line, "/D="), value) << line;
    }
    EXPECT_TRUE(os::HasSwitchPrefix("/log=x", "/LOG="));
    EXPECT_FALSE(os::HasSwitchPrefix("/LO", "/LOG="));
}

}  // namespace
}  // namespace voz
