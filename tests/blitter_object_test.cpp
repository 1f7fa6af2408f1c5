// The blitter object: display classing, dither bias, re-initialisation,
// assignment and destruction, and the display probes.
#include <gtest/gtest.h>

#include <cstring>

#include "core/probes.h"
#include "palette/tables.h"
#include "support/dib.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

struct DepthCase {
    vd::Kind kind;
    int expectedDepth;
};

class DepthRule : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DepthRule, ClassesTheDisplayAndOwnsPalettesOnlyAt8Bits)
{
    ConfigureDisplay(GetParam().kind);
    ExpectReleasesAll([&] {
        VyrBlitter blitter(0, 0);
        EXPECT_EQ(blitter.m_displayDepth, GetParam().expectedDepth);
        EXPECT_EQ(blitter.m_logPalette != nullptr, GetParam().expectedDepth == 8);
        EXPECT_EQ(blitter.m_palette != nullptr, GetParam().expectedDepth == 8);
        EXPECT_EQ(blitter.m_convert, nullptr);
        EXPECT_EQ(blitter.m_errorRow, nullptr);
        EXPECT_EQ(blitter.m_ditherRowsMod, 8);
        EXPECT_EQ(blitter.m_ditherColsMod, 8);
    }, KindName(GetParam().kind));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DepthRule,
                         ::testing::Values(DepthCase{vd::Kind::Mono, 1}, DepthCase{vd::Kind::Planar4, 4},
                                           DepthCase{vd::Kind::Packed4, 4}, DepthCase{vd::Kind::Palette8, 8},
                                           DepthCase{vd::Kind::Rgb332, 24}, DepthCase{vd::Kind::Rgb565, 24},
                                           DepthCase{vd::Kind::Rgb24, 24}, DepthCase{vd::Kind::Rgb32, 24},
                                           DepthCase{vd::Kind::Grey2, 2}),
                         [](const auto& info) { return std::string(KindName(info.param.kind)); });

