// Paths of the installation. The package names folders and files in GBK with
// backslashes between folders, relative to the install folder; these helpers
// join such names (checked by install_rules.h) into full paths and turn them
// into native paths.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "os/native_path.h"
#include "os/gbk.h"
#include "package/package_format.h"

namespace voz {

// The longest path the installation builds, in GBK bytes.
using gbk::kMaxPathBytes;
static_assert(kMaxPathBytes == kPathField - 1, "a path and its terminating zero fill a path field");

// The text of a fixed character field. The loader always terminates its
// fields; the field's size bounds the scan all the same.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

// base, a backslash, then name; just base when name is empty. Nothing when the
// result would not fit kMaxPathBytes: a path is never cut short into another name.
std::optional<std::string> JoinPath(std::string_view base, std::string_view name);

// The native form of a GBK path, separators turned into the system's; false
// when the text is not GBK.
bool ToNativePath(std::string_view gbk, os::NativePath& out);

// Creates the folder `path` (GBK) and every folder above it that is missing,
// splitting only at real backslash or slash characters. True when the folder
// exists afterwards.
bool CreateDirectoryPath(std::string_view path);

}  // namespace voz
