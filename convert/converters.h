// The converters that are functions of their own. Every other converter is a
// member of a family, a template over the dither mode and the pixel source,
// and is found in the registry (convert/registry.h) by its display, source
// and mode, or by name.
#pragma once

#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// True-colour displays: 24-bit rows, blue-green-red.
void Blit24To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// 256-colour displays: one display palette index per pixel.
void Blit1To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
void Blit1To8(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// 16-colour displays: two palette indices per byte, the first in the high nibble.
void Blit1To4(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

// Monochrome displays: eight pixels per byte, the first in the top bit.
void Blit1To1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);

}  // namespace dibdraw
