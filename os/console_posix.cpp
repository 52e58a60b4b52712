#include <unistd.h>

#include <cstdio>

#include "os/console.h"

namespace voz::os {

bool IsTerminal(Stream stream) { return isatty(stream == Stream::kOutput ? STDOUT_FILENO : STDERR_FILENO) == 1; }

void WriteText(Stream stream, std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream == Stream::kOutput ? stdout : stderr);
}

}  // namespace voz::os
