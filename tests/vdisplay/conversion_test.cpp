// Colour <-> device pixel conversion of every kind of display, the device
// capabilities and palettes the kinds report, and single-pixel access.
#include "vd_test_util.h"

using namespace vdtest;

namespace {

struct ConversionCase {
    const char* name;
    vd::Kind kind;
    Color in;
    uint32_t pixel;
    Color shown;
};

const ConversionCase kConversionCases[] = {
    // Monochrome: white from luminance (30 R + 59 G + 11 B) / 100 = 128 on.
    {"mono grey 127 is black", vd::Kind::Mono, {127, 127, 127}, 0, {0, 0, 0}},
    {"mono grey 128 is white", vd::Kind::Mono, {128, 128, 128}, 1, {255, 255, 255}},
    {"mono green 216 (luminance 127) is black", vd::Kind::Mono, {0, 216, 0}, 0, {0, 0, 0}},
    {"mono green 217 (luminance 128) is white", vd::Kind::Mono, {0, 217, 0}, 1, {255, 255, 255}},
    {"mono pure red is black", vd::Kind::Mono, {255, 0, 0}, 0, {0, 0, 0}},
    {"mono yellow is white", vd::Kind::Mono, {255, 255, 0}, 1, {255, 255, 255}},
    // 5-6-5: channels truncated, widened again by bit replication.
    {"565 white", vd::Kind::Rgb565, {255, 255, 255}, 0xFFFF, {255, 255, 255}},
    {"565 below one step is black", vd::Kind::Rgb565, {7, 3, 7}, 0, {0, 0, 0}},
    {"565 one step", vd::Kind::Rgb565, {8, 4, 8}, 0x0821, {8, 4, 8}},
    {"565 middle", vd::Kind::Rgb565, {132, 130, 132}, 0x8410, {132, 130, 132}},
    {"565 mixed", vd::Kind::Rgb565, {200, 100, 50}, 0xCB26, {206, 101, 49}},
    // 3-3-2.
    {"332 white", vd::Kind::Rgb332, {255, 255, 255}, 0xFF, {255, 255, 255}},
    {"332 below one step is black", vd::Kind::Rgb332, {31, 31, 63}, 0, {0, 0, 0}},
    {"332 one step", vd::Kind::Rgb332, {32, 32, 64}, 0x25, {36, 36, 85}},
    {"332 mixed", vd::Kind::Rgb332, {200, 100, 50}, 0xCC, {219, 109, 0}},
    // True colour keeps every bit.
    {"rgb24 exact", vd::Kind::Rgb24, {1, 2, 3}, 0x010203, {1, 2, 3}},
    {"rgb32 exact", vd::Kind::Rgb32, {250, 128, 7}, 0xFA8007, {250, 128, 7}},
    // Four greys: nearest by squared distance.
    {"grey2 42 is black", vd::Kind::Grey2, {42, 42, 42}, 0, {0, 0, 0}},
    {"grey2 43 is dark grey", vd::Kind::Grey2, {43, 43, 43}, 1, {85, 85, 85}},
    {"grey2 127 is dark grey", vd::Kind::Grey2, {127, 127, 127}, 1, {85, 85, 85}},
    {"grey2 128 is light grey", vd::Kind::Grey2, {128, 128, 128}, 2, {170, 170, 170}},
    {"grey2 red is dark grey", vd::Kind::Grey2, {255, 0, 0}, 1, {85, 85, 85}},
    {"grey2 white", vd::Kind::Grey2, {255, 255, 255}, 3, {255, 255, 255}},
    // Sixteen colours.
    {"16 red", vd::Kind::Planar4, {255, 0, 0}, 9, {255, 0, 0}},
    {"16 dark red", vd::Kind::Packed4, {130, 0, 0}, 1, {128, 0, 0}},
    {"16 grey 100 is dark grey", vd::Kind::Planar4, {100, 100, 100}, 8, {128, 128, 128}},
    {"16 tie between black and dark red takes black", vd::Kind::Packed4, {64, 0, 0}, 0, {0, 0, 0}},
    {"16 tie between silver and grey takes silver", vd::Kind::Planar4, {160, 160, 160}, 7, {192, 192, 192}},
    // 256 colours through the default palette: the 20 static colours.
    {"256 red", vd::Kind::Palette8, {255, 0, 0}, 249, {255, 0, 0}},
    {"256 near black", vd::Kind::Palette8, {1, 1, 1}, 0, {0, 0, 0}},
    {"256 grey 128", vd::Kind::Palette8, {128, 128, 128}, 248, {128, 128, 128}},
    {"256 money green", vd::Kind::Palette8, {192, 220, 192}, 8, {192, 220, 192}},
    {"256 near white beats cream", vd::Kind::Palette8, {250, 250, 250}, 255, {255, 255, 255}},
    {"256 tie between black and dark red takes black", vd::Kind::Palette8, {64, 0, 0}, 0, {0, 0, 0}},
    {"256 grey 160 is static 247", vd::Kind::Palette8, {160, 160, 160}, 247, {160, 160, 164}},
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, SetPixelStoresTheDevicePixelAndReportsItsColour)
{
    const ConversionCase& c = GetParam();
    Configure(c.kind);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(FromRef(SetPixel(dc, 3, 2, Ref(c.in))), c.shown) << c.name;
    EXPECT_EQ(vd::DevicePixel(3, 2), c.pixel) << c.name;
    EXPECT_EQ(FromRef(GetPixel(dc, 3, 2)), c.shown) << c.name;
    EXPECT_EQ(FromRef(vd::ScreenColor(3, 2)), c.shown) << c.name;
    ReleaseDC(nullptr, dc);
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, Conversion, ::testing::ValuesIn(kConversionCases));

class EveryKind : public ::testing::TestWithParam<vd::Kind> {};

TEST_P(EveryKind, RandomColoursConvertAsTheReferenceDevice)
{
    const vd::Kind kind = GetParam();
    Configure(kind);
    HDC dc = GetDC(nullptr);
    for (int seed = 0; seed < 400; ++seed) {
        Random random(static_cast<uint64_t>(seed));
        const Color color = random.AnyColor();
        const uint32_t expected = ReferencePixel(kind, color);
        const Color shown = ReferenceColor(kind, expected);
        ASSERT_EQ(FromRef(SetPixel(dc, 1, 1, Ref(color))), shown) << Name(kind) << " seed " << seed << " colour "
                                                                  << ToString(color);
        ASSERT_EQ(vd::DevicePixel(1, 1), expected) << Name(kind) << " seed " << seed << " " << ToString(color);
        ASSERT_EQ(FromRef(GetPixel(dc, 1, 1)), shown) << Name(kind) << " seed " << seed;
        ASSERT_EQ(FromRef(vd::PixelColor(expected)), shown) << Name(kind) << " seed " << seed;
    }
    ReleaseDC(nullptr, dc);
}

TEST_P(EveryKind, ScreenStartsBlackAndConfigureClearsIt)
{
    const vd::Kind kind = GetParam();
    Configure(kind, 9, 7);
    HDC dc = GetDC(nullptr);
    SetPixel(dc, 4, 4, RGB(255, 255, 255));
    ReleaseDC(nullptr, dc);
    Configure(kind, 9, 7);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            ASSERT_EQ(vd::DevicePixel(x, y), 0u) << Name(kind) << " at " << x << "," << y;
            ASSERT_EQ(vd::ScreenColor(x, y), RGB(0, 0, 0)) << Name(kind) << " at " << x << "," << y;
        }
    }
    EXPECT_EQ(vd::DevicePixel(9, 0), 0xFFFFFFFFu) << Name(kind);
    EXPECT_EQ(vd::ScreenColor(0, -1), CLR_INVALID) << Name(kind);
}

