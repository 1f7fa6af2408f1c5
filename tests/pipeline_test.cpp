// The blit pipeline on true-colour displays: clipping, the two scaling paths,
// the grey path of reduced 1-bit images, transparency, bands, and every
// failure path, checked on the virtual screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "blitter/band.h"
#include "blitter/pipeline.h"
#include "blitter/scalers.h"
#include "convert/kernels.h"
#include "convert/registry.h"
#include "dibdraw32/Diagnostics.h"
#include "support/blit_model.h"
#include "support/dib.h"
#include "support/failing_blit.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

RECT Rect(int left, int top, int right, int bottom)
{
    return RECT{left, top, right, bottom};
}

// The colour each destination pixel must show: nearest-lower sampling in both
// directions, and box-averaged grey levels through the two-colour ramp for a
// 1-bit image reduced in width and drawn opaquely.
uint32_t ExpectedColor(Dib& dib, const RECT& src, const RECT& dst, int x, int y)
{
    const int64_t srcW = src.right - src.left, srcH = src.bottom - src.top;
    const int64_t dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    const int sy = static_cast<int>(src.top + y * srcH / dstH);
    const bool transparent = dib.bits() == 1 && (dib.colors()[0].rgbReserved == 255 || dib.colors()[1].rgbReserved == 255);
    if (dib.bits() == 1 && srcW > dstW && !transparent) {
        int ones = 0, total = 0;
        for (int64_t i = 0; i < srcW; ++i) {
            if (i * dstW / srcW == x) {
                ones += static_cast<int>(dib.Pixel(static_cast<int>(src.left + i), sy));
                ++total;
            }
        }
        const int level = ones * 255 / total;
        const RGBQUAD c0 = dib.colors()[0], c1 = dib.colors()[1];
        auto ramp = [level](int from, int to) { return static_cast<uint32_t>((level * to + (255 - level) * from) / 255); };
        return (ramp(c0.rgbRed, c1.rgbRed) << 16) | (ramp(c0.rgbGreen, c1.rgbGreen) << 8) | ramp(c0.rgbBlue, c1.rgbBlue);
    }
    const int sx = static_cast<int>(src.left + x * srcW / dstW);
    return dib.Color(sx, sy);
}

