// Encoding screens as BMP files, for the Windows build, which reads back the
// real display's colours (the Linux build has the virtual display write its
// own framebuffer).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dibplatform.h"

namespace dibtool {

// A bottom-up 24-bit BMP of `rgb` (width x height pixels, 3 bytes each, red
// first, top row first).
std::vector<uint8_t> EncodeBmp24(int width, int height, std::span<const uint8_t> rgb);

// A bottom-up 8-bit BMP with `table` (at most 256 entries) as colour table;
// `indices` holds one index per pixel, top row first.
std::vector<uint8_t> EncodeBmp8(int width, int height, std::span<const uint8_t> indices,
                                std::span<const PALETTEENTRY> table);

}  // namespace dibtool
