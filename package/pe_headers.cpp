#include "package/pe_headers.h"

#include <cstring>

#include "package/wire.h"

namespace voz {

namespace {

constexpr uint64_t kPeHeaderPointer = 0x3C;  // in the DOS header
constexpr uint32_t kCoffHeaderSize = 20;     // after "PE\0\0"

}  // namespace

bool ReadAt(InputStream& in, uint64_t position, void* data, size_t size) {
    return in.Seek(position) && in.ReadExact(data, size);
}

std::optional<PeHeaders> ReadPeHeaders(InputStream& program) {
    uint8_t dos[2];
    uint8_t pointer[4];
    if (!ReadAt(program, 0, dos, 2) || dos[0] != 'M' || dos[1] != 'Z' ||
        !ReadAt(program, kPeHeaderPointer, pointer, 4)) {
        return std::nullopt;
    }
    const uint64_t signature = LoadLittleEndian32(pointer);
    uint8_t coff[4 + kCoffHeaderSize];
    uint8_t magic[2];
    if (!ReadAt(program, signature, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0 ||
        !ReadAt(program, signature + sizeof coff, magic, 2)) {
        return std::nullopt;
    }
    PeHeaders headers;
    headers.machine = LoadLittleEndian16(coff + 4);
    headers.sections = LoadLittleEndian16(coff + 4 + 2);
    headers.optionalSize = LoadLittleEndian16(coff + 4 + 16);
    headers.optional = signature + sizeof coff;
    headers.magic = LoadLittleEndian16(magic);
    return headers;
}

}  // namespace voz
