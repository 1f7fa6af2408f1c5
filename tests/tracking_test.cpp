// Display palette tracking on 256- and 16-colour displays, driven through
// whole blits on the virtual display.
#include <gtest/gtest.h>

#include <cstring>

#include "dibdraw32/Diagnostics.h"
#include "palette/tables.h"
#include "support/blit_model.h"
#include "support/dib.h"
#include "support/named_case.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

using testsupport::PrintTo;

RECT Whole(Dib& dib)
{
    return RECT{0, 0, dib.width(), dib.height()};
}

short Blit(VyrBlitter& blitter, Dib& dib)
{
    RECT src = Whole(dib), dst = Whole(dib);
    return blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst);
}

// Gives the middle of the system palette 236 distinct colours, none within
// one step of another in every channel, as an application's realized palette would.
void FillMiddleOfSystemPalette()
{
    std::vector<PALETTEENTRY> middle(236);
    for (int i = 0; i < 236; ++i) {
        middle[i] = PALETTEENTRY{static_cast<BYTE>(20 + (i % 12) * 20), static_cast<BYTE>(30 + ((i / 12) % 20) * 10),
                                 static_cast<BYTE>(i < 120 ? 60 : 180), 0};
    }
    vd::SetSystemPaletteEntries(10, 236, middle.data());
}

// An 8-bit image whose colour table is the current system palette.
Dib ImageOfSystemPalette()
{
    Dib dib(16, 16, 8);
    const std::vector<PALETTEENTRY> system = SystemPaletteEntries();
    for (int i = 0; i < 256; ++i) {
        dib.SetColor(i, system[i].peRed, system[i].peGreen, system[i].peBlue);
        dib.SetPixel(i % 16, i / 16, static_cast<uint32_t>(i));
    }
    return dib;
}

Dib UniformImage(int bits, uint8_t red, uint8_t green, uint8_t blue)
{
    Dib dib(4, 4, bits);
    if (bits > 8) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                dib.SetPixel(x, y, (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue);
            }
        }
        return dib;
    }
    for (int i = 0; i < (1 << bits); ++i) {
        dib.SetColor(i, red, green, blue);
    }
    return dib;
}

TEST(Tracking8, FirstBlitAdoptsTheSystemPalette)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    FillMiddleOfSystemPalette();
    VyrBlitter blitter(0, 0);
    HPALETTE const initial = blitter.m_palette;
    Dib dib = ImageOfSystemPalette();
    ASSERT_EQ(Blit(blitter, dib), kBlitOk);
    EXPECT_NE(blitter.m_palette, initial) << "the palette is recreated";
    const std::vector<PALETTEENTRY> system = SystemPaletteEntries();
    EXPECT_EQ(std::memcmp(blitter.m_logPalette->palPalEntry, system.data(), 1024), 0);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(blitter.m_systemPalette[3 * i], system[i].peRed) << i;
        EXPECT_EQ(blitter.m_systemPalette[3 * i + 2], system[i].peBlue) << i;
    }
    EXPECT_EQ(vd::CountLiveObjects().palettes, 1);
}

// A second blit of the same image in dither mode 1 on a 256-colour display
// keeps the palette and the colour map the first one built, unless its source
// must always rebuild them.
struct SecondBlitCase {
    const char* name;
    int bits;
    uint8_t red, green, blue;
    bool rebuilds;
};

class Tracking8SecondBlit : public ::testing::TestWithParam<SecondBlitCase> {};

TEST_P(Tracking8SecondBlit, RebuildsOnlyWhereItMust)
{
    const SecondBlitCase& c = GetParam();
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    VyrBlitter blitter(1, 0);
    Dib dib = UniformImage(c.bits, c.red, c.green, c.blue);
    ASSERT_EQ(Blit(blitter, dib), kBlitOk);
    HPALETTE const palette = blitter.m_palette;
    blitter.m_colorMap[17] = 201;  // a rebuilt map would overwrite this
    ASSERT_EQ(Blit(blitter, dib), kBlitOk);
    EXPECT_EQ(blitter.m_palette != palette, c.rebuilds) << "a new palette";
    EXPECT_EQ(blitter.m_colorMap[17] != 201, c.rebuilds) << "a rebuilt colour map";
    EXPECT_EQ(vd::CountLiveObjects().palettes, 1);
}