// Compares the screen inside dst with the expected colours; outside it the
// screen must still show the background.
::testing::AssertionResult ScreenShows(Dib& dib, const RECT& src, const RECT& dst, uint32_t background)
{
    const vd::Config config = vd::CurrentConfig();
    for (int y = 0; y < config.height; ++y) {
        for (int x = 0; x < config.width; ++x) {
            const bool inside = x >= dst.left && x < dst.right && y >= dst.top && y < dst.bottom;
            const uint32_t expected =
                DeviceRendition(inside ? ExpectedColor(dib, src, dst, x - dst.left, y - dst.top) : background);
            const uint32_t shown = ToRgb(vd::ScreenColor(x, y));
            if (shown != expected) {
                return ::testing::AssertionFailure()
                       << "first difference at screen (" << x << ", " << y << "): shows " << std::hex << shown
                       << ", expected " << expected;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Blits src of the image to dst on the screen: the blit succeeds and the
// screen then shows it as ScreenShows expects.
::testing::AssertionResult BlitShows(VyrBlitter& blitter, Dib& dib, RECT src, RECT dst, uint32_t background = 0)
{
    const short result = blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst);
    if (result != kBlitOk) {
        return ::testing::AssertionFailure() << "the blit returned " << result;
    }
    return ScreenShows(dib, src, dst, background);
}

// The same for the whole image.
::testing::AssertionResult WholeImageShows(VyrBlitter& blitter, Dib& dib, RECT dst)
{
    return BlitShows(blitter, dib, Rect(0, 0, dib.width(), dib.height()), dst);
}

Dib RandomDib(int width, int height, int bits, uint64_t seed)
{
    Dib dib(width, height, bits);
    Random random(seed);
    dib.Randomize(random);
    return dib;
}

TEST(Clipping, SourceRectangleIsClippedInPlace)
{
    struct Case {
        const char* name;
        RECT given;
        RECT clipped;
        bool drawn;
    };
    const Case cases[] = {
        {"larger than the bitmap", Rect(-5, -5, 1000, 1000), Rect(0, 0, 100, 50), true},
        {"inside", Rect(10, 5, 20, 15), Rect(10, 5, 20, 15), true},
        {"left past the width", Rect(101, 0, 120, 10), Rect(101, 0, 120, 10), false},
        {"top past the height", Rect(0, 51, 10, 60), Rect(0, 51, 10, 60), false},
        {"left equal to the width", Rect(100, 0, 120, 10), Rect(100, 0, 100, 10), false},
        {"empty after clipping", Rect(30, 10, 20, 40), Rect(30, 10, 20, 40), false},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Rgb32, 32, 32);
        Dib dib = RandomDib(100, 50, 24, 1);
        VyrBlitter blitter(0, 0);
        RECT src = c.given;
        RECT dst = Rect(0, 0, 16, 16);
        vd::ClearStretchCalls();
        EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << c.name;
        EXPECT_EQ(src.left, c.clipped.left) << c.name;
        EXPECT_EQ(src.top, c.clipped.top) << c.name;
        EXPECT_EQ(src.right, c.clipped.right) << c.name;
        EXPECT_EQ(src.bottom, c.clipped.bottom) << c.name;
        EXPECT_EQ(!vd::StretchCalls().empty(), c.drawn) << c.name;
    }
}

TEST(Clipping, EmptyOrNegativeDestinationDrawsNothing)
{
    for (RECT dst : {Rect(5, 5, 5, 20), Rect(5, 5, 20, 5), Rect(10, 10, 4, 20), Rect(10, 10, 20, 2)}) {
        ConfigureDisplay(vd::Kind::Rgb32, 32, 32);
        Dib dib = RandomDib(8, 8, 8, 2);
        VyrBlitter blitter(0, 0);
        RECT src = Rect(0, 0, 8, 8);
        vd::ClearStretchCalls();
        const ResourceCounts before = ResourceCounts::Now();
        EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
        EXPECT_TRUE(vd::StretchCalls().empty());
        ExpectSameResources(before, ResourceCounts::Now());
    }
}

TEST(Clipping, TopDownBitmapDrawsNothing)
{
    ConfigureDisplay(vd::Kind::Rgb32, 16, 16);
    Dib dib(8, -8, 24);
    VyrBlitter blitter(0, 0);
    RECT src = Rect(0, 0, 8, 8), dst = Rect(0, 0, 8, 8);
    vd::ClearStretchCalls();
    EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
    EXPECT_TRUE(vd::StretchCalls().empty());
}

TEST(Rejection, PlanesAndSourceDepths)
{
    ConfigureDisplay(vd::Kind::Rgb32, 16, 16);
    VyrBlitter blitter(0, 0);
    Dib twoPlanes(8, 8, 8);
    twoPlanes.header()->biPlanes = 2;
    RECT src = Rect(-3, -3, 99, 99), dst = Rect(0, 0, 8, 8);
    EXPECT_EQ(blitter.VyrBlit(ScreenDc(), twoPlanes.header(), &src, &dst), kBlitUnsupported);
    EXPECT_EQ(src.left, -3) << "the rectangle is not touched before the plane test";
    for (int bits : {16, 32, 2}) {
        Dib dib(8, 8, bits);
        const ResourceCounts before = ResourceCounts::Now();
        vd::ClearStretchCalls();
        RECT whole = Rect(0, 0, 8, 8);
        EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &whole, &dst), kBlitUnsupported) << bits;
        EXPECT_TRUE(vd::StretchCalls().empty());
        // The error row is sized for the chosen converter, so none was allocated.
        EXPECT_EQ(blitter.m_errorRow, nullptr);
        ExpectSameResources(before, ResourceCounts::Now(), std::to_string(bits) + " bits");
    }
}

TEST(ScalingPaths, EqualSizesTakeTheUnscaledLoop)
{
    ConfigureDisplay(vd::Kind::Rgb32, 16, 16);
    Dib dib = RandomDib(10, 10, 8, 3);
    VyrBlitter blitter(0, 0);
    RECT src = Rect(0, 0, 10, 10), dst = Rect(2, 3, 12, 13);
    ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
    EXPECT_EQ(blitter.m_stretch, nullptr);
    EXPECT_TRUE(ScreenShows(dib, src, dst, 0));

    RECT taller = Rect(2, 3, 12, 14);
    ConfigureDisplay(vd::Kind::Rgb32, 16, 16);
    VyrBlitter scaled(0, 0);
    ASSERT_EQ(scaled.VyrBlit(ScreenDc(), dib.header(), &src, &taller), kBlitOk);
    EXPECT_EQ(scaled.m_stretch, &dibdraw::Stretch8);
    EXPECT_TRUE(ScreenShows(dib, src, taller, 0));
}

