// Partly transparent pixels of an input file (PNG alpha and tRNS, BMP alpha
// masks) are composited over the background the screen shows before drawing,
// since the library draws opaque pixels only.
#pragma once

#include <cstdint>

#include "dibplatform.h"

namespace dibtool {

// The screen's colour before drawing when --background is not given.
inline constexpr COLORREF kDefaultBackground = RGB(0, 0, 0);

// One channel of `colour` with coverage `alpha` (0 transparent, 255 opaque)
// over `background`, rounded to the nearest value.
constexpr uint8_t Over(uint32_t alpha, uint32_t colour, uint32_t background)
{
    return static_cast<uint8_t>((alpha * colour + (255 - alpha) * background + 127) / 255);
}

static_assert(Over(255, 200, 10) == 200 && Over(0, 200, 10) == 10 && Over(128, 255, 0) == 128);

}  // namespace dibtool
