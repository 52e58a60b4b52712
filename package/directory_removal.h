// Deleting a folder with everything in it.
#pragma once

#include <string_view>
#include <vector>

#include "package/extract_failure.h"

namespace voz {

// Deletes the folder `path` (GBK, no trailing backslash) depth-first: every
// file, every subfolder, then the folder itself. Hidden files go like any
// other; a read-only file stays, and so do the folders above it. An empty
// path or a folder that does not exist is left alone. Links are deleted, never
// followed. Each file or folder that stays is added to failures.
void RemoveDirectoryTree(std::string_view path, std::vector<ExtractFailure>& failures);

}  // namespace voz
