// libFuzzer target: the tool's BMP reader on any bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "decoded_image.h"
#include "tools/bmp_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    dibtool::PackedDib image;
    if (dibtool::DecodeBmp(std::span<const uint8_t>(data, size), image).empty()) {
        fuzzcheck::CheckDecodedImage(image);
    } else {
        fuzzcheck::Require(image.empty(), "a refused file left an image behind");
    }
    return 0;
}