TEST_P(EveryKind, FillScreenUsesTheDevicesRendition)
{
    const vd::Kind kind = GetParam();
    Configure(kind, 5, 4);
    vd::FillScreen(RGB(200, 100, 50));
    const uint32_t expected = ReferencePixel(kind, {200, 100, 50});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            ASSERT_EQ(vd::DevicePixel(x, y), expected) << Name(kind);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::ValuesIn(AllKinds()),
                         [](const auto& info) { return std::string(Name(info.param)); });

struct CapsCase {
    vd::Kind kind;
    int planes, bitsPixel, sizePalette, numColors;
    bool rcPalette;
    int paletteEntries;
};

const CapsCase kCapsCases[] = {
    {vd::Kind::Mono, 1, 1, 0, 2, false, 2},       {vd::Kind::Planar4, 4, 1, 0, 16, false, 16},
    {vd::Kind::Packed4, 1, 4, 0, 16, false, 16},  {vd::Kind::Palette8, 1, 8, 256, 20, true, 256},
    {vd::Kind::Rgb332, 1, 8, 0, -1, false, 0},    {vd::Kind::Rgb565, 1, 16, 0, -1, false, 0},
    {vd::Kind::Rgb24, 1, 24, 0, -1, false, 0},    {vd::Kind::Rgb32, 1, 32, 0, -1, false, 0},
    {vd::Kind::Grey2, 1, 2, 0, 4, false, 4},
};

