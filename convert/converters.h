// The pixel converters: one routine per display depth, source depth and dither
// mode or variant, each of type BlitterFn. Most are members of a converter
// family, a template over the dither mode and the pixel source, and are named
// here as constants; the rest are functions of their own.
#pragma once

#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// True-colour displays: 24-bit rows, blue-green-red or (Swap) red-green-blue.
void Blit24To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
extern const BlitterFn Blit24To24Swap;
extern const BlitterFn Blit8To24;
extern const BlitterFn Blit8To24Swap;
extern const BlitterFn Blit4To24;
extern const BlitterFn Blit4To24Swap;
void Blit1To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// 256-colour displays: one display palette index per pixel.
extern const BlitterFn Blit24To8Mode0;
extern const BlitterFn Blit24To8Mode1;
extern const BlitterFn Blit24To8Mode2;
extern const BlitterFn Blit24To8Mode3;
extern const BlitterFn Blit8To8Mapped;
extern const BlitterFn Blit8To8Mode0;
extern const BlitterFn Blit8To8Mode1;
extern const BlitterFn Blit8To8Mode2;
extern const BlitterFn Blit8To8Mode3;
extern const BlitterFn Blit8To8Mode0Gray;
extern const BlitterFn Blit8To8Mode1Gray;
extern const BlitterFn Blit8To8Mode2Gray;
extern const BlitterFn Blit8To8Mode3Gray;
extern const BlitterFn Blit4To8Mapped;
extern const BlitterFn Blit4To8Mode0;
extern const BlitterFn Blit4To8Mode1;
extern const BlitterFn Blit4To8Mode2;
extern const BlitterFn Blit4To8Mode3;
extern const BlitterFn Blit4To8Mode0Gray;
extern const BlitterFn Blit4To8Mode1Gray;
extern const BlitterFn Blit4To8Mode2Gray;
extern const BlitterFn Blit4To8Mode3Gray;
void Blit1To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To8(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// 16-colour displays: two palette indices per byte, the first in the high nibble.
extern const BlitterFn Blit24To4Mode0;
extern const BlitterFn Blit24To4Mode1;
extern const BlitterFn Blit24To4Mode2;
extern const BlitterFn Blit24To4Mode3;
extern const BlitterFn Blit8To4Mode0;
extern const BlitterFn Blit8To4Mode1;
extern const BlitterFn Blit8To4Mode2;
extern const BlitterFn Blit8To4Mode3;
extern const BlitterFn Blit8To4Mapped;
extern const BlitterFn Blit4To4Mode0;
extern const BlitterFn Blit4To4Mode1;
extern const BlitterFn Blit4To4Mode2;
extern const BlitterFn Blit4To4Mode3;
extern const BlitterFn Blit4To4Mapped;
void Blit1To4(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// Monochrome displays: eight pixels per byte, the first in the top bit.
extern const BlitterFn Blit24To1Mode0;
extern const BlitterFn Blit24To1Mode1;
extern const BlitterFn Blit24To1Mode2;
extern const BlitterFn Blit24To1Mode3;
extern const BlitterFn Blit8To1Mode0;
extern const BlitterFn Blit8To1Mode1;
extern const BlitterFn Blit8To1Mode2;
extern const BlitterFn Blit8To1Mode3;
extern const BlitterFn Blit4To1Mode0;
extern const BlitterFn Blit4To1Mode1;
extern const BlitterFn Blit4To1Mode2;
extern const BlitterFn Blit4To1Mode3;
void Blit1To1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

}  // namespace dibdraw
