// StretchDIBits on every kind of display: each DIB depth and raster
// operation against a pixel-by-pixel reference, clipping to windows and the
// screen, stretching, row order, colour tables through realized palettes.
#include <functional>

#include "vd_test_util.h"

using namespace vdtest;

namespace {

const char* RopName(DWORD rop) { return rop == SRCCOPY ? "SRCCOPY" : rop == SRCAND ? "SRCAND" : "SRCPAINT"; }

struct Geometry {
    int x, y, dw, dh;
    int sx, sy, sw, sh;
};

std::string Describe(const Geometry& g)
{
    return "dest " + std::to_string(g.x) + "," + std::to_string(g.y) + " " + std::to_string(g.dw) + "x" +
           std::to_string(g.dh) + " src " + std::to_string(g.sx) + "," + std::to_string(g.sy) + " " +
           std::to_string(g.sw) + "x" + std::to_string(g.sh);
}


// What the screen must hold after the draw, straight from the rules: each
// destination pixel samples source pixel (sx + j * sw / dw, top + i * sh / dh)
// where the source rows are counted from the bottom of the DIB; its colour is
// rendered as the device does and combined with the old device pixel.
std::vector<uint32_t> Reference(const std::vector<uint32_t>& before, int screenW, int screenH, const RECT& window,
                                vd::Kind kind, const Dib& dib, const Geometry& g, DWORD rop, bool swapped)
{
    std::vector<uint32_t> after = before;
    const int srcTop = dib.height() - g.sy - g.sh;
    const int top = std::max(0, static_cast<int>(window.top));
    const int bottom = std::min(screenH, static_cast<int>(window.bottom));
    const int left = std::max(0, static_cast<int>(window.left));
    const int right = std::min(screenW, static_cast<int>(window.right));
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const int j = x - window.left - g.x;
            const int i = y - window.top - g.y;
            if (j < 0 || j >= g.dw || i < 0 || i >= g.dh) {
                continue;
            }
            const int sx = g.sx + j * g.sw / g.dw;
            const int sy = srcTop + i * g.sh / g.dh;
            if (sx < 0 || sx >= dib.width() || sy < 0 || sy >= dib.height()) {
                continue;
            }
            const uint32_t source = ReferencePixel(kind, PixelColorAt(dib, sx, sy, swapped));
            uint32_t& pixel = after[static_cast<size_t>(y * screenW + x)];
            pixel = rop == SRCCOPY ? source : rop == SRCAND ? (pixel & source) : (pixel | source);
        }
    }
    return after;
}

Dib RandomDib(Random& random, int bitCount, int width, int height)
{
    Dib dib(width, height, bitCount);
    dib.Randomize(random);
    return dib;
}

struct KindAndDepth {
    vd::Kind kind;
    int bitCount;
};

std::vector<KindAndDepth> EveryKindAndDepth()
{
    std::vector<KindAndDepth> cases;
    for (vd::Kind kind : AllKinds()) {
        for (int bitCount : {1, 4, 8, 16, 24, 32}) {
            cases.push_back({kind, bitCount});
        }
    }
    return cases;
}

class StretchAgainstReference : public ::testing::TestWithParam<KindAndDepth> {};

