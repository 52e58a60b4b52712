// Breaking painted texts into lines and composing the browsed install folder.
#include "wizard/text_layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace voz {
namespace {

// GBK: 中 D6 D0, 文 CE C4, 丂 81 40 (a character whose second byte is ASCII).
const std::string kZhong = "\xD6\xD0";
const std::string kWen = "\xCE\xC4";
const std::string kKao = "\x81\x40";

TextLine Line(const std::string& text, size_t maxBytes) { return NextTextLine(text.data(), text.size(), maxBytes); }

std::vector<std::string> Wrap(const std::string& text, size_t maxBytes, int maxLines) {
    std::vector<std::string> lines;
    for (std::string_view line : WrapText(text, maxBytes, maxLines)) {
        lines.emplace_back(line);
    }
    return lines;
}

// A line ends at a line feed (not drawn; a carriage return is an ordinary
// byte), at the width, never inside a double-byte character, or at the end
// of the text, which leaves no next line.
TEST(NextTextLine, EndsAtALineFeedTheWidthOrTheEnd) {
    struct Case {
        std::string text;
        size_t maxBytes, length;
        std::optional<size_t> next;
    };
    const Case cases[] = {
        {"ab\ncd", 10, 2, 3},
        {"a\r\nb", 10, 2, 3},
        {"abc", 10, 3, std::nullopt},
        {"abc\n", 10, 3, std::nullopt},  // a line feed at the very end adds no empty line
        {"abcd\nef", 4, 4, 4},           // a full line leaves its line feed for an empty line
        {kZhong + kWen + kZhong, 5, 4, 4},
        {"ab\xB0", 10, 2, 2},  // a lone lead byte at the end
    };
    for (const Case& c : cases) {
        const TextLine line = Line(c.text, c.maxBytes);
        EXPECT_EQ(line.length, c.length) << testing::PrintToString(c.text);
        EXPECT_EQ(line.next, c.next) << testing::PrintToString(c.text);
    }
}

TEST(WrapText, BreaksIntoNoMoreLinesThanTheAreaHolds) {
    struct Case {
        std::string text;
        size_t maxBytes;
        int maxLines;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"abcd\nef", 4, 5, {"abcd", "", "ef"}},
        {kZhong + kWen + kZhong, 5, 5, {kZhong + kWen, kZhong}},
        // Mixed with ASCII, the cut moves with the characters, not with a byte count's parity.
        {"a" + kZhong + kWen, 4, 5, {"a" + kZhong, kWen}},
        // A character whose second byte is below 0x80 is one character too.
        {"a" + kKao + "b", 2, 5, {"a", kKao, "b"}},
        // A lone lead byte at the end yields empty lines until the area is full.
        {"ab\xB0", 10, 4, {"ab", "", "", ""}},
        {"one\ntwo\nthree", 10, 2, {"one", "two"}},
        {"one", 10, 0, {}},
        {"", 10, 3, {""}},
        // An area narrower than one byte makes empty lines, never an endless loop.
        {"abc", 0, 3, {"", "", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Wrap(c.text, c.maxBytes, c.maxLines), c.lines) << testing::PrintToString(c.text);
    }
}

TEST(ComposeBrowsedFolder, AppendsTheDefaultFoldersLastComponent) {
    EXPECT_EQ(ComposeBrowsedFolder("D:\\Soft", "C:\\Program Files\\Client"), "D:\\Soft\\Client");
    EXPECT_EQ(ComposeBrowsedFolder("D:\\", "C:\\Program Files\\Client"), "D:\\Client");
    // Browsing twice composes from the default each time, never from the field.
    EXPECT_EQ(ComposeBrowsedFolder("D:\\B", "C:\\Program Files\\Client"), "D:\\B\\Client");
    // A default without a backslash is its own last component.
    EXPECT_EQ(ComposeBrowsedFolder("D:\\Soft", "Client"), "D:\\Soft\\Client");
    EXPECT_FALSE(ComposeBrowsedFolder("", "C:\\Client"));
}

TEST(ComposeBrowsedFolder, TakesOnlyRealBackslashesAsSeparators) {
    // 0x5C as the second byte of a double-byte character is no separator.
    const std::string fifthByte = "\x81\x5C";
    EXPECT_EQ(ComposeBrowsedFolder("D:\\" + fifthByte, "C:\\Client"), "D:\\" + fifthByte + "\\Client");
    EXPECT_EQ(ComposeBrowsedFolder("D:\\Soft", "C:\\" + kZhong + fifthByte), "D:\\Soft\\" + kZhong + fifthByte);
}

TEST(ComposeBrowsedFolder, RefusesAResultThatDoesNotFitTheField) {
    const std::string chosen = "D:\\" + std::string(kMaxFolderBytes - 10, 'a');    // 248 bytes
    std::optional<std::string> fits = ComposeBrowsedFolder(chosen, "C:\\Client");  // + "\Client" = 255
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->size(), kMaxFolderBytes);
    EXPECT_FALSE(ComposeBrowsedFolder(chosen + "a", "C:\\Client"));
}

}  // namespace
}  // namespace voz
