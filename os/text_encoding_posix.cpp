#include <iconv.h>

#include <cerrno>

#include "os/text_encoding.h"

namespace voz::os {

namespace {

std::optional<std::string> Convert(const char* to, const char* from, std::string_view text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out(text.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    size_t used = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* dst = out.data() + used;
        size_t outLeft = out.size() - used;
        size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
        used = out.size() - outLeft;
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            ok = false;
            break;
        }
        if (r != 0) {  // characters replaced by an approximation: not representable
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok) {
        return std::nullopt;
    }
    out.resize(used);
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) { return Convert("CP936", "UTF-8", utf8); }

std::optional<std::string> GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "CP936", gbk); }

}  // namespace voz::os
