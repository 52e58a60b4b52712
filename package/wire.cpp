#include "package/wire.h"

namespace voz {

bool WritePackageU32(uint32_t value, OutputStream& out) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return out.Write(bytes, sizeof bytes);
}

bool WritePackageString(std::string_view text, OutputStream& out) {
    return WritePackageU32(static_cast<uint32_t>(text.size()), out) && out.Write(text.data(), text.size());
}

bool ReadPackageU32(InputStream& input, uint32_t& value) {
    uint8_t b[4];
    value = 0;
    if (!input.ReadExact(b, 4)) {
        return false;
    }
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t{b[3]} << 24);
    return true;
}

StringRead ReadPackageString(char* field, int fieldSize, InputStream& input) {
    field[0] = '\0';
    uint32_t raw;
    if (!ReadPackageU32(input, raw)) {
        return StringRead::kTruncated;
    }
    auto length = static_cast<int32_t>(raw);
    if (length < 0 || length > fieldSize - 1) {
        return StringRead::kTooLong;
    }
    if (!input.ReadExact(field, static_cast<size_t>(length))) {
        field[0] = '\0';
        return StringRead::kTruncated;
    }
    field[length] = '\0';
    return StringRead::kOk;
}

uint32_t Crc32(const void* data, size_t size, uint32_t crc) {
    // Bitwise rather than table-driven: the logs are small and so is the code,
    // which goes into both the setup stub and the uninstaller.
    const auto* bytes = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

}  // namespace voz
