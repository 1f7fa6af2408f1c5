// The blit pipeline's entry for the library's own callers that want to know
// what a blit did beyond its result (the C interface's blit report).
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/registry.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

struct BlitTrace {
    uint32_t bands = 0;  // StretchDIBits calls made
};

// True for the converters whose row is a function of its source pixels
// alone that writes exactly its pixels' bytes and nothing else: a blit
// converts straight into the band with them, the row's padding set to zero
// as a fresh row buffer holds it.
bool WritesOnlyItsRow(const ConverterEntry& converter);

// VyrBlit's bounds-checked form, recording in `trace` what it sent.
short BlitChecked(VyrBlitter* blitter, HDC dc, const BITMAPINFOHEADER* bitmap, size_t dibBytes, RECT* srcRect,
                  RECT* dstRect, BlitTrace& trace);

}  // namespace dibdraw
