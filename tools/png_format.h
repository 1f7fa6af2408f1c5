// The parts of the PNG format the tool handles itself, on every platform:
// recognizing the signature, and the picture it hands to the PNG writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dibplatform.h"

namespace dibtool {

// A picture as the tool writes it to a PNG file: 8-bit RGB (colour type 2),
// or indices of 1, 2, 4 or 8 bits into a palette of at most 2^bits entries
// (colour type 3).
struct PngImage {
    int width = 0;
    int height = 0;
    int bits = 8;  // per index with a palette, per channel without
    std::vector<PALETTEENTRY> palette;  // empty: RGB
    // Top row first: 3 bytes a pixel, red first, or one index a pixel.
    std::vector<uint8_t> samples;

    static PngImage Rgb(int width, int height, std::vector<uint8_t> rgb);
    static PngImage Indexed(int width, int height, int bits, std::vector<uint8_t> indices,
                            std::vector<PALETTEENTRY> palette);

    // The fewest bits per index (1, 2, 4 or 8) that address `entries`
    // palette entries, at most 256.
    static int IndexBitsFor(size_t entries);

    bool indexed() const { return !palette.empty(); }
    size_t RowBytes() const;
    // Row y as the file stores it, indices packed from the most significant
    // bit: RowBytes() bytes at `out`.
    void PackRow(int y, uint8_t* out) const;
};

bool HasPngSignature(std::span<const uint8_t> file);

}  // namespace dibtool