class Caps : public ::testing::TestWithParam<CapsCase> {};

TEST_P(Caps, DeviceCapabilitiesDescribeTheKind)
{
    const CapsCase& c = GetParam();
    Configure(c.kind, 40, 30);
    HDC screen = GetDC(nullptr);
    HWND window = vd::CreateWindow(RECT{5, 5, 15, 15});
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    for (HDC dc : {screen, windowDc, memory}) {
        EXPECT_EQ(GetDeviceCaps(dc, PLANES), c.planes) << Name(c.kind);
        EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), c.bitsPixel) << Name(c.kind);
        EXPECT_EQ(GetDeviceCaps(dc, SIZEPALETTE), c.sizePalette) << Name(c.kind);
        EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), c.numColors) << Name(c.kind);
        EXPECT_EQ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0, c.rcPalette) << Name(c.kind);
        EXPECT_EQ(GetDeviceCaps(dc, 8 /* HORZRES */), 40) << Name(c.kind);
        EXPECT_EQ(GetDeviceCaps(dc, 10 /* VERTRES */), 30) << Name(c.kind);
    }
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    ReleaseDC(nullptr, screen);
}

TEST_P(Caps, SystemPaletteEntriesAreTheKindsColours)
{
    const CapsCase& c = GetParam();
    Configure(c.kind);
    std::vector<Color> expected;
    switch (c.kind) {
    case vd::Kind::Mono: expected = {{0, 0, 0}, {255, 255, 255}}; break;
    case vd::Kind::Planar4:
    case vd::Kind::Packed4: expected.assign(SixteenColors().begin(), SixteenColors().end()); break;
    case vd::Kind::Palette8: expected = StartSystemPalette(); break;
    case vd::Kind::Grey2: expected = {{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}}; break;
    default: break;
    }
    ASSERT_EQ(expected.size(), static_cast<size_t>(c.paletteEntries));
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 256, nullptr), static_cast<UINT>(c.paletteEntries)) << Name(c.kind);
    std::vector<PALETTEENTRY> entries(257, PALETTEENTRY{1, 2, 3, 4});
    ASSERT_EQ(GetSystemPaletteEntries(dc, 0, 257, entries.data()), static_cast<UINT>(c.paletteEntries))
        << Name(c.kind);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ((Color{entries[i].peRed, entries[i].peGreen, entries[i].peBlue}), expected[i])
            << Name(c.kind) << " entry " << i;
        EXPECT_EQ(entries[i].peFlags, 0) << Name(c.kind) << " entry " << i;
    }
    EXPECT_EQ(entries[expected.size()].peFlags, 4) << Name(c.kind) << ": wrote past the palette";
    if (c.paletteEntries > 1) {
        PALETTEENTRY tail[4] = {};
        EXPECT_EQ(GetSystemPaletteEntries(dc, static_cast<UINT>(c.paletteEntries - 1), 4, tail), 1u)
            << Name(c.kind);
        EXPECT_EQ((Color{tail[0].peRed, tail[0].peGreen, tail[0].peBlue}), expected.back()) << Name(c.kind);
    }
    EXPECT_EQ(vd::SystemPalette().size(), expected.size()) << Name(c.kind);
    ReleaseDC(nullptr, dc);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Caps, ::testing::ValuesIn(kCapsCases),
                         [](const auto& info) { return std::string(Name(info.param.kind)); });

