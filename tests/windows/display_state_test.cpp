// What the blitter learns about the real display it runs on: the effective
// depth, the palette objects of a 256-colour screen, the biased dither
// matrix, the read-back probe and the channel order it finds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "core/probes.h"
#include "wine_support.h"

using namespace winetest;

namespace {

// The 8 × 8 Bayer matrix built by the recursive doubling rule, times 4,
// stored column by column (entry 8x + y for column x, row y).
std::vector<int> BayerTimesFour()
{
    std::vector<int> matrix = {0};
    for (int size = 1; size < 8; size *= 2) {
        std::vector<int> doubled(static_cast<size_t>(4 * size * size));
        for (int x = 0; x < size; ++x) {
            for (int y = 0; y < size; ++y) {
                const int v = 4 * matrix[static_cast<size_t>(x * size + y)];
                const int s = 2 * size;
                doubled[static_cast<size_t>(x * s + y)] = v;
                doubled[static_cast<size_t>(x * s + y + size)] = v + 2;
                doubled[static_cast<size_t>((x + size) * s + y)] = v + 3;
                doubled[static_cast<size_t>((x + size) * s + y + size)] = v + 1;
            }
        }
        matrix = doubled;
    }
    for (int& v : matrix) {
        v *= 4;
    }
    return matrix;
}

int ExpectedDepth(const ScreenCaps& caps)
{
    const int bits = caps.bitsPixel == 8 && caps.sizePalette == 0 ? 24 : caps.bitsPixel;
    const int product = caps.planes * bits;
    return product > 8 ? 24 : product;
}

// Whether a pure red drawn by GDI itself reads back with a non-zero first
// byte of its 24-bit DIB pixel (blue), as a display with swapped channels does.
bool RedReadsBackSwapped()
{
    TestWindow& window = TestWindow::Get();
    HDC dc = GetDC(window.hwnd());
    window.Fill(dc, RECT{0, 0, 1, 1}, Rgb(255, 0, 0));
    const uint32_t shown = window.Read(dc, RECT{0, 0, 1, 1})[0];
    ReleaseDC(window.hwnd(), dc);
    return (shown & 0xFF) != 0;
}

COLORREF ScreenPixel()
{
    HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, 0, 0);
    ReleaseDC(nullptr, screen);
    return color;
}

void SetScreenPixel(COLORREF color)
{
    HDC screen = GetDC(nullptr);
    SetPixel(screen, 0, 0, color);
    ReleaseDC(nullptr, screen);
}

}  // namespace

TEST(DisplayState, TheScreenIsOneOfTheKindsUnderTest)
{
    const ScreenCaps caps = ScreenCaps::Now();
    const bool palette8 = caps.planes == 1 && caps.Palettized() && caps.sizePalette == 256;
    const bool highColour = caps.planes == 1 && (caps.bitsPixel == 16 || caps.bitsPixel == 24 || caps.bitsPixel == 32);
    EXPECT_TRUE(palette8 || highColour) << caps.Describe();
    std::printf("screen: %s%s\n", caps.Describe().c_str(), RunningOnWine() ? " (Wine)" : "");
}

TEST(DisplayState, DepthFollowsTheDepthRule)
{
    const ScreenCaps caps = ScreenCaps::Now();
    VyrBlitter blitter(0, 0);
    EXPECT_EQ(blitter.m_displayDepth, ExpectedDepth(caps)) << caps.Describe();
    EXPECT_EQ(blitter.m_displayDepth, caps.Palettized() ? 8 : 24) << caps.Describe();
    EXPECT_EQ(blitter.m_ditherRowsMod, 8);
    EXPECT_EQ(blitter.m_ditherColsMod, 8);
    EXPECT_EQ(blitter.m_convert, nullptr);
    EXPECT_EQ(blitter.m_errorRow, nullptr);
}

TEST(DisplayState, PaletteObjectsExistExactlyOnThe8BitScreen)
{
    const ScreenCaps caps = ScreenCaps::Now();
    VyrBlitter blitter(2, 1);
    if (caps.Palettized()) {
        ASSERT_NE(blitter.m_logPalette, nullptr);
        EXPECT_EQ(blitter.m_logPalette->palVersion, 0x300);
        EXPECT_EQ(blitter.m_logPalette->palNumEntries, 256);
        ASSERT_NE(blitter.m_palette, nullptr);
        EXPECT_EQ(GetObjectType(blitter.m_palette), static_cast<DWORD>(OBJ_PAL));
        PALETTEENTRY entries[256];
        EXPECT_EQ(GetPaletteEntries(blitter.m_palette, 0, 256, entries), 256u);
    } else {
        EXPECT_EQ(blitter.m_logPalette, nullptr);
        EXPECT_EQ(blitter.m_palette, nullptr);
    }
}

