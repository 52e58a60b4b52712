// Breaking painted texts into lines and composing the browsed install folder.
#include "wizard/text_layout.h"

#include <gtest/gtest.h>

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

TEST(NextTextLine, ALineFeedEndsALineAndIsNotDrawn) {
    TextLine line = Line("ab\ncd", 10);
    EXPECT_EQ(line.length, 2u);
    ASSERT_TRUE(line.next);
    EXPECT_EQ(*line.next, 3u);
    // A carriage return is an ordinary byte of the line.
    EXPECT_EQ(Line("a\r\nb", 10).length, 2u);
}

TEST(NextTextLine, TheEndOfTheTextLeavesNoNextLine) {
    TextLine whole = Line("abc", 10);
    EXPECT_EQ(whole.length, 3u);
    EXPECT_FALSE(whole.next);
    // A line feed at the very end adds no empty line.
    TextLine trailing = Line("abc\n", 10);
    EXPECT_EQ(trailing.length, 3u);
    EXPECT_FALSE(trailing.next);
}

TEST(NextTextLine, AFullLineStopsAtTheWidthAndLeavesItsLineFeedForAnEmptyLine) {
    TextLine full = Line("abcd\nef", 4);
    EXPECT_EQ(full.length, 4u);
    ASSERT_TRUE(full.next);
    EXPECT_EQ(*full.next, 4u);
    EXPECT_EQ(Wrap("abcd\nef", 4, 5), (std::vector<std::string>{"abcd", "", "ef"}));
}

TEST(NextTextLine, ADoubleByteCharacterIsNeverSplit) {
    const std::string run = kZhong + kWen + kZhong;  // six bytes
    TextLine odd = Line(run, 5);
    EXPECT_EQ(odd.length, 4u);
    ASSERT_TRUE(odd.next);
    EXPECT_EQ(*odd.next, 4u);
    EXPECT_EQ(Wrap(run, 5, 5), (std::vector<std::string>{kZhong + kWen, kZhong}));
    // Mixed with ASCII, the cut moves with the characters, not with a byte count's parity.
    EXPECT_EQ(Wrap("a" + kZhong + kWen, 4, 5), (std::vector<std::string>{"a" + kZhong, kWen}));
    // A character whose second byte is below 0x80 is one character too.
    EXPECT_EQ(Wrap("a" + kKao + "b", 2, 5), (std::vector<std::string>{"a", kKao, "b"}));
}

TEST(NextTextLine, ALoneLeadByteAtTheEndYieldsEmptyLinesUntilTheAreaIsFull) {
    const std::string text = "ab\xB0";
    TextLine first = Line(text, 10);
    EXPECT_EQ(first.length, 2u);
    ASSERT_TRUE(first.next);
    EXPECT_EQ(*first.next, 2u);
    EXPECT_EQ(Wrap(text, 10, 4), (std::vector<std::string>{"ab", "", "", ""}));
}

TEST(WrapText, DrawsNoMoreLinesThanTheAreaHolds) {
    EXPECT_EQ(Wrap("one\ntwo\nthree", 10, 2), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(Wrap("one", 10, 0).empty());
    EXPECT_EQ(Wrap("", 10, 3), (std::vector<std::string>{""}));
    // An area narrower than one byte makes empty lines, never an endless loop.
    EXPECT_EQ(Wrap("abc", 0, 3), (std::vector<std::string>{"", "", ""}));
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
    const std::string chosen = "D:\\" + std::string(kMaxFolderBytes - 10, 'a');  // 248 bytes
    std::optional<std::string> fits = ComposeBrowsedFolder(chosen, "C:\\Client");  // + "\Client" = 255
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->size(), kMaxFolderBytes);
    EXPECT_FALSE(ComposeBrowsedFolder(chosen + "a", "C:\\Client"));
}

}  // namespace
}  // namespace voz
