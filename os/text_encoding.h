// Conversions between GBK (code page 936), UTF-8 and UTF-16, and between GBK
// text and native paths: the one home of every text conversion. GBK is the
// text of the core; Windows calls take UTF-16 converted with code page 936
// named explicitly, Linux file names are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "os/native_path.h"

namespace voz::os {

// Each returns nothing when the input holds a character the target cannot represent
// or a byte sequence that is not valid in the source encoding.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);
std::optional<std::string> GbkToUtf8(std::string_view gbk);
#ifdef _WIN32
std::optional<std::wstring> GbkToWide(std::string_view gbk);
std::optional<std::string> WideToGbk(std::wstring_view wide);
// For display only: a byte sequence that is not GBK becomes U+FFFD (or what
// the system puts in its place) instead of failing the whole text.
std::wstring GbkToWideShown(std::string_view gbk);
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
// Every UTF-16 text has a UTF-8 form (an unpaired surrogate becomes U+FFFD).
std::string WideToUtf8(std::wstring_view wide);
#endif

// GBK text as a native path, unchanged otherwise (separators included); false
// when the bytes are not valid GBK.
bool GbkToNative(std::string_view gbk, NativePath& out);
// A native path as GBK text; false when a character has no GBK form.
bool NativeToGbk(const NativePath& path, std::string& gbk);

}  // namespace voz::os
