#include "tools/packed_dib.h"

namespace dibtool {

std::string CheckImageSize(int64_t width, int64_t height)
{
    if (width <= 0) {
        return "width " + std::to_string(width) + " is not positive";
    }
    if (height <= 0) {
        return "height " + std::to_string(height) + " is not positive";
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width > kMaxImageSide || height > kMaxImageSide) {
        return "size " + size + " is too large (at most " + std::to_string(kMaxImageSide) + " pixels on a side)";
    }
    if (width * height > kMaxImagePixels) {
        return "size " + size + " is too large (at most " + std::to_string(kMaxImagePixels) + " pixels)";
    }
    return {};
}

std::string NotEnoughMemoryFor(int64_t width, int64_t height)
{
    return "not enough memory for a " + std::to_string(width) + "\u00D7" + std::to_string(height) + " image";
}

}  // namespace dibtool