INSTANTIATE_TEST_SUITE_P(Tracking8, Tracking8SecondBlit,
                         ::testing::Values(SecondBlitCase{"UnchangedPaletteTakesTheShortcut", 8, 100, 150, 200, false},
                                           SecondBlitCase{"OneBitSourcesAlwaysRebuild", 1, 255, 255, 255, true}),
                         CaseName());

TEST(Tracking8, ChangeByAnotherApplicationIsDetected)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    VyrBlitter blitter(1, 0);
    Dib dib = UniformImage(8, 100, 150, 200);
    ASSERT_EQ(Blit(blitter, dib), kBlitOk);
    const PALETTEENTRY changed = {100, 150, 200, 0};
    vd::SetSystemPaletteEntries(77, 1, &changed);
    ASSERT_EQ(Blit(blitter, dib), kBlitOk);
    EXPECT_EQ(blitter.m_systemPalette[3 * 77 + 1], 150);
    EXPECT_EQ(vd::ScreenColor(0, 0), RGB(100, 150, 200)) << "the image's colour is now on the display";
}

TEST(Tracking8, GoodMatchInPaletteMode1ChoosesTheMappedConverter)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    FillMiddleOfSystemPalette();
    VyrBlitter blitter(0, 1);
    Dib dib = ImageOfSystemPalette();
    ASSERT_EQ(Blit(blitter, dib), kBlitOk);
    EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit8To8Mapped");
    EXPECT_EQ(blitter.m_paletteMode, 1);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(blitter.m_colorMap[i], i) << i;
        EXPECT_EQ(vd::DevicePixel(i % 16, i / 16), static_cast<uint32_t>(i)) << "pixel of index " << i;
    }
}

TEST(Tracking8, MeanErrorOf16FallsBackForGood)
{
    struct Case {
        const char* name;
        int bits;
        uint8_t red;
        const char* converter;
        int paletteModeAfter;
    };
    const Case cases[] = {
        {"8-bit, error 15 keeps mode 1", 8, 15, "Blit8To8Mapped", 1},
        {"8-bit, error 16 falls back", 8, 16, "Blit8To8Mode1", 0},
        {"1-bit, error 15 keeps mode 1", 1, 15, "Blit1To8Mapped", 1},
        {"1-bit, error 16 falls back", 1, 16, "Blit1To8", 0},
        {"4-bit, error 16 falls back", 4, 16, "Blit4To8Mode1", 0},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Palette8, 32, 32);
        VyrBlitter blitter(1, 1);
        // The nearest display colour of (red, 0, 0) is black, `red` away.
        Dib dib = UniformImage(c.bits, c.red, 0, 0);
        ASSERT_EQ(Blit(blitter, dib), kBlitOk) << c.name;
        EXPECT_STREQ(ConverterName(blitter.m_convert), c.converter) << c.name;
        EXPECT_EQ(blitter.m_paletteMode, c.paletteModeAfter) << c.name;
    }
}

TEST(Tracking8, TrueColourSourcesFallBackToTheFixedPalette)
{
    for (int mode : {1, 2}) {
        ConfigureDisplay(vd::Kind::Palette8, 32, 32);
        VyrBlitter blitter(3, mode);
        Dib dib = UniformImage(24, 0, 0, 0);
        ASSERT_EQ(Blit(blitter, dib), kBlitOk);
        EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit24To8Mode3");
        EXPECT_EQ(blitter.m_paletteMode, 0) << "mode " << mode;
        // Later blits with a perfectly matching image stay with the fixed palette.
        FillMiddleOfSystemPalette();
        Dib matching = ImageOfSystemPalette();
        ASSERT_EQ(Blit(blitter, matching), kBlitOk);
        EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit8To8Mode3");
    }
}

