// CRC-32 (declared in wire.h). The installation checksums every file it
// writes, so this runs over every installed byte beside the decoder: eight
// bytes at a time through eight tables, which are built when the program
// starts rather than stored, so that they cost the setup stub and the
// uninstaller no bytes. (Built at first use instead, they would need a
// guarded static, which brings the exception machinery into their link.)
#include <array>

#include "package/wire.h"

namespace voz {

namespace {

using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

// tables[0] is the classic byte table; tables[k][b] is the CRC of byte b
// followed by k zero bytes.
CrcTables MakeCrcTables() {
    CrcTables tables;
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t crc = b;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        tables[0][b] = crc;
    }
    for (size_t k = 1; k < tables.size(); ++k) {
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t previous = tables[k - 1][b];
            tables[k][b] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

const CrcTables kTables = MakeCrcTables();

}  // namespace

uint32_t Crc32(const void* data, size_t size, uint32_t crc) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (; size >= 8; size -= 8, bytes += 8) {
        crc ^= LoadLittleEndian32(bytes);
        const uint32_t high = LoadLittleEndian32(bytes + 4);
        crc = kTables[7][crc & 0xFF] ^ kTables[6][(crc >> 8) & 0xFF] ^ kTables[5][(crc >> 16) & 0xFF] ^
              kTables[4][crc >> 24] ^ kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
              kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
    }
    for (; size > 0; --size, ++bytes) {
        crc = (crc >> 8) ^ kTables[0][(crc ^ *bytes) & 0xFF];
    }
    return ~crc;
}

}  // namespace voz
