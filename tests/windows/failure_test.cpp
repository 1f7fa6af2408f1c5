// Out of memory on the real display: memkit40 makes the n-th allocation fail,
// and every such blit or realization must report -1007, draw nothing, realize
// nothing and leave no block behind; the object then works as before.
#include <gtest/gtest.h>

#include "memkit40.h"
#include "wine_support.h"

using namespace winetest;

namespace {

constexpr uint32_t kBackground = Rgb(0, 128, 128);  // a static colour on a palette screen

}  // namespace

TEST(AllocationFailure, BlitsReportNoMemoryAndDrawNothing)
{
    TestWindow& window = TestWindow::Get();
    struct Case {
        const char* name;
        int bits;
        int dstW, dstH;
        int ditherMode, paletteMode;
    };
    const Case cases[] = {
        {"1-bit unscaled", 1, 30, 14, 0, 1},     {"1-bit reduced (grey levels)", 1, 11, 14, 2, 0},
        {"4-bit enlarged", 4, 50, 20, 2, 2},     {"8-bit reduced", 8, 17, 9, 2, 1},
        {"24-bit enlarged", 24, 61, 29, 0, 0},   {"24-bit unscaled", 24, 30, 14, 2, 1},
    };
    for (const Case& c : cases) {
        Random random(c.bits * 100 + c.dstW);
        Dib dib(30, 14, c.bits);
        Randomize(dib, random);
        VyrBlitter blitter(c.ditherMode, c.paletteMode);
        const RECT dst = {40, 60, 40 + c.dstW, 60 + c.dstH};
        window.Fill(kBackground);
        const std::vector<uint32_t> untouched = window.Read(dst);
        int failures = 0;
        for (uint32_t n = 1; n < 64; ++n) {
            RECT src = {0, 0, 30, 14};
            const ResourceCounts before = ResourceCounts::Now();
            const bool hadErrorRow = blitter.m_errorRow != nullptr;
            KemFailNthAllocation(n);
            const short result = blitter.VyrBlit(window.hwnd(), dib.header(), &src, const_cast<RECT*>(&dst));
            KemStopFailing();
            if (result == kBlitOk) {
                break;
            }
            ++failures;
            const std::string where = std::string(c.name) + ", allocation " + std::to_string(n);
            EXPECT_EQ(result, kBlitNoMemory) << where;
            EXPECT_EQ(FirstDifference(window.Read(dst), untouched, c.dstW), "") << where << ": something was drawn";
            // The object keeps its error row; nothing else may stay.
            ResourceCounts kept = before;
            kept.heapBlocks = kept.heapBlocks - (hadErrorRow ? 1 : 0) + (blitter.m_errorRow != nullptr ? 1 : 0);
            ExpectSameResources(kept, ResourceCounts::Now(), where);
            EXPECT_EQ(blitter.m_srcRow, nullptr) << where;
            EXPECT_EQ(blitter.m_outRow, nullptr) << where;
            EXPECT_EQ(blitter.m_stretchRow, nullptr) << where;
            EXPECT_EQ(blitter.m_bandBits, nullptr) << where;
            EXPECT_EQ(blitter.m_bandInfo, nullptr) << where;
            EXPECT_EQ(blitter.m_imagePalette, nullptr) << where;
        }
        EXPECT_GE(failures, 4) << c.name << ": too few allocations failed to exercise the paths";
        // After all those failures the same blit works.
        RECT src = {0, 0, 30, 14};
        ASSERT_EQ(blitter.VyrBlit(window.hwnd(), dib.header(), &src, const_cast<RECT*>(&dst)), kBlitOk) << c.name;
        EXPECT_NE(FirstDifference(window.Read(dst), untouched, c.dstW), "") << c.name << ": the blit drew nothing";
    }
}