TEST(ScalingPaths, VerticalMapping)
{
    struct Case {
        const char* name;
        int srcRows;
        int dstRows;
        std::vector<int> shownRows;
    };
    const Case cases[] = {
        {"2 rows to 5", 2, 5, {0, 0, 0, 1, 1}},
        {"5 rows to 2", 5, 2, {0, 2}},
        {"3 rows to 3", 3, 3, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        for (int dither : {0, 1}) {
            ConfigureDisplay(vd::Kind::Rgb32, 4, 8);
            Dib dib(1, c.srcRows, 24);
            for (int y = 0; y < c.srcRows; ++y) {
                dib.SetPixel(0, y, 0x102030u * (y + 1));
            }
            VyrBlitter blitter(dither, 0);
            RECT src = Rect(0, 0, 1, c.srcRows), dst = Rect(0, 0, 1, c.dstRows);
            ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
            for (int j = 0; j < c.dstRows; ++j) {
                EXPECT_EQ(ToRgb(vd::ScreenColor(0, j)), 0x102030u * (c.shownRows[j] + 1))
                    << c.name << ", destination row " << j << ", dither " << dither;
            }
        }
    }
}

struct RandomBlit {
    int bits;
    vd::Kind kind;
    bool swapped;
};

TEST(WholeBlit, RandomBitmapsRectanglesAndSizesMatchTheReference)
{
    const RandomBlit setups[] = {{1, vd::Kind::Rgb32, false}, {4, vd::Kind::Rgb32, false},
                                 {8, vd::Kind::Rgb32, false}, {24, vd::Kind::Rgb32, false},
                                 {1, vd::Kind::Rgb24, true},  {4, vd::Kind::Rgb24, true},
                                 {8, vd::Kind::Rgb32, true},  {24, vd::Kind::Rgb32, true}};
    int caseIndex = 0;
    for (const RandomBlit& setup : setups) {
        for (int round = 0; round < 12; ++round, ++caseIndex) {
            const uint64_t seed = 1000 + caseIndex;
            Random random(seed);
            const int width = random.Between(1, 40), height = random.Between(1, 30);
            Dib dib = RandomDib(width, height, setup.bits, seed);
            RECT src = Rect(random.Between(-3, width - 1), random.Between(-3, height - 1), random.Between(1, width + 3),
                            random.Between(1, height + 3));
            const int dstW = random.Between(1, 60), dstH = random.Between(1, 40);
            const int left = random.Between(0, 8), top = random.Between(0, 8);
            RECT dst = Rect(left, top, left + dstW, top + dstH);
            ConfigureDisplay(setup.kind, 72, 52, setup.swapped);
            vd::FillScreen(RGB(1, 2, 3));
            const ResourceCounts before = ResourceCounts::Now();
            const RECT given = src;
            {
                VyrBlitter blitter(random.Between(0, 3), 0);
                ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << "seed " << seed;
            }
            ExpectSameResources(before, ResourceCounts::Now(), "seed " + std::to_string(seed));
            if (src.right <= src.left || src.bottom <= src.top) {
                continue;
            }
            EXPECT_TRUE(ScreenShows(dib, src, dst, 0x010203))
                << "seed " << seed << ", " << setup.bits << " bits, source (" << given.left << "," << given.top << ","
                << given.right << "," << given.bottom << "), destination " << dstW << "x" << dstH;
        }
    }
}

TEST(WholeBlit, OddLeftEdgeOfA4BitSourceStartsAtThatPixel)
{
    ConfigureDisplay(vd::Kind::Rgb32, 16, 4);
    Dib dib(9, 1, 4);
    for (int i = 0; i < 16; ++i) {
        dib.SetColor(i, static_cast<uint8_t>(16 * i), 7, 9);
    }
    for (int x = 0; x < 9; ++x) {
        dib.SetPixel(x, 0, static_cast<uint32_t>(x + 1));
    }
    for (int left : {1, 3, 5}) {
        for (int dstW : {8 - left, 2 * (8 - left)}) {
            ConfigureDisplay(vd::Kind::Rgb32, 16, 4);
            VyrBlitter blitter(0, 0);
            RECT src = Rect(left, 0, 8, 1), dst = Rect(0, 0, dstW, 1);
            ASSERT_TRUE(BlitShows(blitter, dib, src, dst)) << "left " << left << ", width " << dstW;
        }
    }
}

TEST(WholeBlit, OneBitRowsWithoutPaddingAreNotReadPastTheBitmap)
{
    // 32 pixels make a 4-byte row with no padding; the DIB's buffer ends with
    // its last row, so an over-read of the spare byte is caught.
    for (int left : {0, 1, 7}) {
        ConfigureDisplay(vd::Kind::Rgb32, 40, 4);
        Dib dib = RandomDib(32, 2, 1, 77 + left);
        VyrBlitter blitter(0, 0);
        RECT src = Rect(left, 0, 32, 2), dst = Rect(0, 0, 32 - left, 2);
        ASSERT_TRUE(BlitShows(blitter, dib, src, dst)) << "left " << left;
    }
}

TEST(WholeBlit, WideTrueColourDestinationsDrawCompletely)
{
    // 3 x (22000 + 4) bytes per converted row would overflow 16-bit sizes.
    ConfigureDisplay(vd::Kind::Rgb32, 22000, 2);
    Dib dib = RandomDib(11, 1, 24, 5);
    VyrBlitter blitter(0, 0);
    ASSERT_TRUE(WholeImageShows(blitter, dib, Rect(0, 0, 22000, 2)));
    EXPECT_EQ(vd::StretchCalls().size(), 2u) << "rows above 16000 bytes go out one per band";
}

TEST(GreyPath, ReducedOneBitImagesAreAveragedThroughTheRamp)
{
    for (int dither : {0, 1, 2, 3}) {
        ConfigureDisplay(vd::Kind::Rgb32, 120, 12);
        Dib dib = RandomDib(400, 10, 1, 40 + dither);
        dib.SetColor(0, 200, 10, 30);
        dib.SetColor(1, 20, 240, 90);
        VyrBlitter blitter(dither, 0);
        ASSERT_TRUE(WholeImageShows(blitter, dib, Rect(0, 0, 100, 10))) << "dither " << dither;
        EXPECT_EQ(blitter.m_stretch, &dibdraw::Shrink1ToGray);
        EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit8To24");
    }
}

TEST(GreyPath, EnlargedAndTransparentImagesUseTheTwoColourScaler)
{
    ConfigureDisplay(vd::Kind::Rgb32, 820, 12);
    Dib dib = RandomDib(400, 10, 1, 50);
    VyrBlitter blitter(0, 0);
    ASSERT_TRUE(WholeImageShows(blitter, dib, Rect(0, 0, 800, 10)));
    EXPECT_EQ(blitter.m_stretch, &dibdraw::Stretch1);
    EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit1To24");

    dib.SetColor(0, 0, 0, 0, 255);
    RECT src = Rect(0, 0, 400, 10), reduced = Rect(0, 0, 100, 10);
    ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &reduced), kBlitOk);
    EXPECT_EQ(blitter.m_stretch, &dibdraw::Stretch1);
}

