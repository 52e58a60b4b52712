#include "os/text_encoding.h"

namespace voz::os {

// Native paths are UTF-16 on Windows and UTF-8 elsewhere.

bool GbkToNative(std::string_view gbk, NativePath& out) {
#ifdef _WIN32
    std::optional<NativePath> converted = GbkToWide(gbk);
#else
    std::optional<NativePath> converted = GbkToUtf8(gbk);
#endif
    if (!converted) {
        return false;
    }
    out = std::move(*converted);
    return true;
}

bool NativeToGbk(const NativePath& path, std::string& gbk) {
#ifdef _WIN32
    std::optional<std::string> converted = WideToGbk(path);
#else
    std::optional<std::string> converted = Utf8ToGbk(path);
#endif
    if (!converted) {
        return false;
    }
    gbk = std::move(*converted);
    return true;
}

}  // namespace voz::os