TEST(WindowPixels, OriginIsTheWindowCornerAndClipIsTheWindow)
{
    Configure(vd::Kind::Rgb32, 20, 20);
    HWND window = vd::CreateWindow(RECT{4, 5, 10, 9});
    HDC dc = GetDC(window);
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(vd::ScreenColor(4, 5), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(1, 2, 3));
    EXPECT_EQ(SetPixel(dc, 5, 3, RGB(9, 9, 9)), RGB(9, 9, 9)) << "bottom-right pixel of the window";
    EXPECT_EQ(vd::ScreenColor(9, 8), RGB(9, 9, 9));

    struct Outside {
        const char* name;
        int x, y;
    };
    const Outside outside[] = {{"right of window", 6, 0}, {"below window", 0, 4}, {"left", -1, 0}, {"above", 0, -1}};
    for (const Outside& o : outside) {
        EXPECT_EQ(GetPixel(dc, o.x, o.y), CLR_INVALID) << o.name;
        EXPECT_EQ(SetPixel(dc, o.x, o.y, RGB(255, 255, 255)), CLR_INVALID) << o.name;
        EXPECT_EQ(vd::ScreenColor(4 + o.x, 5 + o.y), RGB(0, 0, 0)) << o.name << ": drew outside its window";
    }
    ReleaseDC(window, dc);
}

TEST(WindowPixels, WindowPartlyOffScreenClipsToTheScreen)
{
    Configure(vd::Kind::Rgb32, 10, 10);
    HWND window = vd::CreateWindow(RECT{-3, 6, 5, 20});
    HDC dc = GetDC(window);
    EXPECT_EQ(GetPixel(dc, 2, 0), CLR_INVALID) << "off the left edge of the screen";
    EXPECT_EQ(GetPixel(dc, 3, 4), CLR_INVALID) << "below the screen";
    EXPECT_EQ(SetPixel(dc, 3, 3, RGB(7, 7, 7)), RGB(7, 7, 7));
    EXPECT_EQ(vd::ScreenColor(0, 9), RGB(7, 7, 7));
    ReleaseDC(window, dc);
}

TEST(Palette8Pixels, ColoursGoThroughTheSelectedLogicalPalette)
{
    Configure(vd::Kind::Palette8);
    HDC dc = GetDC(nullptr);
    HPALETTE palette = SelectRealizedPalette(dc, {{10, 20, 30}, {200, 100, 50}});
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(12, 22, 32)), RGB(10, 20, 30));
    EXPECT_EQ(vd::DevicePixel(0, 0), 10u);
    // Static red is nearer, but only the logical palette's colours are candidates.
    EXPECT_EQ(SetPixel(dc, 1, 0, RGB(250, 0, 0)), RGB(200, 100, 50));
    EXPECT_EQ(vd::DevicePixel(1, 0), 11u);
    // PALETTEINDEX names a logical entry directly.
    EXPECT_EQ(SetPixel(dc, 2, 0, 0x01000001), RGB(200, 100, 50));
    EXPECT_EQ(vd::DevicePixel(2, 0), 11u);
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    DeleteObject(palette);
    EXPECT_EQ(SetPixel(dc, 3, 0, RGB(12, 22, 32)), RGB(0, 0, 0)) << "default palette: statics only";
    ReleaseDC(nullptr, dc);
    ExpectNothingLive();
}

TEST(Palette8Pixels, UnrealizedPaletteUsesTheNearestSystemEntries)
{
    Configure(vd::Kind::Palette8);
    HDC dc = GetDC(nullptr);
    HPALETTE palette = MakePalette({{10, 20, 30}, {250, 5, 5}});
    SelectPalette(dc, palette, FALSE);
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(240, 0, 0)), RGB(255, 0, 0));
    EXPECT_EQ(vd::DevicePixel(0, 0), 249u);
    EXPECT_EQ(SetPixel(dc, 1, 0, RGB(10, 20, 30)), RGB(0, 0, 0));
    ReleaseDC(nullptr, dc);
    DeleteObject(palette);
}

TEST(Palette8Pixels, PixelsKeepTheirIndexWhenTheSystemPaletteChanges)
{
    Configure(vd::Kind::Palette8);
    HDC dc = GetDC(nullptr);
    HPALETTE palette = SelectRealizedPalette(dc, {{10, 20, 30}});
    SetPixel(dc, 0, 0, RGB(10, 20, 30));
    const PALETTEENTRY other{99, 98, 97, 0};
    vd::SetSystemPaletteEntries(10, 1, &other);
    EXPECT_EQ(vd::DevicePixel(0, 0), 10u);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(99, 98, 97));
    ReleaseDC(nullptr, dc);
    DeleteObject(palette);
}

}  // namespace