TEST(SystemPaletteCopy, HoldsTheDisplayPaletteOnPaletteDisplays)
{
    ConfigureDisplay(vd::Kind::Planar4);
    VyrBlitter blitter(0, 0);
    const uint8_t expected[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                     {0, 0, 128},   {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                     {128, 128, 128}, {255, 0, 0}, {0, 255, 0},   {255, 255, 0},
                                     {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    EXPECT_EQ(std::memcmp(blitter.m_systemPalette, expected, sizeof expected), 0);
}

int SignedEntry(const VyrBlitter& blitter, int i)
{
    return static_cast<int8_t>(blitter.m_ditherMatrix[i]);
}

TEST(DitherBias, FollowsTheDisplayDepth)
{
    struct Case {
        vd::Kind kind;
        int (*expected)(int value);
        bool isSigned;
    };
    const Case cases[] = {
        {vd::Kind::Mono, [](int v) { return v; }, false},
        {vd::Kind::Rgb32, [](int v) { return v; }, false},
        {vd::Kind::Packed4, [](int v) { return v - 126; }, true},
        {vd::Kind::Planar4, [](int v) { return v - 126; }, true},
        {vd::Kind::Palette8, [](int v) { return (v - 126) / 5; }, true},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(c.kind);
        VyrBlitter blitter(0, 0);
        for (int i = 0; i < 64; ++i) {
            const int stored = c.isSigned ? SignedEntry(blitter, i) : blitter.m_ditherMatrix[i];
            ASSERT_EQ(stored, c.expected(dibdraw::kDitherMatrix[i])) << KindName(c.kind) << " entry " << i;
        }
    }
}

TEST(DitherBias, SpotValues)
{
    ConfigureDisplay(vd::Kind::Planar4);
    VyrBlitter vga(0, 0);
    EXPECT_EQ(SignedEntry(vga, 0), -126);
    EXPECT_EQ(SignedEntry(vga, 56), 126);  // the entry holding 252

    ConfigureDisplay(vd::Kind::Palette8);
    VyrBlitter palettized(0, 0);
    EXPECT_EQ(SignedEntry(palettized, 0), -25);   // 0
    EXPECT_EQ(SignedEntry(palettized, 57), 0);    // 124
    EXPECT_EQ(SignedEntry(palettized, 1), 0);     // 128
    EXPECT_EQ(SignedEntry(palettized, 56), 25);   // 252
}

// Tests on a 256-colour display that must release everything they made.
class OnPaletteDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConfigureDisplay(vd::Kind::Palette8);
        m_before = ResourceCounts::Now();
    }
    void TearDown() override { ExpectSameResources(m_before, ResourceCounts::Now()); }

    ResourceCounts m_before;
};
using ReInitOn256Colours = OnPaletteDisplay;
using Assignment = OnPaletteDisplay;

TEST(ReInit, TrueColourAfter256ColoursReleasesBothPalettes)
{
    ConfigureDisplay(vd::Kind::Palette8);
    const uint32_t heapBefore = KemLiveBlocks();
    VyrBlitter blitter(0, 0);
    EXPECT_EQ(KemLiveBlocks(), heapBefore + 1);
    EXPECT_EQ(vd::CountLiveObjects().palettes, 1);

    ConfigureDisplay(vd::Kind::Rgb32);
    EXPECT_EQ(blitter.VyrReInitBlitter(1, 2), 0);
    EXPECT_EQ(blitter.m_displayDepth, 24);
    EXPECT_EQ(blitter.m_logPalette, nullptr);
    EXPECT_EQ(blitter.m_palette, nullptr);
    EXPECT_EQ(blitter.m_ditherMode, 1);
    EXPECT_EQ(blitter.m_paletteMode, 2);
    EXPECT_EQ(KemLiveBlocks(), heapBefore);
    EXPECT_EQ(vd::CountLiveObjects().palettes, 0);
}

TEST_F(ReInitOn256Colours, TwiceKeepsExactlyOnePaletteOfEachKind)
{
    VyrBlitter blitter(0, 0);
    blitter.VyrReInitBlitter(0, 0);
    blitter.VyrReInitBlitter(3, 1);
    EXPECT_EQ(KemLiveBlocks(), m_before.heapBlocks + 1);
    EXPECT_EQ(vd::CountLiveObjects().palettes, m_before.gdi.palettes + 1);
    EXPECT_EQ(blitter.m_logPalette->palVersion, 0x300);
    EXPECT_EQ(blitter.m_logPalette->palNumEntries, 256);
}

TEST(ReInit, AcceptsAnyDitherModeAndReportsSuccess)
{
    ConfigureDisplay(vd::Kind::Rgb32);
    VyrBlitter blitter(0, 0);
    EXPECT_EQ(blitter.VyrReInitBlitter(7, 0), 0);
    EXPECT_EQ(blitter.m_ditherMode, 7);
}

TEST_F(ReInitOn256Colours, FailedLogicalPaletteLeavesBothPalettesNull)
{
    VyrBlitter blitter(0, 0);
    KemFailNthAllocation(1);
    EXPECT_EQ(blitter.VyrReInitBlitter(0, 0), kBlitNoMemory);
    EXPECT_EQ(blitter.m_logPalette, nullptr);
    EXPECT_EQ(blitter.m_palette, nullptr);
    EXPECT_EQ(vd::CountLiveObjects().palettes, m_before.gdi.palettes);
}

TEST_F(Assignment, GivesTheTargetPalettesOfItsOwn)
{
    VyrBlitter source(2, 1);
    source.m_colorMap[7] = 42;
    source.m_logPalette->palPalEntry[3].peRed = 99;
    {
        VyrBlitter target(0, 0);
        target = source;
        EXPECT_EQ(target.m_ditherMode, 2);
        EXPECT_EQ(target.m_paletteMode, 1);
        EXPECT_EQ(target.m_colorMap[7], 42);
        ASSERT_NE(target.m_logPalette, nullptr);
        EXPECT_NE(target.m_logPalette, source.m_logPalette);
        EXPECT_NE(target.m_palette, source.m_palette);
        EXPECT_EQ(target.m_logPalette->palPalEntry[3].peRed, 99);
        EXPECT_EQ(vd::CountLiveObjects().palettes, m_before.gdi.palettes + 2);
    }
    // The source is intact after the target is gone.
    EXPECT_EQ(source.m_logPalette->palPalEntry[3].peRed, 99);
    EXPECT_EQ(vd::CountLiveObjects().palettes, m_before.gdi.palettes + 1);
}

TEST_F(Assignment, SelfAssignmentKeepsEverything)
{
    VyrBlitter blitter(1, 0);
    LOGPALETTE* const logPalette = blitter.m_logPalette;
    HPALETTE const palette = blitter.m_palette;
    VyrBlitter& alias = blitter;
    blitter = alias;
    EXPECT_EQ(blitter.m_logPalette, logPalette);
    EXPECT_EQ(blitter.m_palette, palette);
}

TEST_F(Assignment, ReleasesWhatTheTargetOwnedAcrossDisplayDepths)
{
    VyrBlitter palettized(0, 0);
    palettized.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(60));
    ConfigureDisplay(vd::Kind::Rgb32);
    VyrBlitter trueColour(0, 0);
    palettized = trueColour;
    EXPECT_EQ(palettized.m_displayDepth, 24);
    EXPECT_EQ(palettized.m_logPalette, nullptr);
    EXPECT_EQ(palettized.m_palette, nullptr);
    EXPECT_EQ(palettized.m_errorRow, nullptr);
}

TEST_F(Assignment, FailedCopyOfThePaletteLeavesTheTargetWithoutOne)
{
    VyrBlitter source(0, 0);
    VyrBlitter target(0, 0);
    KemFailNthAllocation(1);
    target = source;
    EXPECT_EQ(target.m_logPalette, nullptr);
    EXPECT_EQ(target.m_palette, nullptr);
}

