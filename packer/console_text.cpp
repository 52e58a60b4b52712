#include "packer/console_text.h"

#include <cstdarg>
#include <cstdio>

#include "os/console.h"

namespace voz {

namespace {

void Print(os::Stream stream, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, format, args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        os::WriteText(stream, std::string_view(small, static_cast<size_t>(n)));
    } else {
        std::string text(static_cast<size_t>(n) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
        os::WriteText(stream, text);
    }
    va_end(again);
}

}  // namespace

std::string PathText(const std::filesystem::path& path) {
    std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::string Grouped(uint64_t number) {
    std::string digits = std::to_string(number);
    for (size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void PrintOut(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Print(os::Stream::kOutput, format, args);
    va_end(args);
}

void PrintError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Print(os::Stream::kError, format, args);
    va_end(args);
}

}  // namespace voz
