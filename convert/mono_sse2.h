// Vector kernel of the 24-bit to monochrome converters: sixteen pixels at a
// time with SSE2, which every target has.
#pragma once

#include <cstdint>

namespace dibdraw {

constexpr int32_t kMonoBlockPixels = 16;

// Writes the leading whole blocks of a 24-bit row as monochrome bytes, a
// pixel light when its luminance exceeds limits[column mod 8], and returns
// how many pixels that was (a multiple of 16). Each block reads 4 bytes past
// its end, so a block is taken only where the row holds them.
int32_t ThresholdRgb24Blocks(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);

}  // namespace dibdraw
