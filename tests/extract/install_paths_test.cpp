#include "package/install_paths.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace voz {
namespace {

using test::Gbk;

TEST(CheckRelativePath, AcceptsNamesAndNestedPaths) {
    for (const std::string& name : {std::string("Voz.ini"), Gbk("配置\\全功能Voz.ini"), Gbk("行情数据/上海/cu.day"),
                                    std::string(".hidden"), std::string("a..b"), Gbk("乗\\乗"), std::string("CONFIG.SYS"),
                                    std::string("com10"), std::string("x y")}) {
        EXPECT_EQ(CheckRelativePath(name), NameCheck::kSafe) << name;
    }
}

TEST(CheckRelativePath, RefusesWhatWouldLeaveTheFolder) {
    for (const std::string& name : {"..", ".", "...", ". .", "..\\x", "a\\..\\..\\x", "a/../../x", "\\x", "/x",
                                    "\\\\server\\share\\x", "C:\\x", "C:x", "x:y", "file.txt:stream"}) {
        EXPECT_EQ(CheckRelativePath(name), NameCheck::kLeavesFolder) << name;
    }
}

TEST(CheckRelativePath, RefusesNamesWindowsCannotHold) {
    EXPECT_EQ(CheckRelativePath(""), NameCheck::kEmpty);
    for (const char* name : {"a\\\\b", "a\\", "a*b", "a?", "a|b", "a<b>", "a\"b", "a\tb"}) {
        EXPECT_EQ(CheckRelativePath(name), NameCheck::kBadCharacter) << name;
    }
    EXPECT_EQ(CheckRelativePath("name."), NameCheck::kTrailingDot);
    EXPECT_EQ(CheckRelativePath("dir \\x"), NameCheck::kTrailingDot);
    for (const char* name : {"NUL", "a\\con.txt", "Com1", "LPT9.log", "aux .x"}) {
        EXPECT_EQ(CheckRelativePath(name), NameCheck::kDeviceName) << name;
    }
}

TEST(CheckRelativePath, ReadsDoubleByteCharactersWhole) {
    // A lead byte takes the next byte as its second half, whatever it is...
    EXPECT_EQ(CheckRelativePath("\x81\x5C.txt"), NameCheck::kSafe);
    EXPECT_EQ(CheckRelativePath("\x81\x7C"), NameCheck::kSafe);  // 亅: its second byte is '|'
    // ...so a lead byte cannot hide a separator or a colon that a decoder would not accept.
    EXPECT_EQ(CheckRelativePath("\x81/..\\x"), NameCheck::kNotGbk);
    EXPECT_EQ(CheckRelativePath("\x81:"), NameCheck::kNotGbk);
    EXPECT_EQ(CheckRelativePath("\x81"), NameCheck::kNotGbk);
}

TEST(LastSeparator, SkipsSecondBytes) {
    EXPECT_EQ(LastSeparator("a\\b/c"), 3u);
    EXPECT_EQ(LastSeparator("\x81\x5C"), std::string_view::npos);
    EXPECT_EQ(LastSeparator("a\\\x81\x5C"), 1u);
}

TEST(JoinPath, FitsIn255BytesOrGivesNothing) {
    EXPECT_EQ(JoinPath("C:\\d", "x"), "C:\\d\\x");
    EXPECT_EQ(JoinPath("C:\\d", ""), "C:\\d");
    std::string base(250, 'b');
    EXPECT_EQ(JoinPath(base, "1234")->size(), 255u);
    EXPECT_FALSE(JoinPath(base, "12345"));
    EXPECT_FALSE(JoinPath(std::string(256, 'b'), ""));
}

TEST(ToNativePath, ConvertsGbkAndTurnsBackslashesIntoSeparators) {
    os::NativePath native;
    ASSERT_TRUE(ToNativePath(Gbk("/opt/沃兹\\乗\\配置"), native));
    EXPECT_EQ(native, "/opt/沃兹/乗/配置");
    EXPECT_FALSE(ToNativePath("\x81", native));
}

}  // namespace
}  // namespace voz
