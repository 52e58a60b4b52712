// Checks a picture for the setup's screens with the reader the setup draws it with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voz {

struct BitmapCheck {
    std::string problem;  // why the setup cannot draw it; empty when it can
    std::string warning;  // how the setup will draw it otherwise than meant; may be empty
};

// The setup draws uncompressed 24- or 32-bit BMP files of at most 1 MiB,
// unscaled, from each screen's top-left corner.
BitmapCheck CheckSetupBitmap(const std::vector<uint8_t>& bytes);

}  // namespace voz