TEST(Probes, ReadBackRestoresTheProbedPixel)
{
    for (vd::Kind kind : {vd::Kind::Mono, vd::Kind::Planar4, vd::Kind::Palette8, vd::Kind::Rgb565,
                          vd::Kind::Rgb32}) {
        ConfigureDisplay(kind);
        vd::FillScreen(RGB(255, 255, 255));
        const uint32_t pixelBefore = vd::DevicePixel(0, 0);
        const ResourceCounts before = ResourceCounts::Now();
        uint8_t out[4] = {};
        EXPECT_EQ(dibdraw::ReadBackDisplayPixel(0, 0, 0, out), 0);
        EXPECT_EQ(vd::DevicePixel(0, 0), pixelBefore) << KindName(kind);
        ExpectSameResources(before, ResourceCounts::Now(), KindName(kind));
    }
}

// A pixel whose colour SetPixel cannot produce: on the 256-colour display a
// palette entry outside the static colours, which SetPixel through the
// default palette would replace by the nearest static one.
TEST(Probes, ReadBackRestoresAPixelThatSetPixelCannotDraw)
{
    struct Case {
        vd::Kind kind;
        uint32_t pixel;
    };
    const Case cases[] = {
        {vd::Kind::Palette8, 100}, {vd::Kind::Mono, 1},        {vd::Kind::Packed4, 9},    {vd::Kind::Grey2, 2},
        {vd::Kind::Rgb332, 0x5A},  {vd::Kind::Rgb565, 0x1234}, {vd::Kind::Rgb32, 0x123457},
    };
    const PALETTEENTRY unusual = {12, 34, 56, 0};
    for (const Case& c : cases) {
        ConfigureDisplay(c.kind, 16, 16);
        vd::SetSystemPaletteEntries(c.pixel, 1, &unusual);
        vd::SetDevicePixel(0, 0, c.pixel);
        const ResourceCounts before = ResourceCounts::Now();
        uint8_t out[4] = {};
        dibdraw::ReadBackDisplayPixel(255, 255, 255, out);
        EXPECT_EQ(vd::DevicePixel(0, 0), c.pixel) << KindName(c.kind);
        ExpectSameResources(before, ResourceCounts::Now(), KindName(c.kind));
    }
}

// Every blit of a 1-bit image probes its two colours at the screen's top
// left corner, wherever it draws.
TEST(Probes, OneBitBlitElsewhereLeavesTheTopLeftPixelAlone)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    const PALETTEENTRY unusual = {12, 34, 56, 0};
    vd::SetSystemPaletteEntries(100, 1, &unusual);
    vd::SetDevicePixel(0, 0, 100);
    const HWND window = vd::CreateWindow(RECT{8, 8, 32, 32});
    Dib image(16, 16, 1);
    image.SetColor(0, 200, 0, 0);
    image.SetColor(1, 0, 0, 200);
    RECT src{0, 0, 16, 16};
    RECT dst{0, 0, 24, 24};
    VyrBlitter blitter(0, 2);
    EXPECT_EQ(blitter.VyrBlit(window, image.header(), &src, &dst), kBlitOk);
    EXPECT_EQ(vd::DevicePixel(0, 0), 100u);
    vd::DestroyWindow(window);
}

TEST(Probes, ReadBackReturnsTheDisplaysRendition)
{
    struct Case {
        const char* name;
        vd::Kind kind;
        bool swapped;
        uint8_t red, green, blue;
        uint8_t expected[3];  // as the 24-bit DIB holds them
    };
    const Case cases[] = {
        {"true colour keeps the colour", vd::Kind::Rgb32, false, 10, 20, 30, {30, 20, 10}},
        {"swapped display returns red first", vd::Kind::Rgb32, true, 10, 20, 30, {10, 20, 30}},
        {"5-6-5 truncates and replicates", vd::Kind::Rgb565, false, 255, 130, 7, {0, 130, 255}},
        {"monochrome thresholds luminance", vd::Kind::Mono, false, 128, 128, 128, {255, 255, 255}},
        {"monochrome dark", vd::Kind::Mono, false, 127, 127, 127, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(c.kind, 8, 8, c.swapped);
        uint8_t out[4] = {};
        dibdraw::ReadBackDisplayPixel(c.red, c.green, c.blue, out);
        EXPECT_EQ(out[0], c.expected[0]) << c.name;
        EXPECT_EQ(out[1], c.expected[1]) << c.name;
        EXPECT_EQ(out[2], c.expected[2]) << c.name;
    }
}

TEST(Probes, DestroyingAnObjectWithoutPaletteLeavesTheDisplayAlone)
{
    for (vd::Kind kind : {vd::Kind::Mono, vd::Kind::Packed4, vd::Kind::Rgb32}) {
        ConfigureDisplay(kind);
        auto* blitter = new VyrBlitter(0, 0);
        const uint64_t requests = vd::DcRequests();
        delete blitter;
        EXPECT_EQ(vd::DcRequests(), requests) << KindName(kind);
    }
    ConfigureDisplay(vd::Kind::Palette8);
    auto* palettized = new VyrBlitter(0, 0);
    const uint64_t requests = vd::DcRequests();
    delete palettized;
    EXPECT_EQ(vd::DcRequests(), requests + 1);
}

}  // namespace
