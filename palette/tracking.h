// Per-blit tracking of the display palette on 256- and 16-colour displays.
#pragma once

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

short SyncPalette8(VyrBlitter* blitter, HDC dc, int srcBits);
short SyncPalette4(VyrBlitter* blitter, HDC dc, int srcBits);

}  // namespace dibdraw
