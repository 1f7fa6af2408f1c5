// Converter selection: the table of converters keyed by display depth, source
// depth, mapped flag, dither mode and grey palette, and the per-blit display
// preparation that picks from it.
#pragma once

#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

struct ConverterEntry {
    BlitterFn fn = nullptr;  // null: explicitly unsupported
    const char* name = nullptr;
};

// A table entry naming the converter it holds.
#define DIBDRAW_CONVERTER(fn) ::dibdraw::ConverterEntry{&fn, #fn}

// The converters for one source depth on one kind of display.
struct SourceCell {
    ConverterEntry mapped = {};         // flag != 0; null fn: the flag is not consulted
    ConverterEntry anyMode = {};        // serves every dither mode; null fn: chosen by mode
    ConverterEntry byMode[4] = {};      // dither modes 0..3
    ConverterEntry byModeGray[4] = {};  // the same for a grey colour table; null fn: no grey test
};

// Cells for source depths 1, 4, 8 and 24, in that order.
struct DisplayTable {
    const char* display = nullptr;
    SourceCell cells[4] = {};
};

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
