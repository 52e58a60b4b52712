#include "package/package_image.h"

#include <cstdlib>

#include "package/package_format.h"
#include "package/wire.h"

namespace voz {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kUncompressed = 0;  // BI_RGB

}  // namespace

std::optional<PackageImageView> ParsePackageImage(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size < kFileHeaderSize + kInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
        return std::nullopt;
    }
    const uint8_t* info = bytes + kFileHeaderSize;
    const uint32_t pixelOffset = LoadLittleEndian32(bytes + 10);
    const uint32_t infoSize = LoadLittleEndian32(info);
    const auto width = static_cast<int32_t>(LoadLittleEndian32(info + 4));
    const auto height = static_cast<int32_t>(LoadLittleEndian32(info + 8));
    const uint16_t bitCount = LoadLittleEndian16(info + 14);
    const uint32_t compression = LoadLittleEndian32(info + 16);
    if (infoSize < kInfoHeaderSize || kFileHeaderSize + infoSize > size || LoadLittleEndian16(info + 12) != 1 ||
        (bitCount != 24 && bitCount != 32) || compression != kUncompressed || width <= 0 || height == 0 ||
        height == INT32_MIN) {
        return std::nullopt;
    }
    // Rows are padded to four bytes; compute in 64 bits so no size overflows.
    const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    const uint64_t pixelBytes = stride * static_cast<uint64_t>(std::llabs(height));
    if (pixelBytes > kImageCapacity || pixelOffset < kFileHeaderSize + infoSize || pixelOffset + pixelBytes > size) {
        return std::nullopt;
    }
    return PackageImageView{info, bytes + pixelOffset, width, height};
}

}  // namespace voz
