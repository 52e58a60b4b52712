// Conversions between GBK (code page 936), UTF-8 and UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace voz::os {

// Each returns nothing when the input holds a character the target cannot represent
// or a byte sequence that is not valid in the source encoding.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);
std::optional<std::string> GbkToUtf8(std::string_view gbk);
#ifdef _WIN32
std::optional<std::wstring> GbkToWide(std::string_view gbk);
std::optional<std::string> WideToGbk(std::wstring_view wide);
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
// Every UTF-16 text has a UTF-8 form (an unpaired surrogate becomes U+FFFD).
std::string WideToUtf8(std::wstring_view wide);
#endif

}  // namespace voz::os
