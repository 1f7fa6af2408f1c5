// The 24-bit kernels for processors with AVX-512 byte look-ups, sixty-four
// pixels at a time; each gives exactly what its SSE2 counterpart gives and
// takes the same pixels. Call them only where ByteTableVectorsAvailable().
#pragma once

#include <cstdint>

#include "convert/cube_sse2.h"

namespace dibdraw {

// As QuantizeRgb24Blocks.
int32_t QuantizeRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                  const BlockDither* dither);

// As ThresholdRgb24Blocks; reads nothing past the pixels.
int32_t ThresholdRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);

// As JudgeRgb24Blocks.
int32_t JudgeRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);

// As LuminanceRgb24Blocks; reads nothing past the pixels.
void LuminanceRgb24BlocksAvx512(const uint8_t* src, int16_t* luminance, int32_t count);

}  // namespace dibdraw
