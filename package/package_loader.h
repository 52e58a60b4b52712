// Reads a package into CPackageInfo, front to back in one pass.
#pragma once

#include <cstdint>

#include "os/native_path.h"
#include "package/byte_stream.h"
#include "package/package_info.h"

namespace voz {

// Reads a package string (u32 length, then that many bytes) into a field of
// fieldSize bytes and terminates it. False, with the field left empty, when
// the stream ends early or the text does not fit the field.
enum class StringRead { kOk, kTruncated, kTooLong };
StringRead ReadPackageString(char* field, int fieldSize, InputStream& input);

// Loads the package that starts at `packageOffset` of the stream. The record
// is cleared first; package.m_status tells whether the whole package was read.
void LoadPackage(CPackageInfo& package, InputStream& input, uint64_t packageOffset = kPackageOffset);

// Opens a setup executable and loads the package appended to it.
void LoadPackageFile(CPackageInfo& package, const os::NativePath& setupPath);

}  // namespace voz
