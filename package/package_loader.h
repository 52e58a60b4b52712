// Reads a package into CPackageInfo, front to back in one pass.
#pragma once

#include <cstdint>

#include "os/native_path.h"
#include "package/byte_stream.h"
#include "package/package_info.h"
#include "package/wire.h"

namespace voz {

// Loads the package that starts at `packageOffset` of the stream. The record
// is cleared first; package.m_status tells whether the whole package was read.
void LoadPackage(CPackageInfo& package, InputStream& input, uint64_t packageOffset = kPackageOffset);

// Opens a setup executable and loads the package appended to it.
void LoadPackageFile(CPackageInfo& package, const os::NativePath& setupPath);

}  // namespace voz
