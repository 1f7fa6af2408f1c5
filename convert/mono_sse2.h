// Vector kernels of the monochrome converters: SSE2, which every target has.
#pragma once

#include <cstdint>

namespace dibdraw {

constexpr int32_t kMonoBlockPixels = 16;

// How many leading pixels of a 24-bit row of `count` pixels the 24-bit
// kernels take: whole blocks of 16, each of which reads 4 bytes past its
// end, so a block is taken only where the row holds them.
constexpr int32_t Rgb24BlockPixels(int32_t count)
{
    return count >= 2 ? (count - 2) / kMonoBlockPixels * kMonoBlockPixels : 0;
}

// Writes the leading whole blocks of a 24-bit row as monochrome bytes, a
// pixel light when its luminance exceeds limits[column mod 8], and returns
// how many pixels that was. Runs the widest kernel the processor offers.
int32_t ThresholdRgb24Blocks(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);

// The SSE2 kernel of ThresholdRgb24Blocks.
int32_t ThresholdRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);

// The luminance of each of `count` pixels (a multiple of 16, at most
// Rgb24BlockPixels of the row) of a 24-bit row, by the widest kernel the
// processor offers.
void LuminanceRgb24Blocks(const uint8_t* src, int16_t* luminance, int32_t count);

// The SSE2 kernel of LuminanceRgb24Blocks.
void LuminanceRgb24BlocksSse2(const uint8_t* src, int16_t* luminance, int32_t count);

// Packs bit 0 of each of `count` codes (a multiple of 8) into bytes, the
// first code in the most significant bit.
void PackLightCodes(const int16_t* codes, uint8_t* dst, int32_t count);

}  // namespace dibdraw