TEST(Transparency, RasterOperationsAgainstABackground)
{
    struct Case {
        const char* name;
        RGBQUAD color0;
        RGBQUAD color1;
        DWORD rop;
        uint32_t shown0;  // where the pixel is 0, over background 0x336699
        uint32_t shown1;
    };
    const uint32_t bg = 0x336699;
    const Case cases[] = {
        {"opaque", {30, 20, 10, 0}, {60, 50, 40, 0}, SRCCOPY, 0x0A141E, 0x28323C},
        {"0 transparent, 1 black: AND", {1, 2, 3, 255}, {0, 0, 0, 0}, SRCAND, bg, 0x000000},
        {"0 transparent, 1 coloured: AND", {1, 2, 3, 255}, {0x0F, 0xF0, 0x3C, 0}, SRCAND, bg, bg & 0x3CF00F},
        {"0 transparent, 1 white: OR", {1, 2, 3, 255}, {255, 255, 255, 0}, SRCPAINT, bg, 0xFFFFFF},
        {"1 transparent, 0 white: OR", {255, 255, 255, 0}, {9, 9, 9, 255}, SRCPAINT, 0xFFFFFF, bg},
        {"1 transparent, 0 red: AND", {0, 0, 255, 0}, {9, 9, 9, 255}, SRCAND, bg & 0xFF0000, bg},
    };
    for (const Case& c : cases) {
        for (int dstW : {2, 4}) {
            ConfigureDisplay(vd::Kind::Rgb32, 8, 2);
            vd::FillScreen(RGB(0x33, 0x66, 0x99));
            Dib dib(2, 1, 1);
            dib.colors()[0] = c.color0;
            dib.colors()[1] = c.color1;
            dib.SetPixel(0, 0, 0);
            dib.SetPixel(1, 0, 1);
            VyrBlitter blitter(0, 0);
            RECT src = Rect(0, 0, 2, 1), dst = Rect(0, 0, dstW, 1);
            vd::ClearStretchCalls();
            ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << c.name;
            EXPECT_EQ(blitter.m_rop, c.rop) << c.name;
            ASSERT_FALSE(vd::StretchCalls().empty());
            EXPECT_EQ(vd::StretchCalls()[0].rop, c.rop) << c.name;
            EXPECT_EQ(ToRgb(vd::ScreenColor(0, 0)), c.shown0) << c.name << ", width " << dstW;
            EXPECT_EQ(ToRgb(vd::ScreenColor(dstW - 1, 0)), c.shown1) << c.name << ", width " << dstW;
            EXPECT_EQ(ToRgb(vd::ScreenColor(dstW, 0)), bg) << c.name;
        }
    }
}

