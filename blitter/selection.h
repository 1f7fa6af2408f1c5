// Converter selection: the table of converters keyed by display depth, source
// depth, mapped flag, dither mode and grey palette, and the per-blit display
// preparation that picks from it.
#pragma once

#include <cstdint>

#include "convert/converter_table.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// Tables for monochrome, 16-colour, 256-colour, and true-colour displays in
// plain (blue, green, red) and swapped (red, green, blue) order.
const DisplayTable& ConverterTable(int displayDepth, bool swapped);

// How the pixels a converter writes depend on their place: error diffusion
// carries each pixel's error to the right and into the row below, on both
// sides; an ordered dither repeats with a column period; every other
// converter treats each pixel alone (a period of 1).
struct ConverterReach {
    bool diffuses = false;
    int32_t columnPeriod = 1;
};
// The reach of the blitter's chosen converter, from its place in the tables.
ConverterReach ReachOf(const VyrBlitter& blitter);

short PrepareDisplay(VyrBlitter* blitter, HDC dc, int srcBits);
int IsDisplayOrderSwapped();
short IsGrayPalette(const uint8_t* triples, int count, int tolerance);

}  // namespace dibdraw
