// The wire encoding shared by the package and the data appended to the
// uninstaller: little-endian u32 values and strings as a u32 byte length
// followed by that many GBK bytes, without terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "package/byte_stream.h"

namespace voz {

bool WritePackageU32(uint32_t value, OutputStream& out);
// Writes text in the package's string encoding: u32 byte length, then the bytes.
bool WritePackageString(std::string_view text, OutputStream& out);

// Reads a little-endian u32; false when the stream ends first.
bool ReadPackageU32(InputStream& input, uint32_t& value);

// Reads a package string (u32 length, then that many bytes) into a field of
// fieldSize bytes and terminates it. Anything but kOk leaves the field empty:
// the stream ended early, or the text does not fit the field.
enum class StringRead { kOk, kTruncated, kTooLong };
StringRead ReadPackageString(char* field, int fieldSize, InputStream& input);

// CRC-32 (the polynomial of zip and PNG) of size bytes, continuing from crc
// (0 to start).
uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);

}  // namespace voz
