// Vector kernel of the 24-bit to 16-colour converters.
#pragma once

#include <cstdint>

#include "convert/block_dither.h"

namespace dibdraw {

// Writes the leading whole blocks of a 24-bit row as 16-colour nibbles, two
// pixels a byte, the first in the high nibble: each channel judged light
// when it reaches 128 with the pixel's offset added (`dither` null: none),
// the three judgements giving one of black and the seven bright colours.
// Returns how many pixels that was (count rounded down to 16). Runs the
// widest kernel the processor offers.
int32_t JudgeRgb24Blocks(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);

// The SSE2 kernel of JudgeRgb24Blocks.
int32_t JudgeRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);

}  // namespace dibdraw
