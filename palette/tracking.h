// Per-blit tracking of the display palette on 256- and 16-colour displays:
// the palette and the colour map are brought up to date, and the outcome
// says whether the image's colours are shown through the mapped converters.
// The converter itself is chosen by the caller.
#pragma once

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

struct PaletteDecision {
    short result = kBlitOk;  // kBlitOk, or why the colour map could not be built
    bool mapped = false;     // the colour map translates the image's own colours
};

// For a 256-colour display, after a converter for the palette mode's own
// choice was found.
PaletteDecision SyncPalette8(VyrBlitter* blitter, HDC dc, int srcBits);
PaletteDecision SyncPalette4(VyrBlitter* blitter, HDC dc, int srcBits);

}  // namespace dibdraw
