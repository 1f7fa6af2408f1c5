// The exported palette realization methods: which colours, if any, a window
// should put into the display palette, by display depth and palette mode.
#include "core/dib_layout.h"
#include "core/modes.h"
#include "dibdraw32/VyrBlitter.h"
#include "palette/realize.h"
#include "palette/tables.h"

using namespace dibdraw;

namespace {

// Only 256-colour displays have a palette to realize: the image's colours
// where the caller realizes them, nothing where they are shown against
// whatever the display holds, and otherwise the fixed palette.
short RealizeForMode(const VyrBlitter& blitter, HWND window, const RGBQUAD* colors, int count)
{
    if (blitter.m_displayDepth != 8) {
        return kBlitOk;
    }
    switch (PaletteModeOf(blitter.m_paletteMode)) {
    case PaletteMode::ImageRealized:
        return RealizeImagePalette(window, colors, count);
    case PaletteMode::ImageAsShown:
        return kBlitOk;
    case PaletteMode::Fixed:
        break;
    }
    return RealizeImagePalette(window, kFixedPalette.data(), 256);
}

// A bitmap of more than one plane is refused, as VyrBlit refuses it. The
// colour table follows the header, where VyrBlit finds it, and holds 2^bits
// entries whatever biClrUsed says; deeper images have none and get the fixed
// palette.
short RealizeHeaderPalette(const VyrBlitter& blitter, HWND window, const BITMAPINFOHEADER& bitmap)
{
    if (bitmap.biPlanes != 1) {
        return kBlitUnsupported;
    }
    if (bitmap.biBitCount > 8) {
        return RealizeForMode(blitter, window, kFixedPalette.data(), 256);
    }
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(&bitmap) + bitmap.biSize);
    return RealizeForMode(blitter, window, table, static_cast<int>(ColorCount(bitmap)));
}

}  // namespace

short VyrBlitter::VyrRealizeFixedPalette(HWND window)
{
    return RealizeForMode(*this, window, kFixedPalette.data(), 256);
}

short VyrBlitter::VyrRealizePalette(HWND window, BITMAPINFOHEADER* bitmap)
{
    return RealizeHeaderPalette(*this, window, *bitmap);
}

short VyrBlitter::VyrRealizePalette(HWND window, const BITMAPINFOHEADER* bitmap, size_t dibBytes)
{
    if (!PaletteFits(bitmap, dibBytes)) {
        return kBlitUnsupported;
    }
    return RealizeHeaderPalette(*this, window, *bitmap);
}

short VyrBlitter::VyrRealizePalette(HWND window, RGBQUAD* colors, int count)
{
    return RealizeForMode(*this, window, colors, count);
}
