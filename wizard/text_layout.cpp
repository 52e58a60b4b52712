#include "wizard/text_layout.h"

#include "os/gbk.h"

namespace voz {

namespace {

using gbk::IsLeadByte;
using gbk::IsTrailByte;

// Where the last component of a GBK path starts: after its last real
// backslash, or 0. A backslash byte that is the second byte of a character is
// part of that character.
size_t LeafStart(std::string_view path, bool& endsWithBackslash) {
    size_t start = 0;
    endsWithBackslash = false;
    for (size_t i = 0; i < path.size(); i += gbk::CharLength(path, i)) {
        endsWithBackslash = gbk::CharLength(path, i) == 1 && path[i] == '\\';
        if (endsWithBackslash) {
            start = i + 1;
        }
    }
    return start;
}

}  // namespace

TextLine NextTextLine(const char* text, size_t count, size_t maxBytes) {
    const size_t limit = count < maxBytes ? count : maxBytes;
    size_t i = 0;
    while (i < limit) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b == '\n') {
            TextLine line{i, std::nullopt};
            if (i + 1 < count) {
                line.next = i + 1;
            }
            return line;
        }
        if (IsLeadByte(b)) {
            if (i + 1 >= count) {
                break;  // a lone lead byte at the end moves to the next line
            }
            if (IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
                if (i + 2 > limit) {
                    break;  // the character would straddle the width
                }
                i += 2;
                continue;
            }
        }
        ++i;
    }
    TextLine line{i, std::nullopt};
    if (i < count) {
        line.next = i;
    }
    return line;
}

std::vector<std::string_view> WrapText(std::string_view text, size_t maxBytes, int maxLines) {
    std::vector<std::string_view> lines;
    size_t position = 0;
    while (static_cast<int>(lines.size()) < maxLines) {
        const TextLine line = NextTextLine(text.data() + position, text.size() - position, maxBytes);
        lines.push_back(text.substr(position, line.length));
        if (!line.next) {
            break;
        }
        position += *line.next;
    }
    return lines;
}

std::optional<std::string> ComposeBrowsedFolder(std::string_view chosen, std::string_view defaultFolder) {
    if (chosen.empty()) {
        return std::nullopt;
    }
    bool defaultEnds = false;
    std::string_view leaf = defaultFolder.substr(LeafStart(defaultFolder, defaultEnds));
    bool chosenEnds = false;
    LeafStart(chosen, chosenEnds);
    std::string result(chosen);
    if (!chosenEnds) {
        result += '\\';
    }
    result += leaf;
    if (result.size() > kMaxFolderBytes) {
        return std::nullopt;
    }
    return result;
}

}  // namespace voz
