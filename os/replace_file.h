// Replacing a file's whole content so that readers see either the old or the
// new bytes, never a mixture or a half-written file.
#pragma once

#include <string_view>

#include "os/native_path.h"

namespace voz::os {

// Writes bytes to a temporary file in the same folder as path, flushes it to
// the disk and renames it over path (creating path when it does not exist).
// On failure the temporary file is removed, path keeps its old content and
// the result is false.
bool ReplaceFileContents(const NativePath& path, std::string_view bytes);

}  // namespace voz::os