TEST(DisplayState, SystemPaletteIsReadOnlyFromPaletteScreens)
{
    const ScreenCaps caps = ScreenCaps::Now();
    VyrBlitter blitter(0, 0);
    const std::vector<uint32_t> system = SystemPalette();
    for (int i = 0; i < 256; ++i) {
        const uint8_t* triple = blitter.m_systemPalette + 3 * i;
        const uint32_t stored = Rgb(triple[0], triple[1], triple[2]);
        EXPECT_EQ(stored, caps.Palettized() ? system[i] : 0u) << "entry " << i;
    }
}

TEST(DisplayState, DitherMatrixIsBiasedForTheDepth)
{
    const std::vector<int> bayer = BayerTimesFour();
    ASSERT_EQ(bayer[1], 128);
    ASSERT_EQ(bayer[8], 192);
    ASSERT_EQ(bayer[63], 84);
    VyrBlitter blitter(0, 0);
    for (int i = 0; i < 64; ++i) {
        const int stored = blitter.m_displayDepth == 8 ? static_cast<int8_t>(blitter.m_ditherMatrix[i])
                                                       : blitter.m_ditherMatrix[i];
        const int expected = blitter.m_displayDepth == 8 ? (bayer[static_cast<size_t>(i)] - 126) / 5
                                                         : bayer[static_cast<size_t>(i)];
        EXPECT_EQ(stored, expected) << "entry " << i << ", depth " << blitter.m_displayDepth;
    }
}

TEST(DisplayState, ReInitReplacesThePaletteAndKeepsOne)
{
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(0, 0);
        const HPALETTE first = blitter.m_palette;
        const ResourceCounts constructed = ResourceCounts::Now();
        EXPECT_EQ(blitter.VyrReInitBlitter(3, 2), 0);
        EXPECT_EQ(blitter.m_ditherMode, 3);
        EXPECT_EQ(blitter.m_paletteMode, 2);
        ExpectSameResources(constructed, ResourceCounts::Now(), "after re-initialisation");
        if (blitter.m_displayDepth == 8) {
            ASSERT_NE(blitter.m_palette, nullptr);
            EXPECT_EQ(GetObjectType(blitter.m_palette), static_cast<DWORD>(OBJ_PAL));
            if (blitter.m_palette != first) {
                EXPECT_EQ(GetObjectType(first), 0u) << "the replaced palette was not deleted";
            }
        } else {
            EXPECT_EQ(blitter.m_palette, nullptr);
            EXPECT_EQ(blitter.m_logPalette, nullptr);
        }
        EXPECT_EQ(blitter.VyrReInitBlitter(7, 0), 0) << "any dither mode is accepted";
    }
    ExpectSameResources(before, ResourceCounts::Now(), "after destruction");
}

TEST(DisplayState, DestructorDeletesThePalette)
{
    HPALETTE palette = nullptr;
    {
        VyrBlitter blitter(1, 0);
        palette = blitter.m_palette;
    }
    if (palette == nullptr) {
        EXPECT_FALSE(ScreenCaps::Now().Palettized());
        return;
    }
    EXPECT_EQ(GetObjectType(palette), 0u);
}

