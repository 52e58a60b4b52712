// Text for the user on standard output and standard error, given as UTF-8.
#pragma once

#include <string_view>

namespace voz::os {

enum class Stream { kOutput, kError };

// True when the stream is a terminal or console, not a file, a pipe or the null device.
bool IsTerminal(Stream stream);

// Writes UTF-8 text. A Windows console is given the text as UTF-16, so that
// Chinese names show whatever its code page; a file or a pipe gets the UTF-8
// bytes, with line ends as the C library writes them on the system.
void WriteText(Stream stream, std::string_view utf8);

}  // namespace voz::os
