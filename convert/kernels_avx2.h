// The 24-bit kernels for processors with AVX2, thirty-two pixels at a time;
// each gives exactly what its SSE2 counterpart gives and takes the same
// pixels, and reads nothing past them.
#pragma once

#include "convert/kernels.h"

namespace dibdraw {

int32_t QuantizeRgb24BlocksAvx2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                const BlockDither* dither);
int32_t JudgeRgb24BlocksAvx2(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);
int32_t ThresholdRgb24BlocksAvx2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);
void LuminanceRgb24BlocksAvx2(const uint8_t* src, int16_t* luminance, int32_t count);

}  // namespace dibdraw
