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
    if (text_.size() + 1 + name.size() > kMaxPathBytes) {
        return std::nullopt;
    }
    Path joined(text_);
    joined.text_ += '\\';
    joined.text_ += name;
    return joined;
}

std::string_view Path::Leaf() const {
    const size_t separator = LastSeparator(text_);
    return separator == std::string::npos ? std::string_view(text_) : std::string_view(text_).substr(separator + 1);
}

std::optional<os::NativePath> Path::ToNative() const {
    os::NativePath native;
    if (!ToNativePath(text_, native)) {
        return std::nullopt;
    }
    return native;
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
