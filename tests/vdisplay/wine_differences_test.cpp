// Where the conformance cross-check under Wine (scripts/wine_crosscheck.sh)
// showed Wine 8 departing from Windows: the virtual display keeps Windows'
// behaviour, and these cases pin it, naming what Wine does instead.
#include <sstream>

#include "vd_test_util.h"

using namespace vdtest;

namespace {

std::string Text(Color c)
{
    std::ostringstream text;
    text << "(" << c.r << ", " << c.g << ", " << c.b << ")";
    return text.str();
}

// The library's display probe: a colour drawn on the screen, copied into a
// 1 x 1 compatible bitmap and read back as a 24-bit DIB pixel.
Color ProbeThroughCompatibleBitmap(Color color, vd::Kind& bitmapKind)
{
    HDC screen = GetDC(nullptr);
    SetPixel(screen, 0, 0, Ref(color));
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, 1, 1, screen, 0, 0, SRCCOPY);
    bitmapKind = vd::ReadBitmap(bitmap).kind;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 1;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 24;
    uint8_t out[4] = {};
    GetDIBits(memory, bitmap, 0, 1, out, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return Color{out[2], out[1], out[0]};
}

// A bitmap compatible with a 16-bit display holds its 5-6-5 pixels, as
// CreateCompatibleBitmap promises: the colour format of the device. Wine 8
// makes every 16-bit bitmap 5-5-5, so that the copy loses the lowest green
// bit: there the probe reads (255, 206, 41) for (250, 200, 40), and 1-bit
// images on a 16-bit display show green 207 where Windows shows 203.
TEST(WineDifferences, CompatibleBitmapOfA16BitDisplayKeepsSixGreenBits)
{
    Configure(vd::Kind::Rgb565, 4, 4);
    struct Case {
        Color drawn;
        Color windows;  // 5-6-5, widened by repeating the bits
        Color wine;     // 5-5-5, widened by repeating the bits
    };
    const Case kCases[] = {
        {{250, 200, 40}, {255, 203, 41}, {255, 206, 41}},
        {{200, 30, 30}, {206, 28, 24}, {206, 24, 24}},
        {{200, 100, 50}, {206, 101, 49}, {206, 99, 49}},
    };
    for (const Case& c : kCases) {
        vd::Kind kind = vd::Kind::Mono;
        const Color read = ProbeThroughCompatibleBitmap(c.drawn, kind);
        EXPECT_EQ(kind, vd::Kind::Rgb565) << Text(c.drawn);
        EXPECT_EQ(read, c.windows) << Text(c.drawn) << " gives " << Text(read) << " (Wine reads " << Text(c.wine)
                                   << ")";
    }
    ExpectNothingLive();
}

// An explicit RGB colour drawn through a DC that holds the default palette
// is matched to the 20 static colours, whatever other palette has been
// realized. Wine 8 (drawing through the X server) matches it against every
// entry of the system palette, and so SetPixel of (200, 100, 50) on the
// screen DC shows the realized (200, 100, 50) there instead of static olive.
TEST(WineDifferences, ExplicitColourThroughTheDefaultPaletteIsAStaticColour)
{
    Configure(vd::Kind::Palette8, 16, 4);
    HWND window = vd::CreateWindow(RECT{0, 0, 16, 4});
    HDC windowDc = GetDC(window);
    HPALETTE palette = MakePalette({{200, 100, 50}, {10, 200, 240}});
    SelectPalette(windowDc, palette, FALSE);
    ASSERT_EQ(RealizePalette(windowDc), 2u);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(SetPixel(screen, 0, 0, RGB(200, 100, 50)), RGB(128, 128, 0)) << "Wine shows (200, 100, 50)";
    EXPECT_EQ(SetPixel(screen, 1, 0, RGB(12, 198, 238)), RGB(0, 255, 255)) << "Wine shows (10, 200, 240)";
    EXPECT_EQ(SetPixel(windowDc, 2, 0, RGB(200, 100, 50)), RGB(200, 100, 50)) << "the realized palette's DC";
    ReleaseDC(nullptr, screen);
    SelectPalette(windowDc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    ReleaseDC(window, windowDc);
    DeleteObject(palette);
    vd::DestroyWindow(window);
    ExpectNothingLive();
}

}  // namespace
