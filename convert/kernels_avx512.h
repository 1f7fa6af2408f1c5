// The kernels for processors with AVX-512 byte look-ups (BW, VL and VBMI),
// sixty-four pixels at a time: the 24-bit ones give exactly what their SSE2
// counterparts give and take the same pixels; none reads past its pixels.
#pragma once

#include "convert/kernels.h"

namespace dibdraw {

int32_t QuantizeRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                  const BlockDither* dither);
int32_t JudgeRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);
int32_t ThresholdRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);
void LuminanceRgb24BlocksAvx512(const uint8_t* src, int16_t* luminance, int32_t count);
void MapBytesAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* map);

}  // namespace dibdraw
