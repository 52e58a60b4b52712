// The wire encoding shared by the package and the data appended to the
// uninstaller: little-endian u32 values, times as eight little-endian u16
// fields, and strings as a u32 byte length followed by that many GBK bytes,
// without terminator. Every little-endian value in the programs, the other
// formats they read (bitmaps, PE headers) included, goes through this file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "package/byte_stream.h"
#include "package/package_format.h"

namespace voz {

// ---- Little-endian values in byte memory -------------------------------------
// A load reads exactly its width in bytes from p, a store writes exactly its
// width to p: p[0] up to p[1], p[2] or p[3]. The caller guarantees those bytes
// lie in its buffer; nothing here checks. Loads copy into an integer, which
// compiles to one plain move on a little-endian machine, so the decoder's hot
// paths can use them freely.

inline uint16_t LoadLittleEndian16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap16(v);
    }
    return v;
}

inline uint32_t LoadLittleEndian32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap32(v);
    }
    return v;
}

// Three bytes, for hashing the next three bytes of a span without reading a fourth past its end.
inline uint32_t LoadLittleEndian24(const uint8_t* p) {
    return uint32_t{LoadLittleEndian16(p)} | (uint32_t{p[2]} << 16);
}

inline void StoreLittleEndian16(uint8_t* p, uint16_t value) {
    if constexpr (std::endian::native == std::endian::big) {
        value = __builtin_bswap16(value);
    }
    std::memcpy(p, &value, sizeof value);
}

inline void StoreLittleEndian32(uint8_t* p, uint32_t value) {
    if constexpr (std::endian::native == std::endian::big) {
        value = __builtin_bswap32(value);
    }
    std::memcpy(p, &value, sizeof value);
}

// A time's eight u16 fields (year first) in kTimeSize bytes.
inline constexpr size_t kTimeSize = 16;
static_assert(sizeof(PackageTime) == kTimeSize);
void LoadPackageTime(const uint8_t* p, PackageTime& time);
void StorePackageTime(uint8_t* p, const PackageTime& time);

// ---- Values in streams --------------------------------------------------------

bool WritePackageU32(uint32_t value, OutputStream& out);
// Writes text in the package's string encoding: u32 byte length, then the bytes.
bool WritePackageString(std::string_view text, OutputStream& out);

bool WritePackageTime(const PackageTime& time, OutputStream& out);

// Reads a little-endian u32; false when the stream ends first.
bool ReadPackageU32(InputStream& input, uint32_t& value);
// Reads a time; false when the stream ends first.
bool ReadPackageTime(InputStream& input, PackageTime& time);

// Reads a package string (u32 length, then that many bytes) into a field of
// fieldSize bytes and terminates it. Anything but kOk leaves the field empty:
// the stream ended early, or the text does not fit the field.
enum class StringRead { kOk, kTruncated, kTooLong };
StringRead ReadPackageString(char* field, int fieldSize, InputStream& input);

// CRC-32 (the polynomial of zip and PNG) of size bytes, continuing from crc
// (0 to start).
uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);

}  // namespace voz
