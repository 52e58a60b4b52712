#include "os/gbk_path.h"

#include <algorithm>

#include "os/text_encoding.h"

namespace voz::gbk {

std::optional<Path> Path::From(std::string_view text) {
    if (text.size() > kMaxPathBytes) {
        return std::nullopt;
    }
    return Path(text);
}

std::optional<Path> Path::Join(std::string_view name) const {
    if (name.empty()) {
        return *this;
    }
    if (m_text.size() + 1 + name.size() > kMaxPathBytes) {
        return std::nullopt;
    }
    Path joined(m_text);
    joined.m_text += '\\';
    joined.m_text += name;
    return joined;
}

std::string_view Path::Leaf() const {
    const size_t separator = LastSeparator(m_text);
    return separator == std::string::npos ? std::string_view(m_text) : std::string_view(m_text).substr(separator + 1);
}

std::optional<os::NativePath> Path::ToNative() const {
    os::NativePath native;
    if (!ToNativePath(m_text, native)) {
        return std::nullopt;
    }
    return native;
}

std::optional<os::NativePath> Path::NativeJoin(std::string_view name) const {
    const std::optional<Path> joined = Join(name);
    return joined ? joined->ToNative() : std::nullopt;
}

bool ToNativePath(std::string_view text, os::NativePath& out) {
    if (!os::GbkToNative(text, out)) {
        return false;
    }
    // Converted text has no second bytes left, so every backslash here is a real one.
    std::replace(out.begin(), out.end(), static_cast<os::NativePath::value_type>('\\'), os::kSeparator);
    return true;
}

}  // namespace voz::gbk
