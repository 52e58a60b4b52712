#include "package/install_paths.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace voz {
namespace {

using test::Gbk;

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
