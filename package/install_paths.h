// Paths of the installation. The package names folders and files in GBK with
// backslashes between folders, relative to the install folder; these helpers
// join such names (checked by install_rules.h) into full paths (gbk::Path)
// and turn them into native paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "os/gbk_path.h"
#include "package/package_format.h"

namespace voz {

// The longest path the installation builds, in GBK bytes.
using gbk::kMaxPathBytes;
static_assert(kMaxPathBytes == kPathField - 1, "a path and its terminating zero fill a path field");

using gbk::ToNativePath;

// A name inside a folder of the package, relative to the install folder:
// folder\name, or name alone in the install folder itself (folder "").
inline std::string JoinRelative(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty()) {
        path += '\\';
    }
    return path += name;
}

// The detail of a path refused for its length.
inline std::string PathTooLongText() { return "longer than " + std::to_string(kMaxPathBytes) + " bytes"; }

// Creates the folder `path` (GBK) and every folder above it that is missing,
// splitting only at real backslash or slash characters. True when the folder
// exists afterwards.
bool CreateDirectoryPath(std::string_view path);

}  // namespace voz
