// The byte rules of GBK (code page 936) text, the one home of what the core,
// the dialogs and the packer know about it: which bytes form a double-byte
// character, where a path's real separators are, and how long a path may be.
#pragma once

#include <cstddef>
#include <string_view>

namespace voz::gbk {

// The two bytes of a double-byte GBK character: a lead byte 0x81 to 0xFE,
// then a second byte 0x40 to 0xFE other than 0x7F. A second byte may equal an
// ASCII character such as '\\' or '|', which it never stands for.
inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
inline bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Length of the character at pos: 2 for a lead byte followed by a valid
// second byte, else 1 (a lead byte without one counts as a character of its own).
inline size_t CharLength(std::string_view text, size_t pos) {
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
                   IsTrailByte(static_cast<unsigned char>(text[pos + 1]))
               ? 2
               : 1;
}

// The longest path, in bytes, that the setup and the client handle: a
// 256-byte path buffer less its terminating zero.
inline constexpr size_t kMaxPathBytes = 255;

// Position of the last real backslash or slash of a path, or npos. The byte
// after a lead byte belongs to its character, whatever its value, so a
// character whose second byte is 0x5C never counts as a separator.
inline size_t LastSeparator(std::string_view path) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/') {
            last = i;
        }
    }
    return last;
}

}  // namespace voz::gbk
