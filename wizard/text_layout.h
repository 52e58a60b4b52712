// Text handling of the setup's screens that does not depend on Windows:
// breaking a GBK text into painted lines and composing the folder that the
// folder browser puts into the install-folder field.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "os/gbk.h"

namespace voz {

// One painted line: `length` bytes from the line's start are drawn; the line
// after it starts `next` bytes from the line's start, or there is none.
struct TextLine {
    size_t length = 0;
    std::optional<size_t> next;
};

// The next line of `text` (its `count` bytes up to the terminating zero), at
// most `maxBytes` bytes wide. A line feed ends a line and is not drawn; a
// carriage return is an ordinary byte. A double-byte GBK character is never
// split: when it would straddle the width, the line ends before it and the
// character starts the next line. A lead byte at the very end of the text,
// with no second byte, is left for the next line too.
TextLine NextTextLine(const char* text, size_t count, size_t maxBytes);

// The lines of a painted text: NextTextLine from the start of the text on,
// until the text ends or maxLines lines are taken.
std::vector<std::string_view> WrapText(std::string_view text, size_t maxBytes, int maxLines);

// The longest install folder the setup keeps, in GBK bytes.
inline constexpr size_t kMaxFolderBytes = gbk::kMaxPathBytes;

// The folder the browse button puts into the install-folder field: the chosen
// folder, a backslash unless it already ends in one, then the last component
// of the package's default folder (the whole default when it has no
// backslash). Nothing when the chosen folder is empty or the result does not
// fit kMaxFolderBytes: the field is then left as it was rather than cut short.
std::optional<std::string> ComposeBrowsedFolder(std::string_view chosen, std::string_view defaultFolder);

}  // namespace voz
