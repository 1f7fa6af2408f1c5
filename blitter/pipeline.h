// The blit pipeline's entry for the library's own callers that want to know
// what a blit did beyond its result (the C interface's blit report).
#pragma once

#include <cstddef>
#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

struct BlitTrace {
    uint32_t bands = 0;  // StretchDIBits calls made
};

// VyrBlit's bounds-checked form, recording in `trace` what it sent.
short BlitChecked(VyrBlitter* blitter, HDC dc, const BITMAPINFOHEADER* bitmap, size_t dibBytes, RECT* srcRect,
                  RECT* dstRect, BlitTrace& trace);

}  // namespace dibdraw
