// The pixel converters: one routine per display depth, source depth and dither
// mode or variant, each of type BlitterFn.
#pragma once

#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// True-colour displays: 24-bit rows, blue-green-red or (Swap) red-green-blue.
void Blit24To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To24Swap(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To24Swap(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To24Swap(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// 256-colour displays: one display palette index per pixel.
void Blit24To8Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To8Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To8Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To8Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode0Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode1Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode2Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To8Mode3Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode0Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode1Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode2Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To8Mode3Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To8(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// 16-colour displays: two palette indices per byte, the first in the high nibble.
void Blit24To4Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To4Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To4Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To4Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To4Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To4Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To4Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To4Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To4Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To4Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To4Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To4Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To4Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To4Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To4(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// Monochrome displays: eight pixels per byte, the first in the top bit.
void Blit24To1Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To1Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To1Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit24To1Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To1Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To1Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To1Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit8To1Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To1Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To1Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To1Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit4To1Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

}  // namespace dibdraw