TEST(AllocationFailure, RealizationReportsNoMemoryAndRealizesNothing)
{
    TestWindow& window = TestWindow::Get();
    const bool palettized = ScreenCaps::Now().Palettized();
    Random random(77);
    Dib dib(4, 4, 8);
    Randomize(dib, random);
    VyrBlitter blitter(0, 1);
    if (!palettized) {
        const uint64_t calls = KemAllocationCalls();
        EXPECT_EQ(blitter.VyrRealizePalette(window.hwnd(), dib.header()), kBlitOk);
        EXPECT_EQ(blitter.VyrRealizeFixedPalette(window.hwnd()), kBlitOk);
        EXPECT_EQ(KemAllocationCalls(), calls) << "only a 256-colour screen has a palette to realize";
        return;
    }
    ASSERT_EQ(blitter.VyrRealizeFixedPalette(window.hwnd()), kBlitOk);
    const std::vector<uint32_t> fixedRealized = SystemPalette();
    int failures = 0;
    for (uint32_t n = 1; n < 16; ++n) {
        const ResourceCounts before = ResourceCounts::Now();
        KemFailNthAllocation(n);
        const short result = blitter.VyrRealizePalette(window.hwnd(), dib.header());
        KemStopFailing();
        if (result == kBlitOk) {
            break;
        }
        ++failures;
        EXPECT_EQ(result, kBlitNoMemory) << "allocation " << n;
        EXPECT_EQ(SystemPalette(), fixedRealized) << "allocation " << n << ": a palette was realized";
        ExpectSameResources(before, ResourceCounts::Now(), "realization, allocation " + std::to_string(n));
    }
    EXPECT_EQ(failures, 3) << "the output palette, the work table and the logical palette";
    EXPECT_NE(SystemPalette(), fixedRealized) << "the realization after the failures changed nothing";
}

TEST(UnsupportedBitmaps, AreRefusedAndDrawNothing)
{
    TestWindow& window = TestWindow::Get();
    window.Fill(kBackground);
    RECT dst = {40, 60, 60, 70};
    const std::vector<uint32_t> untouched = window.Read(dst);
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(0, 0);
        for (int bits : {16, 32, 2}) {
            Dib dib(20, 10, bits);
            RECT src = {0, 0, 20, 10};
            EXPECT_EQ(blitter.VyrBlit(window.hwnd(), dib.header(), &src, &dst), kBlitUnsupported) << bits << " bits";
        }
        Dib planes(20, 10, 8);
        planes.header()->biPlanes = 2;
        RECT src = {-5, -5, 100, 100};
        EXPECT_EQ(blitter.VyrBlit(window.hwnd(), planes.header(), &src, &dst), kBlitUnsupported);
        EXPECT_EQ(src.left, -5) << "a bitmap of two planes is refused before the rectangle is clipped";
        EXPECT_EQ(src.right, 100);
    }
    // A dither mode outside 0..3 is refused where the display needs one (an
    // 8-bit image on a palette screen); a true-colour screen never asks.
    Random random(2);
    Dib image(20, 10, 8);
    Randomize(image, random);
    {
        VyrBlitter blitter(7, 0);
        RECT src = {0, 0, 20, 10};
        const short result = blitter.VyrBlit(window.hwnd(), image.header(), &src, &dst);
        if (ScreenCaps::Now().Palettized()) {
            EXPECT_EQ(result, kBlitUnsupported);
        } else {
            EXPECT_EQ(result, kBlitOk);
            window.Fill(kBackground);
        }
    }
    EXPECT_EQ(FirstDifference(window.Read(dst), untouched, 20), "") << "a refused blit drew";
    ExpectSameResources(before, ResourceCounts::Now(), "refused blits");
}

TEST(GdiAccounting, BlitsAndRealizationsLeaveNoGdiObject)
{
    if (!GdiObjectsCounted()) {
        GTEST_SKIP() << "GetGuiResources does not count GDI objects here (Wine answers 0); "
                        "the palette tests check with GetObjectType that every palette is deleted";
    }
    TestWindow& window = TestWindow::Get();
    const auto round = [&window] {
        VyrBlitter blitter(2, 1);
        for (int bits : {1, 4, 8, 24}) {
            Random random(bits);
            Dib dib(30, 14, bits);
            Randomize(dib, random);
            blitter.VyrRealizePalette(window.hwnd(), dib.header());
            RECT src = {0, 0, 30, 14}, dst = {40, 60, 70, 74};
            EXPECT_EQ(blitter.VyrBlit(window.hwnd(), dib.header(), &src, &dst), kBlitOk);
            src = {0, 0, 30, 14};
            dst = {40, 60, 55, 90};
            EXPECT_EQ(blitter.VyrBlit(window.hwnd(), dib.header(), &src, &dst), kBlitOk);
        }
    };
    round();
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    round();
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}
