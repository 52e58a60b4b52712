#include "package/wire.h"

#include <gtest/gtest.h>

#include <cstring>

namespace voz {
namespace {

TEST(Wire, LoadsAndStoresAreLittleEndianAndTouchOnlyTheirWidth) {
    const uint8_t bytes[] = {0x01, 0x82, 0x43, 0xF4, 0x55};
    EXPECT_EQ(LoadLittleEndian16(bytes), 0x8201u);
    EXPECT_EQ(LoadLittleEndian24(bytes), 0x438201u);
    EXPECT_EQ(LoadLittleEndian32(bytes), 0xF4438201u);
    EXPECT_EQ(LoadLittleEndian32(bytes + 1), 0x55F44382u);  // no alignment needed

    uint8_t out[6];
    std::memset(out, 0xEE, sizeof out);
    StoreLittleEndian16(out + 1, 0xA1B2);
    const uint8_t stored16[] = {0xEE, 0xB2, 0xA1, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(std::memcmp(out, stored16, sizeof out), 0);
    StoreLittleEndian32(out + 1, 0x01020304);
    const uint8_t stored32[] = {0xEE, 0x04, 0x03, 0x02, 0x01, 0xEE};
    EXPECT_EQ(std::memcmp(out, stored32, sizeof out), 0);
}

// The byte layout of times is fixed by the golden package (PackageGolden); a
// time cut short must not be read from what is there.
TEST(Wire, ATimeCutShortIsNotRead) {
    const uint8_t bytes[kTimeSize - 1] = {};
    MemoryInput cut(bytes, sizeof bytes);
    PackageTime read{};
    EXPECT_FALSE(ReadPackageTime(cut, read));
}

TEST(Wire, StringsFitTheirFieldOrAreRefused) {
    struct Case {
        std::vector<uint8_t> bytes;
        StringRead result;
        const char* text;
    } cases[] = {
        {{3, 0, 0, 0, 'a', 'b', 'c'}, StringRead::kOk, "abc"},  // 3 bytes fill a 4-byte field
        {{0, 0, 0, 0}, StringRead::kOk, ""},
        {{4, 0, 0, 0, 'a', 'b', 'c', 'd'}, StringRead::kTooLong, ""},  // no room for the terminator
        {{0xFF, 0xFF, 0xFF, 0xFF}, StringRead::kTooLong, ""},          // negative
        {{3, 0, 0, 0, 'a', 'b'}, StringRead::kTruncated, ""},
        {{3, 0, 0}, StringRead::kTruncated, ""},
    };
    for (const Case& c : cases) {
        char field[4] = {'x', 'x', 'x', 'x'};
        MemoryInput in(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(ReadPackageString(field, sizeof field, in), c.result) << c.text;
        EXPECT_STREQ(field, c.text);
    }
}

}  // namespace
}  // namespace voz
