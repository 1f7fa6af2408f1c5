// Vector kernels of the 24-bit to 256-colour converters: sixteen pixels (48
// source bytes) at a time with SSE2, which every target has.
#pragma once

#include <cstdint>

#include "convert/block_dither.h"

namespace dibdraw {

// Writes colorMap[cube entry of clamp(R + d), clamp(G + d), clamp(B + d)]
// for the leading whole blocks of a 24-bit row and returns how many pixels
// that was (count rounded down to 16). `dither` is null for no dither. Runs
// the widest kernel the processor offers.
int32_t QuantizeRgb24Blocks(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                            const BlockDither* dither);

// The SSE2 kernel of QuantizeRgb24Blocks.
int32_t QuantizeRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                const BlockDither* dither);

}  // namespace dibdraw