TEST_P(StretchAgainstReference, EveryRopAndGeometry)
{
    const vd::Kind kind = GetParam().kind;
    const int bitCount = GetParam().bitCount;
    constexpr int kScreenW = 24;
    constexpr int kScreenH = 18;
    for (int seed = 0; seed < 90; ++seed) {
        Random random(static_cast<uint64_t>(seed * 1000 + bitCount));
        const DWORD rop = seed % 3 == 0 ? SRCCOPY : seed % 3 == 1 ? SRCAND : SRCPAINT;
        const bool swapped = random.Between(0, 3) == 0;
        Configure(kind, kScreenW, kScreenH, swapped);
        for (int y = 0; y < kScreenH; ++y) {
            for (int x = 0; x < kScreenW; ++x) {
                vd::SetDevicePixel(x, y, static_cast<uint32_t>(random.Next()) & PixelMask(kind));
            }
        }
        const Dib dib = RandomDib(random, bitCount, random.Between(1, 19), random.Between(1, 9));
        Geometry g{};
        g.x = random.Between(-6, 20);
        g.y = random.Between(-6, 14);
        g.sx = random.Between(-2, dib.width());
        g.sy = random.Between(-2, dib.height());
        g.sw = random.Between(1, dib.width() + 2);
        g.sh = random.Between(1, dib.height() + 2);
        const bool stretched = seed % 2 == 1;
        g.dw = stretched ? random.Between(1, 30) : g.sw;
        g.dh = stretched ? random.Between(1, 20) : g.sh;
        RECT window{0, 0, kScreenW, kScreenH};
        HWND hwnd = nullptr;
        if (random.Between(0, 1) == 1) {
            window.left = random.Between(-5, 15);
            window.top = random.Between(-5, 10);
            window.right = window.left + random.Between(0, 20);
            window.bottom = window.top + random.Between(0, 15);
            hwnd = vd::CreateWindow(window);
        }
        const std::vector<uint32_t> expected =
            Reference(testsupport::DevicePixels(), kScreenW, kScreenH, window, kind, dib, g, rop, swapped);
        HDC dc = GetDC(hwnd);
        const int srcTop = dib.height() - g.sy - g.sh;
        const bool overlaps = g.sx < dib.width() && g.sx + g.sw > 0 && srcTop < dib.height() && srcTop + g.sh > 0;
        const int lines = StretchDIBits(dc, g.x, g.y, g.dw, g.dh, g.sx, g.sy, g.sw, g.sh, dib.pixels(), dib.info(),
                                        DIB_RGB_COLORS, rop);
        ReleaseDC(hwnd, dc);
        const std::string context = std::string(Name(kind)) + " " + std::to_string(bitCount) + "-bit " +
                                    RopName(rop) + (swapped ? " swapped" : "") + " seed " + std::to_string(seed) +
                                    " DIB " + std::to_string(dib.width()) + "x" + std::to_string(dib.height()) +
                                    " " + Describe(g);
        EXPECT_EQ(lines, overlaps ? dib.height() : 0) << context;
        const std::vector<uint32_t> actual = testsupport::DevicePixels();
        for (size_t p = 0; p < actual.size(); ++p) {
            ASSERT_EQ(actual[p], expected[p]) << context << ": first difference at screen " << p % kScreenW << ","
                                              << p / kScreenW;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(KindsAndDepths, StretchAgainstReference, ::testing::ValuesIn(EveryKindAndDepth()),
                         [](const auto& info) {
                             return std::string(Name(info.param.kind)) + "_" + std::to_string(info.param.bitCount);
                         });

// The device pixel that DIB pixel (x, y) must show.
using ShownPixel = std::function<uint32_t(int x, int y)>;

// What the DIB's pixels show through the default palette.
ShownPixel ThroughDefaultPalette(vd::Kind kind, const Dib& dib)
{
    return [kind, &dib](int x, int y) { return ReferencePixel(kind, PixelColorAt(dib, x, y, false)); };
}

// Draws two rows of `width` pixels of the DIB from source column sx at
// (x, y) without stretching, over device pixels set to a marker one pixel
// beyond both ends: the row must show exactly the DIB's pixels, and the
// markers must be left as they were.
::testing::AssertionResult DrawsExactlyTheRows(vd::Kind kind, HDC dc, const Dib& dib, const ShownPixel& shown, int x,
                                               int y, int sx, int width)
{
    constexpr uint32_t kUntouched = 0x00123456;
    for (int i = 0; i < 2; ++i) {
        for (int j = x - 1; j <= x + width; ++j) {
            if (j >= 0) {
                vd::SetDevicePixel(j, y + i, kUntouched & PixelMask(kind));
            }
        }
    }
    if (StretchDIBits(dc, x, y, width, 2, sx, 0, width, 2, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY) != 2) {
        return ::testing::AssertionFailure() << "StretchDIBits did not report 2 scan lines";
    }
    for (int i = 0; i < 2; ++i) {
        for (int j = std::max(x - 1, 0); j <= x + width; ++j) {
            const bool drawn = j >= x && j < x + width;
            const uint32_t expected = drawn ? shown(sx + j - x, i) : (kUntouched & PixelMask(kind));
            if (vd::DevicePixel(j, y + i) != expected) {
                return ::testing::AssertionFailure() << Name(kind) << " " << dib.bits() << "-bit, " << width
                                                     << " pixels at x " << x << " from source column " << sx
                                                     << ": device pixel " << j << "," << y + i << " is "
                                                     << vd::DevicePixel(j, y + i) << ", not " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Screens this wide and 1024 rows high are stored past the cache.
constexpr int kStreamedScreenWidth = 4096;

// The display's ways of drawing, from the widest vectors down, and their
// names for failures.
constexpr vd::Vectors kEveryVectors[] = {vd::Vectors::Avx512, vd::Vectors::Avx2, vd::Vectors::Sse2};

const char* VectorsName(vd::Vectors vectors)
{
    switch (vectors) {
    case vd::Vectors::Avx512: return "AVX-512";
    case vd::Vectors::Avx2: return "AVX2";
    default: return "SSE2";
    }
}

// Rows drawn straight onto a surface of 4 MB or more are stored past the
// cache where their alignment allows, and ordinarily elsewhere. A screen of
// 4096 x 1024 pixels is that large whether it keeps a byte or four a pixel. Every
// alignment of the first device pixel and of the first source pixel within
// its byte must draw exactly the pixels of the DIB, and nothing beside them,
// with every width of vectors.
TEST(StretchLarge, StreamedRowsDrawEveryAlignment)
{
    for (const vd::Vectors vectors : kEveryVectors) {
        for (const vd::Kind kind : {vd::Kind::Rgb32, vd::Kind::Mono, vd::Kind::Palette8}) {
            Configure(kind, kStreamedScreenWidth, 1024, false, vectors);
            HDC dc = GetDC(nullptr);
            for (const int bitCount : {1, 8, 24}) {
                Random random(static_cast<uint64_t>(bitCount) * 31 + static_cast<uint64_t>(kind));
                const Dib dib = RandomDib(random, bitCount, 90, 2);
                for (int x = 0; x < 8; ++x) {
                    for (const int sx : {0, 3, 8}) {
                        ASSERT_TRUE(DrawsExactlyTheRows(kind, dc, dib, ThroughDefaultPalette(kind, dib), x,
                                                        2 * (8 * x + sx), sx, dib.width() - sx - x))
                            << "with " << VectorsName(vectors);
                    }
                }
            }
            ReleaseDC(nullptr, dc);
        }
    }
}

// Draws rows of every length from one pixel to a few vector steps, and
// some of several of the widest steps (64 pixels), from every alignment of
// source and device pixels, each checked as DrawsExactlyTheRows does. The
// DIB is at least 204 pixels wide.
::testing::AssertionResult DrawsEveryLengthAndAlignment(vd::Kind kind, HDC dc, const Dib& dib,
                                                        const ShownPixel& shown)
{
    std::vector<int> widths = {127, 128, 129, 191, 200};
    for (int width = 1; width <= 70; ++width) {
        widths.push_back(width);
    }
    for (const int width : widths) {
        for (int x = 0; x < 4; ++x) {
            for (int sx = 0; sx < 4; ++sx) {
                if (auto drawn = DrawsExactlyTheRows(kind, dc, dib, shown, x, 2 * (4 * x + sx), sx, width); !drawn) {
                    return drawn;
                }
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The decoders of 1-, 8- and 24-bit rows place several pixels a step, as
// many as the vectors allow, and finish a row one by one: with every width
// of vectors, on a surface whose stores stay ordinary and on one that stores
// past the cache, every row must draw exactly the DIB's pixels.
TEST(StretchRowDecoders, EveryLengthAndAlignmentDrawsExactlyTheRow)
{
    for (const vd::Vectors vectors : kEveryVectors) {
        for (const vd::Kind kind :
             {vd::Kind::Rgb32, vd::Kind::Rgb24, vd::Kind::Palette8, vd::Kind::Mono, vd::Kind::Packed4, vd::Kind::Rgb332}) {
            for (const int screenWidth : {256, kStreamedScreenWidth}) {
                Configure(kind, screenWidth, 1024, false, vectors);
                HDC dc = GetDC(nullptr);
                for (const int bitCount : {1, 8, 24}) {
                    Random random(static_cast<uint64_t>(bitCount) * 7 + static_cast<uint64_t>(kind));
                    const Dib dib = RandomDib(random, bitCount, 204, 2);
                    EXPECT_TRUE(DrawsEveryLengthAndAlignment(kind, dc, dib, ThroughDefaultPalette(kind, dib)))
                        << "on a screen " << screenWidth << " pixels wide with " << VectorsName(vectors);
                }
                ReleaseDC(nullptr, dc);
            }
        }
    }
}

// Through a realized palette that holds every colour of the system palette
// once, an 8-bit DIB whose colour table is the system palette in its order
// shows each index as the device pixel of that number: its rows are widened
// sixteen indices a step instead of looked up.
TEST(StretchRowDecoders, IdentityTableShowsEachIndexAsItsDevicePixel)
{
    for (const int screenWidth : {256, kStreamedScreenWidth}) {
        Configure(vd::Kind::Palette8, screenWidth, 1024, false, vd::Vectors::Sse2);
        std::vector<Color> everyColor;
        for (const PALETTEENTRY& entry : vd::SystemPalette()) {
            everyColor.push_back({entry.peRed, entry.peGreen, entry.peBlue});
        }
        for (int k = 10; k < 246; ++k) {
            everyColor[static_cast<size_t>(k)] = {static_cast<uint8_t>(k), 1, 2};
        }
        HDC dc = GetDC(nullptr);
        HPALETTE palette = SelectRealizedPalette(dc, everyColor);
        Random random(static_cast<uint64_t>(screenWidth));
        Dib dib = RandomDib(random, 8, 204, 2);
        const std::vector<PALETTEENTRY> system = vd::SystemPalette();
        for (int k = 0; k < 256; ++k) {
            dib.SetColor(k, system[k].peRed, system[k].peGreen, system[k].peBlue);
        }
        const ShownPixel index = [&dib](int x, int y) { return dib.Pixel(x, y); };
        EXPECT_TRUE(DrawsEveryLengthAndAlignment(vd::Kind::Palette8, dc, dib, index))
            << "on a screen " << screenWidth << " pixels wide";
        ReleaseDC(nullptr, dc);
        DeleteObject(palette);
    }
}

// Without AVX2, 8-bit rows onto byte pixels go through the pixels of every
// two indices once their colour table has drawn 64 K pixels, which one pass
// of every length and alignment does: the next pass, wholly through pairs,
// and a pass with another colour table after it, whose pairs are not yet
// made, must draw exactly the DIB's pixels.
TEST(StretchRowDecoders, PairsOfIndicesDrawExactlyTheRow)
{
    for (const vd::Kind kind : {vd::Kind::Palette8, vd::Kind::Mono, vd::Kind::Rgb332}) {
        for (const int screenWidth : {256, kStreamedScreenWidth}) {
            Configure(kind, screenWidth, 1024, false, vd::Vectors::Sse2);
            HDC dc = GetDC(nullptr);
            Random random(static_cast<uint64_t>(screenWidth) + static_cast<uint64_t>(kind));
            const Dib dib = RandomDib(random, 8, 204, 2);
            const Dib other = RandomDib(random, 8, 204, 2);
            const std::string where = std::string(Name(kind)) + " on a screen " + std::to_string(screenWidth) +
                                      " pixels wide";
            for (const char* pass : {"first pass", "through pairs"}) {
                EXPECT_TRUE(DrawsEveryLengthAndAlignment(kind, dc, dib, ThroughDefaultPalette(kind, dib)))
                    << where << ", " << pass;
            }
            EXPECT_TRUE(DrawsEveryLengthAndAlignment(kind, dc, other, ThroughDefaultPalette(kind, other)))
                << where << ", another colour table";
            ReleaseDC(nullptr, dc);
        }
    }
}

// A 2 x 3 DIB whose rows are red, green, blue from the top.
Dib ThreeRows(int bitCount, bool topDown = false)
{
    Dib dib(2, topDown ? -3 : 3, bitCount);
    const Color colors[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int y = 0; y < 3; ++y) {
        if (bitCount <= 8) {
            dib.SetColor(y, Rgb(colors[y]));
        }
        for (int x = 0; x < 2; ++x) {
            dib.SetPixel(x, y, bitCount <= 8 ? static_cast<uint32_t>(y) : Rgb(colors[y]));
        }
    }
    return dib;
}

struct RowOrderCase {
    const char* name;
    bool topDown;
    int sy, sh, dh;
    DWORD rop;
    std::vector<Color> rows;  // screen rows 0.. in column 0
};

TEST(StretchRows, SourceRowsAreCountedFromTheBottom)
{
    const Color red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, black{0, 0, 0};
    const RowOrderCase cases[] = {
        {"bottom-up whole image is upright", false, 0, 3, 3, SRCCOPY, {red, green, blue, black}},
        {"bottom-up ySrc 1 skips the bottom row", false, 1, 2, 2, SRCCOPY, {red, green, black, black}},
        {"bottom-up ySrc 0 height 1 is the bottom row", false, 0, 1, 1, SRCCOPY, {blue, black, black, black}},
        {"bottom-up enlarged 2 rows to 4", false, 1, 2, 4, SRCCOPY, {red, red, green, green}},
        {"top-down from the origin is upright", true, 0, 3, 3, SRCCOPY, {red, green, blue, black}},
        {"top-down SRCCOPY off the origin still counts from the bottom", true, 1, 2, 2, SRCCOPY,
         {red, green, black, black}},
        {"top-down SRCPAINT counts from the top", true, 1, 2, 2, SRCPAINT, {green, blue, black, black}},
    };
    for (const RowOrderCase& c : cases) {
        for (int bitCount : {8, 24}) {
            Configure(vd::Kind::Rgb32, 4, 4);
            const Dib dib = ThreeRows(bitCount, c.topDown);
            HDC dc = GetDC(nullptr);
            StretchDIBits(dc, 0, 0, 2, c.dh, 0, c.sy, 2, c.sh, dib.pixels(), dib.info(), DIB_RGB_COLORS, c.rop);
            ReleaseDC(nullptr, dc);
            for (int y = 0; y < 4; ++y) {
                EXPECT_EQ(FromRef(vd::ScreenColor(0, y)), c.rows[static_cast<size_t>(y)])
                    << c.name << ", " << bitCount << "-bit, screen row " << y;
            }
        }
    }
}

TEST(StretchRows, NegativeExtentsMirror)
{
    Configure(vd::Kind::Rgb32, 6, 6);
    Dib dib(3, 1, 24);
    dib.SetPixel(0, 0, 0xFF0000);
    dib.SetPixel(1, 0, 0x00FF00);
    dib.SetPixel(2, 0, 0x0000FF);
    HDC dc = GetDC(nullptr);
    // A negative destination width covers the pixels left of xDest, xDest included.
    StretchDIBits(dc, 3, 0, -3, 1, 0, 0, 3, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(vd::ScreenColor(1, 0), RGB(0, 0, 255));
    EXPECT_EQ(vd::ScreenColor(2, 0), RGB(0, 255, 0));
    EXPECT_EQ(vd::ScreenColor(3, 0), RGB(255, 0, 0));
    EXPECT_EQ(vd::ScreenColor(0, 0), RGB(0, 0, 0));
    // Mirrored on both sides draws upright.
    StretchDIBits(dc, 3, 2, -3, 1, 2, 0, -3, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(vd::ScreenColor(1, 2), RGB(255, 0, 0));
    EXPECT_EQ(vd::ScreenColor(3, 2), RGB(0, 0, 255));
    ReleaseDC(nullptr, dc);
}

struct ResultCase {
    const char* name;
    int x, y, dw, dh, sx, sy, sw, sh;
    bool topDown;
    DWORD rop;
    int expected;
};

TEST(StretchResult, ScanLinesAsGdiCountsThem)
{
    const ResultCase cases[] = {
        {"whole DIB", 0, 0, 4, 5, 0, 0, 4, 5, false, SRCCOPY, 5},
        {"part of the DIB still reports its height", 0, 0, 2, 2, 1, 1, 2, 2, false, SRCCOPY, 5},
        {"SRCAND reports biHeight", 0, 0, 4, 5, 0, 0, 4, 5, false, SRCAND, 5},
        {"SRCAND of a top-down DIB reports the negative biHeight", 0, 0, 4, 5, 0, 0, 4, 5, true, SRCAND, -5},
        {"SRCCOPY of a top-down DIB reports its height", 0, 0, 4, 5, 0, 0, 4, 5, true, SRCCOPY, 5},
        {"destination clipped away still reports the height", 100, 100, 4, 5, 0, 0, 4, 5, false, SRCCOPY, 5},
        {"zero-sized destination reports the height", 0, 0, 0, 0, 0, 0, 4, 5, false, SRCCOPY, 5},
        {"source right of the DIB draws nothing", 0, 0, 4, 5, 4, 0, 4, 5, false, SRCCOPY, 0},
        {"source above the DIB draws nothing", 0, 0, 4, 5, 0, 5, 4, 5, false, SRCCOPY, 0},
        {"zero-sized source draws nothing", 0, 0, 4, 5, 0, 0, 0, 5, false, SRCCOPY, 0},
    };
    for (const ResultCase& c : cases) {
        Configure(vd::Kind::Rgb32, 16, 16);
        Dib dib(4, c.topDown ? -5 : 5, 8);
        HDC dc = GetDC(nullptr);
        EXPECT_EQ(StretchDIBits(dc, c.x, c.y, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh, dib.pixels(), dib.info(),
                                DIB_RGB_COLORS, c.rop),
                  c.expected)
            << c.name;
        ReleaseDC(nullptr, dc);
    }
}

TEST(StretchResult, RejectedDibsDrawNothing)
{
    Configure(vd::Kind::Rgb32, 8, 8);
    vd::FillScreen(RGB(9, 9, 9));
    HDC dc = GetDC(nullptr);
    struct Bad {
        const char* name;
        void (*spoil)(BITMAPINFOHEADER&);
    };
    const Bad bad[] = {
        {"two planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }},
        {"compressed", [](BITMAPINFOHEADER& h) { h.biCompression = 1; }},
        {"2 bits per pixel", [](BITMAPINFOHEADER& h) { h.biBitCount = 2; }},
        {"zero width", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
        {"zero height", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }},
        {"short header", [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
    };
    for (const Bad& b : bad) {
        Dib dib(2, 2, 8);
        b.spoil(*dib.header());
        EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 0)
            << b.name;
        EXPECT_EQ(vd::ScreenColor(0, 0), RGB(9, 9, 9)) << b.name;
    }
    Dib dib(2, 2, 8);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, nullptr, dib.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, dib.pixels(), nullptr, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, dib.pixels(), dib.info(), 1, SRCCOPY), 0) << "DIB_PAL_COLORS";
    ReleaseDC(nullptr, dc);
}

TEST(StretchColors, SwappedDisplayReads24BitPixelsAsRedGreenBlue)
{
    for (bool swapped : {false, true}) {
        Configure(vd::Kind::Rgb32, 4, 4, swapped);
        Dib dib24(1, 1, 24);
        dib24.SetPixel(0, 0, 0x1E140A);  // bytes 10, 20, 30
        Dib dib32(1, 1, 32);
        dib32.SetPixel(0, 0, 0x1E140A);
        HDC dc = GetDC(nullptr);
        StretchDIBits(dc, 0, 0, 1, 1, 0, 0, 1, 1, dib24.pixels(), dib24.info(), DIB_RGB_COLORS, SRCCOPY);
        StretchDIBits(dc, 1, 0, 1, 1, 0, 0, 1, 1, dib32.pixels(), dib32.info(), DIB_RGB_COLORS, SRCCOPY);
        ReleaseDC(nullptr, dc);
        EXPECT_EQ(vd::ScreenColor(0, 0), swapped ? RGB(10, 20, 30) : RGB(30, 20, 10)) << "swapped " << swapped;
        EXPECT_EQ(vd::ScreenColor(1, 0), RGB(30, 20, 10)) << "32-bit DIBs are never swapped";
    }
}

TEST(StretchColors, ColourTableGoesThroughTheSelectedRealizedPalette)
{
    Configure(vd::Kind::Palette8, 8, 2);
    const std::vector<Color> logical = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {200, 10, 10}};
    HWND window = vd::CreateWindow(RECT{0, 0, 8, 2});
    HDC dc = GetDC(window);
    HPALETTE palette = SelectRealizedPalette(dc, logical);
    const std::vector<Color> table = {{70, 80, 90}, {42, 50, 60}, {255, 0, 0}, {0, 0, 0}, {10, 20, 30}};
    Dib dib(static_cast<int>(table.size()), 1, 8);
    for (size_t i = 0; i < table.size(); ++i) {
        dib.SetColor(static_cast<int>(i), Rgb(table[i]));
        dib.SetPixel(static_cast<int>(i), 0, static_cast<uint32_t>(i));
    }
    StretchDIBits(dc, 0, 0, dib.width(), 1, 0, 0, dib.width(), 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    for (size_t i = 0; i < table.size(); ++i) {
        const int nearest = Nearest(logical, table[i]);
        EXPECT_EQ(vd::DevicePixel(static_cast<int>(i), 0), static_cast<uint32_t>(10 + nearest))
            << "table entry " << i << " " << ToString(table[i]);
    }
    // With the default palette only the static colours are candidates.
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    StretchDIBits(dc, 0, 1, dib.width(), 1, 0, 0, dib.width(), 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(vd::DevicePixel(static_cast<int>(i), 1), ReferencePixel(vd::Kind::Palette8, table[i]))
            << "default palette, table entry " << i;
    }
    ReleaseDcAndPalette(window, dc, palette);
}

// The translation of a colour table is kept from one call to the next; each
// thing it depends on must still show in the next draw.
TEST(StretchColors, RepeatedTableFollowsEveryChange)
{
    Configure(vd::Kind::Palette8, 4, 1);
    HDC dc = GetDC(nullptr);
    Dib dib(1, 1, 8);
    dib.SetColor(0, 255, 0, 0);
    auto draw = [&] {
        StretchDIBits(dc, 0, 0, 1, 1, 0, 0, 1, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
        return vd::DevicePixel(0, 0);
    };
    EXPECT_EQ(draw(), ReferencePixel(vd::Kind::Palette8, {255, 0, 0}));
    // The same table memory with another colour.
    dib.SetColor(0, 0, 0, 255);
    EXPECT_EQ(draw(), ReferencePixel(vd::Kind::Palette8, {0, 0, 255}));
    // A palette never realized shows through the nearest system entries, so a
    // change of the system palette alone changes the pixel.
    HPALETTE palette = MakePalette({{0, 0, 250}});
    SelectPalette(dc, palette, FALSE);
    const uint32_t before = draw();
    const PALETTEENTRY nearBlue{0, 0, 251, 0};
    vd::SetSystemPaletteEntries(100, 1, &nearBlue);
    EXPECT_NE(draw(), before);
    EXPECT_EQ(draw(), 100u);
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    ReleaseDcAndPalette(nullptr, dc, palette);
}

TEST(StretchColors, RopsCombinePaletteIndices)
{
    Configure(vd::Kind::Palette8, 4, 1);
    HDC dc = GetDC(nullptr);
    vd::SetDevicePixel(0, 0, 0x5A);
    vd::SetDevicePixel(1, 0, 0x5A);
    Dib dib(1, 1, 8);
    dib.SetColor(0, 255, 0, 0);  // static 249 = 0xF9
    StretchDIBits(dc, 0, 0, 1, 1, 0, 0, 1, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCAND);
    StretchDIBits(dc, 1, 0, 1, 1, 0, 0, 1, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCPAINT);
    EXPECT_EQ(vd::DevicePixel(0, 0), 0x5Au & 0xF9u);
    EXPECT_EQ(vd::DevicePixel(1, 0), 0x5Au | 0xF9u);
    ReleaseDC(nullptr, dc);
}

TEST(StretchColors, ShortColourTableShowsBlackBeyondIt)
{
    Configure(vd::Kind::Rgb32, 4, 1);
    Dib dib(2, 1, 8);
    dib.SetColor(0, 1, 2, 3);
    dib.SetColor(1, 4, 5, 6);
    dib.header()->biClrUsed = 1;
    dib.SetPixel(1, 0, 1);
    HDC dc = GetDC(nullptr);
    StretchDIBits(dc, 0, 0, 2, 1, 0, 0, 2, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(vd::ScreenColor(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(vd::ScreenColor(1, 0), RGB(0, 0, 0));
}

TEST(StretchRecord, EveryCallIsRecordedUntilCleared)
{
    Configure(vd::Kind::Rgb32, 8, 8);
    Dib dib(2, 2, 24);
    HDC dc = GetDC(nullptr);
    StretchDIBits(dc, 1, 2, 3, 4, 0, 1, 2, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCAND);
    StretchDIBits(dc, 5, 6, 2, 2, 0, 0, 2, 2, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCPAINT);
    ReleaseDC(nullptr, dc);
    const std::vector<vd::StretchCall> calls = vd::StretchCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].x, 1);
    EXPECT_EQ(calls[0].y, 2);
    EXPECT_EQ(calls[0].width, 3);
    EXPECT_EQ(calls[0].height, 4);
    EXPECT_EQ(calls[0].srcX, 0);
    EXPECT_EQ(calls[0].srcY, 1);
    EXPECT_EQ(calls[0].srcWidth, 2);
    EXPECT_EQ(calls[0].srcHeight, 1);
    EXPECT_EQ(calls[0].bitCount, 24);
    EXPECT_EQ(calls[0].rop, SRCAND);
    EXPECT_EQ(calls[1].rop, SRCPAINT);
    vd::ClearStretchCalls();
    EXPECT_TRUE(vd::StretchCalls().empty());
    dc = GetDC(nullptr);
    StretchDIBits(dc, 0, 0, 1, 1, 0, 0, 1, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(vd::StretchCalls().size(), 1u);
    Configure(vd::Kind::Rgb32, 8, 8);
    EXPECT_TRUE(vd::StretchCalls().empty()) << "Configure clears the record";
}

TEST(StretchClip, DestroyedWindowDrawsNothing)
{
    Configure(vd::Kind::Rgb32, 8, 8);
    HWND window = vd::CreateWindow(RECT{0, 0, 8, 8});
    HDC dc = GetDC(window);
    vd::DestroyWindow(window);
    Dib dib(2, 2, 24);
    dib.SetPixel(0, 0, 0xFFFFFF);
    StretchDIBits(dc, 0, 0, 2, 2, 0, 0, 2, 2, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(vd::ScreenColor(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(GetDC(window), nullptr);
    ExpectNothingLive();
}

}  // namespace
