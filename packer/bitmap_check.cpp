#include "packer/bitmap_check.h"

#include <cstdlib>

#include "package/package_format.h"

namespace voz {

namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}

uint16_t U16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

}  // namespace

std::string CheckSetupBitmap(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
        return "not a BMP file";
    }
    if (U32At(bytes, 14) < kInfoHeaderSize) {
        return "unreadable BMP: unsupported header";
    }
    auto width = static_cast<int32_t>(U32At(bytes, 18));
    auto height = static_cast<int32_t>(U32At(bytes, 22));
    uint16_t bits = U16At(bytes, 28);
    uint32_t compression = U32At(bytes, 30);
    if (bits != 24 || compression != 0) {
        return "image is not a true-colour (24-bit, uncompressed) BMP";
    }
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return "unreadable BMP: bad size";
    }
    uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t{3};
    uint64_t pixels = stride * uint64_t(std::abs(height));
    uint32_t offset = U32At(bytes, 10);
    if (offset < kFileHeaderSize + kInfoHeaderSize || offset + pixels > bytes.size()) {
        return "unreadable BMP: pixel data missing";
    }
    if (bytes.size() > kImageCapacity) {
        return "image too large: " + std::to_string(bytes.size()) + " bytes, at most 1,048,576";
    }
    return "";
}

}  // namespace voz
