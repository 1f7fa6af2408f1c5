// Horizontal scalers: one source row in the source format to dstCount pixels.
#pragma once

#include <cstdint>

namespace dibdraw {

void Stretch24(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
void Stretch8(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
void Stretch4(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
void Stretch1(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
// Reduces a 1-bit row (srcCount > dstCount) to dstCount grey levels 0..255.
void Shrink1ToGray(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount,
                   int32_t bitOffset);

}  // namespace dibdraw
