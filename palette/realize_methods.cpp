// The exported palette realization methods: which colours, if any, a window
// should put into the display palette, by display depth and palette mode.
#include "dibdraw32/VyrBlitter.h"
#include "palette/realize.h"
#include "palette/tables.h"

using namespace dibdraw;

namespace {

// Only 256-colour displays have a palette to realize. Mode 1 realizes the
// image's colours, mode 2 leaves the display palette as it is, and every
// other mode realizes the fixed palette.
short RealizeForMode(const VyrBlitter& blitter, HWND window, const RGBQUAD* colors, int count)
{
    if (blitter.m_displayDepth != 8 || blitter.m_paletteMode == 2) {
        return kBlitOk;
    }
    if (blitter.m_paletteMode == 1) {
        return RealizeImagePalette(window, colors, count);
    }
    return RealizeImagePalette(window, kFixedPalette.data(), 256);
}

}  // namespace

short VyrBlitter::VyrRealizeFixedPalette(HWND window)
{
    return RealizeForMode(*this, window, kFixedPalette.data(), 256);
}

// The colour table follows a 40-byte header and holds 2^bits entries,
// whatever biClrUsed says; deeper images have none and get the fixed palette.
short VyrBlitter::VyrRealizePalette(HWND window, BITMAPINFOHEADER* bitmap)
{
    const int bits = bitmap->biBitCount * bitmap->biPlanes;
    if (bits > 8) {
        return VyrRealizeFixedPalette(window);
    }
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(bitmap) + 40);
    return RealizeForMode(*this, window, table, 1 << bits);
}

short VyrBlitter::VyrRealizePalette(HWND window, RGBQUAD* colors, int count)
{
    return RealizeForMode(*this, window, colors, count);
}
