// Paths as the operating system takes them: UTF-8 bytes on POSIX, UTF-16 on
// Windows. Package texts and names are GBK and are converted at this edge.
#pragma once

#include <string>
#include <string_view>

namespace voz::os {

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// Converts GBK (code page 936) text to a native path; false when the bytes are not valid GBK.
bool GbkToNative(std::string_view gbk, NativePath& out);

}  // namespace voz::os