TEST(Transparency, BothColoursTransparentDrawsNothing)
{
    ConfigureDisplay(vd::Kind::Rgb32, 8, 8);
    Dib dib(4, 4, 1);
    dib.SetColor(0, 1, 1, 1, 255);
    dib.SetColor(1, 2, 2, 2, 255);
    VyrBlitter blitter(0, 0);
    RECT src = Rect(0, 0, 4, 4), dst = Rect(0, 0, 4, 4);
    const ResourceCounts before = ResourceCounts::Now();
    vd::ClearStretchCalls();
    EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
    EXPECT_TRUE(vd::StretchCalls().empty());
    ExpectSameResources(before, ResourceCounts::Now());
}

TEST(Bands, HeightsAndDestinationTops)
{
    struct Case {
        const char* name;
        int width;
        int height;
        int bandRows;
        int bandCount;
    };
    const Case cases[] = {
        {"250 wide: 21-row bands", 250, 300, 21, 15},
        {"2666 wide: 2 rows per band", 2666, 5, 2, 3},
        {"2667 wide: one row per band", 2667, 3, 1, 3},
        {"6000 wide: one stride per band", 6000, 2, 1, 2},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Rgb32, c.width + 10, c.height + 20);
        Dib dib = RandomDib(3, 3, 8, 9);
        VyrBlitter blitter(0, 0);
        RECT src = Rect(0, 0, 3, 3), dst = Rect(7, 11, 7 + c.width, 11 + c.height);
        vd::ClearStretchCalls();
        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << c.name;
        const std::vector<vd::StretchCall> calls = vd::StretchCalls();
        ASSERT_EQ(static_cast<int>(calls.size()), c.bandCount) << c.name;
        for (size_t k = 0; k < calls.size(); ++k) {
            const int expectedHeight =
                k + 1 < calls.size() ? c.bandRows : c.height - c.bandRows * static_cast<int>(k);
            EXPECT_EQ(calls[k].x, 7) << c.name;
            EXPECT_EQ(calls[k].y, 11 + c.bandRows * static_cast<int>(k)) << c.name << ", band " << k;
            EXPECT_EQ(calls[k].height, expectedHeight) << c.name << ", band " << k;
            EXPECT_EQ(calls[k].width, c.width) << c.name;
            EXPECT_EQ(calls[k].srcWidth, c.width) << c.name << ": bands are drawn 1:1";
            EXPECT_EQ(calls[k].srcHeight, expectedHeight) << c.name;
            EXPECT_EQ(calls[k].bitCount, 24) << c.name;
        }
        EXPECT_TRUE(ScreenShows(dib, src, dst, 0)) << c.name;
    }
}

// Makes each allocation of one blit fail in turn: every failure returns -1007,
// draws nothing and leaks nothing, and the object then blits correctly.
void SweepAllocationFailures(vd::Kind kind, Dib& dib, RECT srcRect, RECT dstRect, int dither)
{
    ConfigureDisplay(kind, 64, 48);
    VyrBlitter blitter(dither, 0);
    int failures = 0;
    for (uint32_t n = 1; n < 64; ++n) {
        vd::FillScreen(RGB(9, 9, 9));
        if (!BlitFailsCleanlyAt(n, blitter, dib, srcRect, dstRect, "allocation " + std::to_string(n))) {
            break;
        }
        ++failures;
        EXPECT_EQ(blitter.m_srcRow, nullptr);
        EXPECT_EQ(blitter.m_outRow, nullptr);
        EXPECT_EQ(blitter.m_stretchRow, nullptr);
        EXPECT_EQ(blitter.m_imagePalette, nullptr);
        EXPECT_EQ(blitter.m_bandBits, nullptr);
        EXPECT_EQ(blitter.m_bandInfo, nullptr);
    }
    EXPECT_GT(failures, 3);
    vd::FillScreen(RGB(9, 9, 9));
    RECT src = srcRect, dst = dstRect;
    ASSERT_TRUE(BlitShows(blitter, dib, src, dst, 0x090909));
}

