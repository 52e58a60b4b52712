// Paths as the operating system takes them: UTF-8 bytes on POSIX, UTF-16 on
// Windows. Package texts and names are GBK and are converted at this edge
// (os/text_encoding.h).
#pragma once

#include <string>

namespace voz::os {

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// The folder separator of native paths.
#ifdef _WIN32
inline constexpr wchar_t kSeparator = L'\\';
#else
inline constexpr char kSeparator = '/';
#endif

}  // namespace voz::os
