// Paths of the installation. The package names folders and files in GBK with
// backslashes between folders, relative to the install folder; these helpers
// check such names, join them into full paths and turn them into native paths.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "os/native_path.h"
#include "package/package_format.h"

namespace voz {

// The longest path the installation builds, in GBK bytes: a 256-byte path
// buffer less its terminating zero.
inline constexpr size_t kMaxPathBytes = kPathField - 1;

// The text of a fixed character field. The loader always terminates its
// fields; the field's size bounds the scan all the same.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

enum class NameCheck {
    kSafe,
    kEmpty,          // no name where one is needed
    kNotGbk,         // bytes that are not GBK text
    kLeavesFolder,   // an absolute path, a drive letter or colon, a "." or ".." component
    kBadCharacter,   // a character Windows does not allow in names, or an empty folder name
    kTrailingDot,    // a name ending in a dot or space, which Windows would silently drop
    kDeviceName,     // CON, NUL, COM1 and the like, which name devices rather than files
};

const char* DescribeNameCheck(NameCheck check);

// Checks a path relative to the install folder (or to a special folder). Both
// backslash and slash separate folders; a byte that is the second byte of a
// double-byte GBK character is never taken for a separator.
NameCheck CheckRelativePath(std::string_view gbk);

// Position of the last real backslash or slash character, or npos.
size_t LastSeparator(std::string_view gbk);

// base, a backslash, then name; just base when name is empty. Nothing when the
// result would not fit kMaxPathBytes: a path is never cut short into another name.
std::optional<std::string> JoinPath(std::string_view base, std::string_view name);

// The native form of a GBK path, separators turned into the system's; false
// when the text is not GBK.
bool ToNativePath(std::string_view gbk, os::NativePath& out);

}  // namespace voz