TEST(AllocationFailures, EveryAllocationOfABlitFailsCleanly)
{
    Dib eight = RandomDib(20, 12, 8, 60);
    SweepAllocationFailures(vd::Kind::Rgb32, eight, Rect(0, 0, 20, 12), Rect(2, 2, 22, 14), 0);
    SweepAllocationFailures(vd::Kind::Rgb32, eight, Rect(1, 1, 19, 11), Rect(2, 2, 40, 30), 1);
    Dib grey = RandomDib(60, 8, 1, 61);
    SweepAllocationFailures(vd::Kind::Rgb32, grey, Rect(0, 0, 60, 8), Rect(0, 0, 20, 8), 0);
    Dib wide = RandomDib(20, 12, 24, 62);
    SweepAllocationFailures(vd::Kind::Rgb565, wide, Rect(0, 0, 20, 12), Rect(0, 0, 30, 9), 2);
}

TEST(AllocationFailures, NothingLeaksOverManyBlits)
{
    ConfigureDisplay(vd::Kind::Rgb32, 64, 64);
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(0, 0);
        for (int bits : {1, 4, 8, 24}) {
            Dib dib = RandomDib(30, 20, bits, 70 + bits);
            for (int k = 0; k < 5; ++k) {
                RECT src = Rect(0, 0, 30, 20), dst = Rect(0, 0, 10 + 10 * k, 40 - 5 * k);
                ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
            }
        }
    }
    ExpectSameResources(before, ResourceCounts::Now());
}

TEST(WindowOverload, DrawsIntoTheWindowAndReleasesItsContext)
{
    ConfigureDisplay(vd::Kind::Rgb32, 40, 40);
    HWND window = vd::CreateWindow(Rect(10, 5, 30, 25));
    Dib dib = RandomDib(8, 8, 24, 80);
    RECT src = Rect(0, 0, 8, 8), dst = Rect(2, 3, 10, 11);
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(0, 0);
        ASSERT_EQ(blitter.VyrBlit(window, dib.header(), &src, &dst), kBlitOk);
    }
    ExpectSameResources(before, ResourceCounts::Now());
    EXPECT_TRUE(ScreenShows(dib, src, Rect(12, 8, 20, 16), 0));
    vd::DestroyWindow(window);
}

}  // namespace

namespace {

// The bytes a converter writes for `count` pixels on its display's band.
size_t ConvertedRowBytes(const dibdraw::ConverterEntry& entry, int count)
{
    return (static_cast<size_t>(count) * static_cast<size_t>(dibdraw::BandBitCount(entry.displayDepth)) + 7) / 8;
}

}  // namespace

// A blit converts rows straight into its band with the converters that say
// they write exactly their row's bytes from the source alone; the band's
// row then holds what a converted row buffer would hold. Each of them, over
// many counts, must write the same bytes over a destination of zeros and one
// of ones, and nothing past them; and read nothing past an exact source row.
TEST(InPlaceRows, ConvertersThatWriteOnlyTheirRowDoSo)
{
    int checked = 0;
    bool copies24 = false;
    bool palette8To24 = false;
    bool mapped8 = false;
    bool threshold1 = false;
    for (const auto& section : dibdraw::ConverterSections()) {
        for (const dibdraw::ConverterEntry& entry : section) {
            if (!entry.writesOnlyItsRow) {
                continue;
            }
            ++checked;
            copies24 = copies24 || std::string(entry.name) == "Blit24To24";
            palette8To24 = palette8To24 || std::string(entry.name) == "Blit8To24";
            mapped8 = mapped8 || std::string(entry.name) == "Blit8To8Mapped";
            threshold1 = threshold1 || std::string(entry.name) == "Blit24To1Mode1";
            Random random(static_cast<uint64_t>(checked));
            VyrBlitter blitter(0, 2);
            // Error diffusion's carries for the longest row, cleared before
            // each conversion so that both start alike; the blitter frees them.
            constexpr uint32_t kErrorRowBytes = 6 * 70 + 8;
            blitter.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(kErrorRowBytes));
            auto convert = [&](const uint8_t* source, uint8_t* dst, int count) {
                std::memset(blitter.m_errorRow, 0, kErrorRowBytes);
                entry.fn(&blitter, source, dst, count);
            };
            std::vector<uint8_t> imagePalette = random.Bytes(768);
            const std::vector<uint8_t> colorMap = random.Bytes(256);
            std::copy(colorMap.begin(), colorMap.end(), blitter.m_colorMap);
            blitter.m_imagePalette = imagePalette.data();
            for (int count = 0; count <= 70; ++count) {
                const std::vector<uint8_t> source =
                    random.Bytes((static_cast<size_t>(count) * static_cast<size_t>(entry.srcBits) + 7) / 8);
                const size_t rowBytes = ConvertedRowBytes(entry, count);
                GuardedBuffer overZeros(rowBytes, 0x00);
                GuardedBuffer overOnes(rowBytes, 0xFF);
                convert(source.data(), overZeros.data(), count);
                convert(source.data(), overOnes.data(), count);
                for (size_t k = 0; k < rowBytes; ++k) {
                    ASSERT_EQ(overZeros[k], overOnes[k])
                        << entry.name << ", " << count << " pixels: byte " << k << " depends on what was there";
                }
                ASSERT_TRUE(overZeros.GuardsIntact() && overOnes.GuardsIntact())
                    << entry.name << ", " << count << " pixels: wrote past " << rowBytes << " bytes";
            }
            blitter.m_imagePalette = nullptr;
        }
    }
    EXPECT_TRUE(copies24) << "the 24-bit copy converts in place";
    EXPECT_TRUE(palette8To24) << "the 8-bit colour table look-up to true colour converts in place";
    EXPECT_TRUE(mapped8) << "the 8-bit colour map converts in place";
    EXPECT_TRUE(threshold1) << "the 24-bit threshold to monochrome converts in place";
}

