// What vozpack tells the user: printed lines and the paths they name, as
// UTF-8 text whatever the system's own path encoding and console code page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#if defined(__MINGW32__)
#define VOZ_PRINTF_FORMAT __attribute__((format(gnu_printf, 1, 2)))
#else
#define VOZ_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))
#endif

namespace voz {

// A path as UTF-8 text, for messages and the package's source folder.
std::string PathText(const std::filesystem::path& path);

// A path given as UTF-8 text, on the command line or in a manifest.
std::filesystem::path PathFromUtf8(const std::string& utf8);

// A number with thousands separated by commas, as messages write limits: "65,535".
std::string Grouped(uint64_t number);

// printf-style text to standard output and to standard error (os/console.h).
void PrintOut(const char* format, ...) VOZ_PRINTF_FORMAT;
void PrintError(const char* format, ...) VOZ_PRINTF_FORMAT;

}  // namespace voz