TEST(ReadBackProbe, RestoresTheScreenPixelAndReturnsTheDisplaysRendition)
{
    const ScreenCaps caps = ScreenCaps::Now();
    // Colours the screen holds exactly at every depth under test: static
    // palette colours, and on 16 bits values whose dropped bits repeat the kept ones.
    const COLORREF marks[] = {RGB(128, 0, 0), RGB(0, 0, 128), RGB(192, 192, 192)};
    const uint32_t probes[] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(18, 52, 86), Rgb(255, 255, 255),
                               Rgb(0, 0, 0), Rgb(200, 100, 7)};
    for (COLORREF mark : marks) {
        SetScreenPixel(mark);
        const COLORREF before = ScreenPixel();
        for (uint32_t probe : probes) {
            uint8_t out[4] = {};
            EXPECT_EQ(dibdraw::ReadBackDisplayPixel(static_cast<uint8_t>(probe >> 16), static_cast<uint8_t>(probe >> 8),
                                                    static_cast<uint8_t>(probe), out),
                      0);
            EXPECT_EQ(ScreenPixel(), before) << "probe " << Hex(probe) << " over " << Hex(mark);
            if (caps.TrueColour()) {
                EXPECT_EQ(Rgb(out[2], out[1], out[0]), CompatibleBitmapRendition(probe, caps.bitsPixel))
                    << "probe " << Hex(probe);
            }
        }
    }
    // Colours of the palette itself come back unchanged on a palette screen.
    if (caps.Palettized()) {
        for (uint32_t probe : {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(128, 0, 0), Rgb(0, 128, 128)}) {
            uint8_t out[4] = {};
            dibdraw::ReadBackDisplayPixel(static_cast<uint8_t>(probe >> 16), static_cast<uint8_t>(probe >> 8),
                                          static_cast<uint8_t>(probe), out);
            EXPECT_EQ(Rgb(out[2], out[1], out[0]), probe);
        }
    }
}

TEST(ChannelOrder, TrueColourConvertersFollowTheProbe)
{
    VyrBlitter blitter(0, 0);
    if (blitter.m_displayDepth != 24) {
        GTEST_SKIP() << "not a true-colour screen";
    }
    const std::string swap = RedReadsBackSwapped() ? "Swap" : "";
    std::vector<uint8_t> palette(768, 0);
    blitter.m_imagePalette = palette.data();
    struct Case {
        int bits;
        int flag;
        std::string expected;
    };
    const Case cases[] = {
        {1, 0, "Blit1To24"}, {1, 1, "Blit1To24"}, {4, 0, "Blit4To24" + swap}, {4, 2, "Blit4To24" + swap},
        {8, 0, "Blit8To24" + swap}, {8, 1, "Blit8To24" + swap}, {24, 0, "Blit24To24" + swap},
    };
    SetScreenPixel(RGB(0, 128, 0));
    const COLORREF mark = ScreenPixel();
    for (const Case& c : cases) {
        EXPECT_EQ(blitter.AssignBlitterFn(c.bits, c.flag), 0) << c.bits << " bits";
        EXPECT_EQ(NameOf(blitter.m_convert), c.expected) << c.bits << " bits, flag " << c.flag;
        EXPECT_EQ(ScreenPixel(), mark) << "the channel-order probe left the screen pixel changed";
    }
    const BlitterFn kept = blitter.m_convert;
    EXPECT_EQ(blitter.AssignBlitterFn(16, 0), kBlitUnsupported);
    EXPECT_EQ(blitter.AssignBlitterFn(32, 1), kBlitUnsupported);
    EXPECT_EQ(blitter.m_convert, kept);
    blitter.m_imagePalette = nullptr;
}

TEST(ChannelOrder, PaletteScreenConvertersFollowTheTable)
{
    VyrBlitter blitter(2, 0);
    if (blitter.m_displayDepth != 8) {
        GTEST_SKIP() << "not a 256-colour screen";
    }
    std::vector<uint8_t> palette(768);
    for (int i = 0; i < 256; ++i) {
        std::memset(&palette[static_cast<size_t>(3 * i)], i, 3);
    }
    blitter.m_imagePalette = palette.data();
    EXPECT_EQ(blitter.AssignBlitterFn(8, 0), 0);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit8To8Mode2Gray");
    palette[3 * 77 + 2] = static_cast<uint8_t>(palette[3 * 77 + 2] + 1);
    EXPECT_EQ(blitter.AssignBlitterFn(8, 0), 0);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit8To8Mode2");
    EXPECT_EQ(blitter.AssignBlitterFn(4, 1), 0);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit4To8Mapped");
    blitter.m_ditherMode = 3;
    EXPECT_EQ(blitter.AssignBlitterFn(24, 1), 0);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit24To8Mode3");
    blitter.m_ditherMode = 5;
    EXPECT_EQ(blitter.AssignBlitterFn(8, 0), kBlitUnsupported);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit24To8Mode3");
    EXPECT_EQ(blitter.AssignBlitterFn(8, 1), 0);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit8To8Mapped");
    EXPECT_EQ(blitter.AssignBlitterFn(1, 0), 0);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit1To8");
    EXPECT_EQ(blitter.AssignBlitterFn(16, 0), kBlitUnsupported);
    blitter.m_imagePalette = nullptr;
}