// Rows converted in the band, unscaled and enlarged (a repeated row copied
// from the one before, also when that one went out with the previous band),
// in bands of many rows and of one row, with and without reuse of repeated
// rows, show the image.
TEST(InPlaceRows, UnscaledAndEnlargedBlitsShowTheImage)
{
    struct Case {
        const char* name;
        int bits;
        int srcW, srcH;
        int dstW, dstH;
        int screenW;
        int srcLeft = 0;
    };
    const Case cases[] = {
        {"24-bit unscaled", 24, 61, 47, 61, 47, 80},
        {"8-bit unscaled", 8, 63, 40, 63, 40, 80},
        {"24-bit doubled", 24, 31, 23, 62, 46, 80},
        {"8-bit tripled", 8, 21, 15, 63, 45, 80},
        {"24-bit doubled, one row per band", 24, 2700, 3, 5400, 6, 5410},
        {"24-bit widened, 2 rows per band", 24, 900, 7, 1800, 7, 1810},
        // Rows of several pieces and a last partial one, from a source
        // column that no piece starts on.
        {"24-bit unscaled, rows in pieces", 24, 1300, 5, 1263, 5, 1270, 37},
        {"8-bit unscaled, rows in pieces", 8, 3300, 6, 3299, 6, 3310, 1},
    };
    for (const Case& c : cases) {
        for (const int dither : {0, 1}) {
            ConfigureDisplay(vd::Kind::Rgb32, c.screenW, c.dstH + 4);
            vd::FillScreen(RGB(1, 2, 3));
            Dib dib = RandomDib(c.srcW, c.srcH, c.bits, static_cast<uint64_t>(c.srcW * 100 + c.bits));
            VyrBlitter blitter(dither, 0);
            RECT src = Rect(c.srcLeft, 0, c.srcW, c.srcH), dst = Rect(2, 1, 2 + c.dstW, 1 + c.dstH);
            ASSERT_TRUE(BlitShows(blitter, dib, src, dst, 0x010203)) << c.name << ", dither mode " << dither;
        }
    }
}

// The 24-bit conversion to monochrome converts in the band: undithered rows
// of several pieces from a column no piece starts on, and rows repeated by
// enlargement, which ordered dithering converts anew for each row it shows
// and the undithered conversion copies.
TEST(InPlaceRows, MonochromeRowsShowTheModel)
{
    struct Case {
        const char* name;
        int dither;
        int srcW, srcH;
        int srcLeft;
        int dstH;
    };
    const Case cases[] = {
        {"undithered rows of three pieces from column 37", 1, 1300, 4, 37, 4},
        {"undithered rows enlarged 3 times", 1, 90, 5, 0, 15},
        {"ordered rows enlarged 3 times", 0, 90, 5, 0, 15},
        {"8 x 8 ordered rows enlarged 3 times", 3, 90, 5, 0, 15},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Mono, c.srcW + 8, c.dstH + 4);
        Dib dib = RandomDib(c.srcW, c.srcH, 24, static_cast<uint64_t>(c.srcW + c.dither));
        VyrBlitter blitter(c.dither, 0);
        RECT src = Rect(c.srcLeft, 0, c.srcW, c.srcH);
        RECT dst = Rect(3, 2, 3 + c.srcW - c.srcLeft, 2 + c.dstH);
        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << c.name;
        EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0))
            << c.name << ", converter " << ConverterName(blitter.m_convert);
    }
}

