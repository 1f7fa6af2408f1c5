// Helpers of the tests that run the Windows build on a real GDI (Wine on an
// Xvfb screen, or Windows itself): what the screen is, a window to draw into
// and read back, packed DIBs built in memory, and the colours a true-colour
// screen must show for a blit.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/packed_dib.h"
#include "support/leak_check.h"
#include "support/random.h"
#include "dibdraw32/VyrBlitter.h"

namespace winetest {

// The screen's capabilities, asked of GDI directly.
struct ScreenCaps {
    int planes;
    int bitsPixel;
    int sizePalette;
    bool rcPalette;

    static ScreenCaps Now();
    bool Palettized() const { return bitsPixel == 8 && sizePalette != 0 && rcPalette; }
    bool TrueColour() const { return planes * bitsPixel > 8; }
    std::string Describe() const;
};

bool RunningOnWine();

// 0xRRGGBB.
constexpr uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue)
{
    return (red << 16) | (green << 8) | blue;
}
std::string Hex(uint32_t rgb);

// The screen's current system palette as 0xRRGGBB values.
std::vector<uint32_t> SystemPalette();

// A visible popup window of its own, away from the screen pixel (0, 0) that
// the library's probes use, so that nothing else draws where the tests look.
class TestWindow {
public:
    static constexpr int kLeft = 64;
    static constexpr int kTop = 48;
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 360;

    static TestWindow& Get();
    HWND hwnd() const { return m_hwnd; }

    // Paints the whole client area (or a rectangle of it) with one colour.
    void Fill(uint32_t rgb) const;
    void Fill(HDC dc, const RECT& rect, uint32_t rgb) const;
    // The colours shown in a client rectangle, row by row from its top, as
    // read back through a bitmap copied from the window's device context.
    std::vector<uint32_t> Read(const RECT& rect) const;
    std::vector<uint32_t> Read(HDC dc, const RECT& rect) const;
    // What the screen shows for each colour when GDI itself draws it (a
    // 24-bit DIB through StretchDIBits into a spare strip at the bottom of the
    // window, with whatever palette `dc` has selected).
    std::vector<uint32_t> Shown(HDC dc, const std::vector<uint32_t>& colors) const;
    // What the screen shows for each index of an 8-bit DIB whose colour
    // table is `table` (up to 256 colours), drawn the same way with the
    // raster operation `rop` onto white.
    std::vector<uint32_t> ShownIndices(HDC dc, const std::vector<uint32_t>& table, DWORD rop = SRCCOPY) const;

private:
    TestWindow();
    HWND m_hwnd = nullptr;
};

using Dib = dibkit::PackedDib;

using testsupport::Random;

// Random colours and pixels.
void Randomize(Dib& dib, Random& random);

// The two colours of a 1-bit image, each with the reserved byte that makes it
// transparent (255) or opaque (0).
struct TwoColours {
    uint32_t color0, color1;
    uint8_t reserved0, reserved1;
};

// A 1-bit image of random pixels from `seed`, drawn in the two colours.
Dib TwoColourImage(int width, int height, uint64_t seed, const TwoColours& colours);

// The colour a true-colour screen of `bitsPixel` bits shows for an exact
// colour: 16 bits keep 5, 6 and 5 top bits of red, green and blue and read
// back with the kept bits repeated below them; 24 and 32 bits show it as it is.
uint32_t TrueColourRendition(uint32_t rgb, int bitsPixel);

// What a read-back through a bitmap compatible with the screen (as the
// library's probe does it) gives for a colour. Wine departs from Windows on a
// 16-bit screen: its compatible bitmaps hold 5-5-5 pixels, so green comes
// back with 5 bits, not the screen's 6.
uint32_t CompatibleBitmapRendition(uint32_t rgb, int bitsPixel);

// How many system palette entries a foreground realization can take: the 236
// that the 20 static colours leave on Windows. Wine also withholds entries 96
// to 159, the colours it allocated in the X server's shared colormap, and
// leaves 172 (pinned in PaletteScreen.RealizationTakesTheFreeEntries).
int RealizableEntries();

// The exact colours (0xRRGGBB, row by row from the top) of a blit of `src`
// (already clipped) into a dstW × dstH rectangle on a true-colour screen:
// nearest-lower sampling both ways, and for a 1-bit image reduced
// horizontally and drawn opaquely the share of set pixels in each group shown
// on a ramp from colour 0 to colour 1. Other 1-bit images show `monoColors`
// (the display's renditions of their two colours) when given. Transparency is
// not modelled.
std::vector<uint32_t> ExpectedTrueColourBlit(const Dib& dib, const RECT& src, int dstW, int dstH,
                                             const uint32_t* monoColors = nullptr);

// The first differing pixel of two images of `width` columns, or "" when
// they are equal.
std::string FirstDifference(const std::vector<uint32_t>& actual, const std::vector<uint32_t>& expected,
                            int width);

// The leak check of every test.
using testsupport::ExpectSameResources;
using testsupport::GdiObjectsCounted;
using testsupport::ResourceCounts;

// The converter's name, through the DLL's diagnostics export.
std::string NameOf(BlitterFn converter);

}  // namespace winetest
