// The package's images: complete BMP files, drawn by handing their info
// header and pixel rows to the system unchanged. The setup draws them with
// this reader, and the packing tool checks them with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace voz {

// The size the screens are laid out for. An image is drawn at its own size
// from the screen's top-left corner: a larger one is cut off at the screen's
// edges, a smaller one leaves part of the screen bare.
inline constexpr int32_t kScreenImageWidth = 492;
inline constexpr int32_t kScreenImageHeight = 308;

struct PackageImageView {
    const uint8_t* infoHeader;  // the BMP's info header, at byte 14
    const uint8_t* pixels;      // the pixel rows
    int32_t width;
    int32_t height;  // positive: rows bottom-up
};

// Where the parts of a package image lie. Nothing unless the image is a
// true-colour (24 or 32 bits per pixel), uncompressed BMP whose pixel rows,
// at most kImageCapacity bytes, lie wholly inside the image: anything else
// cannot be drawn without reading beyond the image or needs a colour table
// that is never passed.
std::optional<PackageImageView> ParsePackageImage(const uint8_t* bytes, size_t size);

}  // namespace voz