// An 8-bit image in the display's own colours, as the mapped choice asks,
// its pixels on the static entries, so that a pixel taken from a
// neighbour's place shows another colour.
Dib StaticEntriesDib(int width, int height, uint64_t seed)
{
    Dib dib(width, height, 8);
    const std::vector<PALETTEENTRY> system = vd::SystemPalette();
    for (int i = 0; i < 256; ++i) {
        dib.SetColor(i, system[i].peRed, system[i].peGreen, system[i].peBlue);
    }
    Random random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int staticEntry = random.Between(0, 19);
            dib.SetPixel(x, y, static_cast<uint32_t>(staticEntry < 10 ? staticEntry : 236 + staticEntry));
        }
    }
    return dib;
}

// The 8-bit colour map converts in the band too: rows of one piece and of
// several, the last partial, from source columns that no piece starts on,
// show the mapped colours.
TEST(InPlaceRows, MappedRowsShowTheirMappedColours)
{
    struct Case {
        const char* name;
        int srcW, srcH;
        int srcLeft;
    };
    const Case cases[] = {
        {"one piece a row", 300, 9, 3},
        {"rows of three pieces, the last partial", 4000, 5, 0},
        {"rows of three pieces from column 701", 4000, 5, 701},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Palette8, c.srcW + 8, c.srcH + 4);
        Dib dib = StaticEntriesDib(c.srcW, c.srcH, static_cast<uint64_t>(c.srcW + c.srcLeft));
        VyrBlitter blitter(0, 2);
        RECT src = Rect(c.srcLeft, 0, c.srcW, c.srcH);
        RECT dst = Rect(3, 2, 3 + c.srcW - c.srcLeft, 2 + c.srcH);
        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << c.name;
        ASSERT_STREQ(ConverterName(blitter.m_convert), "Blit8To8Mapped") << c.name;
        EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0)) << c.name;
    }
}

// Large mapped blits, where the kernel set maps bytes faster in pairs (the
// suite runs once a set), map them through a table of byte pairs that is
// the blit's last allocation: one more than a small blit makes. Unscaled
// (in pieces) and enlarged (whole rows), they show the mapped colours; when
// the table cannot be allocated, the blit fails as for its other buffers.
TEST(Palette8MappedBlit, LargeBlitsMapThroughAPairTable)
{
    struct Case {
        const char* name;
        int srcW, srcH, dstW, dstH;
    };
    const Case cases[] = {
        {"unscaled", 701, 380, 701, 380},
        {"enlarged", 350, 190, 701, 380},
    };
    const bool pairs = dibdraw::ActiveKernels().mapsBytePairsFaster;
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Palette8, c.dstW + 8, c.dstH + 4);
        Dib dib = StaticEntriesDib(c.srcW, c.srcH, static_cast<uint64_t>(c.srcW));
        VyrBlitter blitter(0, 2);
        RECT src = Rect(5, 0, c.srcW, c.srcH), dst = Rect(3, 2, 3 + c.dstW - 5, 2 + c.dstH);
        // Scaled as the large blit is, so that it needs the same buffers.
        const int scale = c.dstW / c.srcW;
        RECT smallSrc = Rect(5, 0, 25, 19), smallDst = Rect(3, 2, 3 + 20 * scale, 2 + 19 * scale);
        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &smallSrc, &smallDst), kBlitOk) << c.name;
        const uint64_t beforeSmall = KemAllocationCalls();
        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &smallSrc, &smallDst), kBlitOk) << c.name;
        const uint64_t smallCalls = KemAllocationCalls() - beforeSmall;

        vd::FillScreen(RGB(9, 9, 9));
        const ResourceCounts beforeLarge = ResourceCounts::Now();
        const uint64_t callsBeforeLarge = KemAllocationCalls();
        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << c.name;
        const uint64_t largeCalls = KemAllocationCalls() - callsBeforeLarge;
        ExpectSameResources(beforeLarge, ResourceCounts::Now(), c.name);
        ASSERT_STREQ(ConverterName(blitter.m_convert), "Blit8To8Mapped") << c.name;
        EXPECT_EQ(largeCalls, smallCalls + (pairs ? 1 : 0)) << c.name;
        EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0)) << c.name;
        if (pairs) {
            vd::FillScreen(RGB(9, 9, 9));
            EXPECT_TRUE(BlitFailsCleanlyAt(static_cast<uint32_t>(largeCalls), blitter, dib, src, dst,
                                           std::string(c.name) + ", no memory for the pair table"));
        }
    }
}
