#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voz {

// The setup draws its pictures straight from the BMP bytes without a colour
// table, so it takes uncompressed 24-bit bitmaps only, whole files of at most
// 1 MiB. Returns an empty string when the bytes are such a bitmap, else why not.
std::string CheckSetupBitmap(const std::vector<uint8_t>& bytes);

}  // namespace voz