// The nearest display colour of every fixed-palette entry, computed directly.
std::vector<uint8_t> FixedPaletteMap(const uint8_t* system)
{
    std::vector<uint8_t> map(256);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& c = dibdraw::kFixedPalette[i];
        unsigned best = 1u << 30;
        for (int j = 0; j < 256; ++j) {
            auto half = [](int d) { return d >> 1; };
            const int dr = half(c.rgbRed - system[3 * j]), dg = half(c.rgbGreen - system[3 * j + 1]),
                      db = half(c.rgbBlue - system[3 * j + 2]);
            const unsigned distance = static_cast<unsigned>(dr * dr + dg * dg + db * db);
            if (distance < best) {
                best = distance;
                map[i] = static_cast<uint8_t>(j);
            }
        }
    }
    return map;
}

TEST(Tracking8, PaletteModesOtherThan1And2MapTheFixedPalette)
{
    for (int mode : {0, 3, -1}) {
        ConfigureDisplay(vd::Kind::Palette8, 32, 32);
        FillMiddleOfSystemPalette();
        VyrBlitter blitter(0, mode);
        Dib dib = ImageOfSystemPalette();
        ASSERT_EQ(Blit(blitter, dib), kBlitOk) << "mode " << mode;
        EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit8To8Mode0") << "mode " << mode;
        const std::vector<uint8_t> expected = FixedPaletteMap(blitter.m_systemPalette);
        EXPECT_EQ(std::memcmp(blitter.m_colorMap, expected.data(), 256), 0) << "mode " << mode;
        EXPECT_EQ(blitter.m_paletteMode, mode);
    }
}

TEST(Tracking8, HandlesAndBlocksStayBalancedOverManyBlits)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(2, 2);
        for (int k = 0; k < 40; ++k) {
            Dib dib = UniformImage(k % 2 == 0 ? 1 : 8, static_cast<uint8_t>(k * 5), 7, 9);
            if (k % 7 == 0) {
                const PALETTEENTRY entry = {static_cast<BYTE>(k), 1, 2, 0};
                vd::SetSystemPaletteEntries(10 + k, 1, &entry);
            }
            ASSERT_EQ(Blit(blitter, dib), kBlitOk);
            EXPECT_EQ(vd::CountLiveObjects().palettes, before.gdi.palettes + 1);
        }
    }
    ExpectSameResources(before, ResourceCounts::Now());
}

TEST(Tracking8, ObjectWithoutItsPaletteFailsCleanly)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(0, 0);
        KemFailNthAllocation(1);
        blitter.VyrReInitBlitter(0, 0);
        Dib dib = UniformImage(8, 1, 2, 3);
        vd::ClearStretchCalls();
        EXPECT_EQ(Blit(blitter, dib), kBlitNoMemory);
        Dib bits1(400, 2, 1);
        RECT src = Whole(bits1), dst = {0, 0, 100, 2};
        EXPECT_EQ(blitter.VyrBlit(ScreenDc(), bits1.header(), &src, &dst), kBlitNoMemory) << "grey path";
        EXPECT_TRUE(vd::StretchCalls().empty());
    }
    ExpectSameResources(before, ResourceCounts::Now());
}

TEST(Tracking8, GreyPathPreparationFailureEndsTheBlit)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    VyrBlitter blitter(7, 0);
    Dib dib(400, 2, 1);
    RECT src = Whole(dib), dst = {0, 0, 100, 2};
    vd::ClearStretchCalls();
    const ResourceCounts before = ResourceCounts::Now();
    EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitUnsupported);
    EXPECT_TRUE(vd::StretchCalls().empty());
    // The error row is sized for the chosen converter, so none was allocated.
    EXPECT_EQ(blitter.m_errorRow, nullptr);
    ExpectSameResources(before, ResourceCounts::Now());
}

