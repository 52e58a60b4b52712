// A command line split as the setup and the uninstaller read theirs.
#include "os/command_line.h"

#include <gtest/gtest.h>

namespace voz {
namespace {

TEST(CommandLine, QuotesGroupAndTheRestPrefixTakesTheRestOfTheLine) {
    struct Case {
        const char* line;
        const char* restPrefix;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"\"C:\\a b\\setup.exe\" /S /d=C:\\Program Files\\沃兹  \t", "/D=",
         {"C:\\a b\\setup.exe", "/S", "/d=C:\\Program Files\\沃兹"}},
        {"setup.exe \"/STYLE=精简 版\"\t/LOG=\"C:\\my logs\\a.txt\" /D=\"C:\\x y\"", "/D=",
         {"setup.exe", "/STYLE=精简 版", "/LOG=C:\\my logs\\a.txt", "/D=C:\\x y"}},
        {"/D=first.exe /D=C:\\a \"b\"", "/D=", {"/D=first.exe", "/D=C:\\a \"b\""}},
        {"u.exe /S /D=x y", "", {"u.exe", "/S", "/D=x", "y"}},
        {" \t ", "/D=", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(os::SplitCommandLine(c.line, c.restPrefix), c.words) << c.line;
    }
}

}  // namespace
}  // namespace voz
