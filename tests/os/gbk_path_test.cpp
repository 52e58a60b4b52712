#include "os/gbk_path.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace voz {
namespace {

using test::Gbk;

std::string Text(const std::optional<gbk::Path>& path) { return path ? path->text() : "(nothing)"; }

TEST(GbkPath, JoinsWithABackslashWithinTheLimit) {
    const std::string base250(250, 'b');
    struct Case {
        std::string base, name, joined;
    };
    const Case cases[] = {
        {"C:\\d", "x", "C:\\d\\x"},
        {"C:\\d", "", "C:\\d"},  // an empty name adds nothing, not a trailing separator
        {"C:\\d", "a\\b", "C:\\d\\a\\b"},
        {Gbk("C:\\沃兹"), Gbk("配置\\昞.ini"), Gbk("C:\\沃兹\\配置\\昞.ini")},
        {base250, "1234", base250 + "\\1234"},  // exactly 255 bytes
        {base250, "12345", "(nothing)"},        // 256: never cut short into another name
        {std::string(255, 'b'), "", std::string(255, 'b')},
    };
    for (const Case& c : cases) {
        std::optional<gbk::Path> base = gbk::Path::From(c.base);
        ASSERT_TRUE(base) << c.base;
        EXPECT_EQ(Text(base->Join(c.name)), c.joined) << c.base << " + " << c.name;
    }
}

TEST(GbkPath, HoldsAtMost255Bytes) {
    EXPECT_EQ(gbk::kMaxPathBytes, 255u);
    EXPECT_TRUE(gbk::Path::From(std::string(255, 'a')));
    EXPECT_FALSE(gbk::Path::From(std::string(256, 'a')));
    EXPECT_TRUE(gbk::Path().empty());
}

TEST(GbkPath, LeafFollowsTheLastRealSeparator) {
    struct Case {
        std::string path, leaf;
    };
    const Case cases[] = {
        {"C:\\Voz\\bin\\voz.exe", "voz.exe"},
        {"voz.exe", "voz.exe"},
        {"C:\\Voz\\", ""},
        {"a/b", "b"},
        // 昞 is 95 5C: its second byte has a backslash's value and is no separator.
        {Gbk("C:\\期货昞"), Gbk("期货昞")},
        {Gbk("昞"), Gbk("昞")},
        {Gbk("D:\\昞\\表"), Gbk("表")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbk::Path::From(c.path)->Leaf(), c.leaf) << c.path;
    }
}

TEST(GbkPath, NativeFormTurnsOnlyRealBackslashesIntoSeparators) {
    struct Case {
        std::string gbk;
        std::optional<os::NativePath> native;
    };
    const Case cases[] = {
        {Gbk("/opt/沃兹\\乗\\配置"), "/opt/沃兹/乗/配置"},
        {Gbk("/opt/期货昞\\Voz.ini"), "/opt/期货昞/Voz.ini"},
        {"\x81", std::nullopt},  // a lead byte without its second byte is no GBK
        {"/opt/\xFF\\Voz.ini", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbk::Path::From(c.gbk)->ToNative(), c.native) << c.gbk;
    }
}

}  // namespace
}  // namespace voz
