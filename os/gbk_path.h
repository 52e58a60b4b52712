// A path as the package and the setup write it: GBK text with backslashes
// between its parts, never longer than gbk::kMaxPathBytes. Joining never cuts
// a path short into another name, and a GBK character whose second byte is
// 0x5C is never taken for a separator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "os/gbk.h"
#include "os/native_path.h"

namespace voz::gbk {

class Path {
public:
    Path() = default;

    // The text as a path; nothing when it is longer than kMaxPathBytes.
    static std::optional<Path> From(std::string_view text);

    // This path, a backslash, then name; this path itself when name is empty.
    // Nothing when the result would be longer than kMaxPathBytes.
    std::optional<Path> Join(std::string_view name) const;

    // The part after the last real separator; the whole text when there is none.
    std::string_view Leaf() const;

    // The native form, backslashes turned into the system's separator;
    // nothing when the text is not GBK.
    std::optional<os::NativePath> ToNative() const;
    // The native form of Join(name); nothing when either gives nothing.
    std::optional<os::NativePath> NativeJoin(std::string_view name) const;

    const std::string& text() const { return m_text; }
    bool empty() const { return m_text.empty(); }
    bool operator==(const Path& other) const = default;

private:
    explicit Path(std::string_view text) : m_text(text) {}

    std::string m_text;
};

// The native form of GBK path text of any length, backslashes turned into the
// system's separator; false when the text is not GBK.
bool ToNativePath(std::string_view text, os::NativePath& out);

}  // namespace voz::gbk
