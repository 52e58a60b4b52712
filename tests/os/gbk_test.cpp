#include "os/gbk.h"

#include <gtest/gtest.h>

#include <string_view>

namespace voz {
namespace {

using namespace std::string_view_literals;

TEST(GbkCharLength, PairsOnlyALeadByteWithAValidSecondByte) {
    struct Case {
        std::string_view text;
        size_t pos;
        size_t length;
    };
    const Case cases[] = {
        {"a"sv, 0, 1},
        {"\xD6\xD0"sv, 0, 2},  // 中
        {"\x81\x40"sv, 0, 2},  // lowest lead and second byte
        {"\xFE\xFE"sv, 0, 2},  // highest
        {"\x81\x5C"sv, 0, 2},  // a second byte that looks like a backslash
        {"\x81\x7F"sv, 0, 1},  // 0x7F is no second byte
        {"\x81\x3F"sv, 0, 1},  // below the second-byte range
        {"\x80\x40"sv, 0, 1},  // 0x80 and 0xFF are no lead bytes
        {"\xFF\x40"sv, 0, 1},
        {"x\xD6"sv, 1, 1},  // a lead byte at the end stands alone
        {"\xD6\xD0\xD6"sv, 2, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbk::CharLength(c.text, c.pos), c.length) << testing::PrintToString(c.text) << " at " << c.pos;
    }
}

TEST(GbkLastSeparator, SkipsSecondBytes) {
    EXPECT_EQ(gbk::LastSeparator("a\\b/c"), 3u);
    EXPECT_EQ(gbk::LastSeparator("\x81\x5C"), std::string_view::npos);
    EXPECT_EQ(gbk::LastSeparator("a\\\x81\x5C"), 1u);
    EXPECT_EQ(gbk::LastSeparator("name"), std::string_view::npos);
}

}  // namespace
}  // namespace voz
