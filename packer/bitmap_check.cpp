#include "packer/bitmap_check.h"

#include <cstdlib>

#include "package/package_format.h"
#include "package/package_image.h"
#include "packer/console_text.h"

namespace voz {

BitmapCheck CheckSetupBitmap(const std::vector<uint8_t>& bytes) {
    BitmapCheck check;
    if (bytes.size() > kImageCapacity) {
        check.problem =
            "image too large: " + std::to_string(bytes.size()) + " bytes, at most " + Grouped(kImageCapacity);
        return check;
    }
    std::optional<PackageImageView> view = ParsePackageImage(bytes.data(), bytes.size());
    if (!view) {
        check.problem =
            "not a picture the setup can draw: it takes uncompressed 24- or 32-bit BMP files whose pixels "
            "lie wholly inside the file";
        return check;
    }
    const int32_t height = std::abs(view->height);
    const std::string size = std::to_string(view->width) + "x" + std::to_string(height);
    const std::string screen = std::to_string(kScreenImageWidth) + "x" + std::to_string(kScreenImageHeight);
    if (view->width > kScreenImageWidth || height > kScreenImageHeight) {
        check.warning = size + " is larger than the " + screen + " screen: the setup draws it unscaled and cut off";
    } else if (view->width < kScreenImageWidth || height < kScreenImageHeight) {
        check.warning = size + " is smaller than the " + screen +
                        " screen: the setup draws it unscaled and leaves the "
                        "rest of the screen bare";
    }
    return check;
}

}  // namespace voz
