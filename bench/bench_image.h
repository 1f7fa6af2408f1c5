// The image every side-by-side benchmark draws, on Linux and under Wine:
// smooth gradients with a little noise, so that dithering has work to do and
// no run of equal pixels makes a converter's job easier than a photograph's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/packed_dib.h"

namespace benchimage {

// Blue-green-red rows, top row first, no padding.
inline std::vector<uint8_t> MakeRows(int width, int height)
{
    const size_t stride = size_t(width) * 3;
    std::vector<uint8_t> pixels(stride * size_t(height));
    uint32_t state = 12345;
    for (size_t y = 0; y < size_t(height); ++y) {
        for (size_t k = 0; k < stride; ++k) {
            state = state * 1103515245u + 12345u;
            pixels[y * stride + k] = static_cast<uint8_t>((k / 3 + y / 4) + ((state >> 16) & 7));
        }
    }
    return pixels;
}

// A packed DIB of `bits` bits per pixel showing unpadded rows given top row
// first, with the colour table `table` (ignored for 24 bits).
inline dibkit::PackedDib MakeDib(const std::vector<uint8_t>& rows, int width, int height, int bits,
                                 const std::vector<RGBQUAD>& table = {})
{
    dibkit::PackedDib dib(width, height, bits);
    for (size_t i = 0; i < table.size() && int(i) < dib.colorCount(); ++i) {
        dib.colors()[i] = table[i];
    }
    const size_t stride = size_t(width) * size_t(bits) / 8;
    for (int y = 0; y < height; ++y) {
        std::memcpy(dib.Row(y), rows.data() + stride * size_t(y), stride);
    }
    return dib;
}

}  // namespace benchimage