TEST(Tracking8, GreyPathOfABlackAndWhiteImageUsesTheGreyConverter)
{
    ConfigureDisplay(vd::Kind::Palette8, 120, 12);
    Dib dib(400, 10, 1);
    Random random(5);
    dib.Randomize(random);
    dib.SetColor(0, 0, 0, 0);
    dib.SetColor(1, 255, 255, 255);
    VyrBlitter blitter(0, 0);
    RECT src = Whole(dib), dst = {0, 0, 100, 10};
    ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
    EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit8To8Mode0Gray");
    EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0));
}

TEST(Tracking4, ColourMapHoldsOnlyDisplayIndices)
{
    ConfigureDisplay(vd::Kind::Packed4, 32, 32);
    VyrBlitter blitter(0, 2);
    // Entries past the 16 the display has must never be chosen, whatever they hold.
    Dib dib(16, 16, 8);
    Random random(9);
    dib.Randomize(random);
    for (int i = 16; i < 256; ++i) {
        const RGBQUAD c = dib.colors()[i];
        blitter.m_systemPalette[3 * i] = c.rgbRed;
        blitter.m_systemPalette[3 * i + 1] = c.rgbGreen;
        blitter.m_systemPalette[3 * i + 2] = c.rgbBlue;
    }
    ASSERT_EQ(Blit(blitter, dib), kBlitOk);
    for (int i = 0; i < 256; ++i) {
        EXPECT_LT(blitter.m_colorMap[i], 16) << "source index " << i;
    }
}

TEST(Tracking4, FlagFollowsThePaletteModeAndTheMatch)
{
    struct Case {
        const char* name;
        int paletteMode;
        bool goodMatch;
        const char* converter;
    };
    const Case cases[] = {
        {"mode 0, good match", 0, true, "Blit8To4Mode1"},
        {"mode 2, good match", 2, true, "Blit8To4Mapped"},
        {"mode 1, good match", 1, true, "Blit8To4Mapped"},
        {"mode 2, poor match", 2, false, "Blit8To4Mode1"},
    };
    const uint8_t vga[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},
                                {0, 0, 128},   {128, 0, 128}, {0, 128, 128},   {192, 192, 192},
                                {128, 128, 128}, {255, 0, 0}, {0, 255, 0},     {255, 255, 0},
                                {0, 0, 255},   {255, 0, 255}, {0, 255, 255},   {255, 255, 255}};
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Planar4, 32, 32);
        VyrBlitter blitter(1, c.paletteMode);
        Dib dib(16, 16, 8);
        for (int i = 0; i < 256; ++i) {
            const uint8_t* color = vga[i % 16];
            if (c.goodMatch) {
                dib.SetColor(i, color[0], color[1], color[2]);
            } else {
                dib.SetColor(i, 64, 200, 40);
            }
        }
        ASSERT_EQ(Blit(blitter, dib), kBlitOk) << c.name;
        EXPECT_STREQ(ConverterName(blitter.m_convert), c.converter) << c.name;
        EXPECT_EQ(blitter.m_paletteMode, c.paletteMode) << c.name << ": never changed on 16 colours";
        if (c.goodMatch) {
            for (int i = 0; i < 256; ++i) {
                EXPECT_EQ(blitter.m_colorMap[i], i % 16) << c.name << ", index " << i;
            }
        }
    }
}

TEST(Tracking4, OneBitAndTrueColourSourcesMatchNothing)
{
    for (int bits : {1, 24}) {
        ConfigureDisplay(vd::Kind::Packed4, 32, 32);
        VyrBlitter blitter(0, 2);
        std::memset(blitter.m_colorMap, 0xEE, sizeof blitter.m_colorMap);
        Dib dib = UniformImage(bits, 255, 0, 0);
        ASSERT_EQ(Blit(blitter, dib), kBlitOk);
        EXPECT_EQ(blitter.m_colorMap[0], 0xEE) << bits << " bits";
        EXPECT_STREQ(ConverterName(blitter.m_convert), bits == 1 ? "Blit1To4" : "Blit24To4Mode0");
    }
}

}  // namespace
