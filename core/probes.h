// Questions the library asks the display about itself. Each opens and
// releases the screen's device context; nothing is cached.
#pragma once

#include <cstdint>

#include "dibplatform.h"

namespace dibdraw {

int GetDisplayPlanes();
// BITSPIXEL, or 24 for an 8-bit display without a palette.
int GetDisplayBitsPixel();
int GetDisplayColorBits();
// Writes the display's 2^GetDisplayColorBits() palette entries as red, green,
// blue triples; triples past that count are left as they are.
void ReadSystemPalette(uint8_t* dst);
// Draws the colour at screen pixel (0, 0), reads back what the display made of
// it as one pixel of a 24-bit DIB row (4 bytes) and restores the pixel.
short ReadBackDisplayPixel(unsigned char red, unsigned char green, unsigned char blue, void* out);

}  // namespace dibdraw
