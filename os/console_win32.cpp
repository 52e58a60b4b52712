#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "os/console.h"
#include "os/text_encoding.h"

namespace voz::os {

namespace {

HANDLE Handle(Stream stream) { return GetStdHandle(stream == Stream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }

// Only a console has a console mode: files, pipes and the null device do not.
bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != FALSE;
}

}  // namespace

bool IsTerminal(Stream stream) { return IsConsole(Handle(stream)); }

void WriteText(Stream stream, std::string_view utf8) {
    HANDLE handle = Handle(stream);
    std::optional<std::wstring> wide = IsConsole(handle) ? Utf8ToWide(utf8) : std::nullopt;
    if (!wide) {  // a file, a pipe, or bytes that are not UTF-8: written as they are
        std::fwrite(utf8.data(), 1, utf8.size(), stream == Stream::kOutput ? stdout : stderr);
        return;
    }
    // Whatever the C library holds for this stream goes first, so that nothing is reordered.
    std::fflush(stream == Stream::kOutput ? stdout : stderr);
    for (size_t done = 0; done < wide->size();) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(wide->size() - done, 8192));
        if (!WriteConsoleW(handle, wide->data() + done, chunk, &written, nullptr) || written == 0) {
            return;
        }
        done += written;
    }
}

}  // namespace voz::os
