// Whole blits on every kind of display, for every source depth, dither mode
// and palette mode, scaled and unscaled, compared with the blit model.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "dibdraw32/Diagnostics.h"
#include "support/blit_model.h"
#include "support/dib.h"
#include "support/failing_blit.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

TEST(WholeBlitEveryDisplay, RandomBlitsMatchTheModel)
{
    int caseIndex = 0;
    for (const DisplaySetup& display : kWholeBlitDisplays) {
        for (int bits : {1, 4, 8, 24}) {
            for (int dither = 0; dither < 4; ++dither) {
                for (int paletteMode = 0; paletteMode < 3; ++paletteMode, ++caseIndex) {
                    const uint64_t seed = 5000 + caseIndex;
                    Random random(seed);
                    Dib dib = RandomImage(random, bits);
                    RECT src = {random.Between(-2, dib.width() - 1), random.Between(-2, dib.height() - 1),
                                random.Between(1, dib.width() + 2), random.Between(1, dib.height() + 2)};
                    const bool unscaled = random.Between(0, 2) == 0;
                    int dstW = random.Between(1, 50), dstH = random.Between(1, 30);
                    if (unscaled) {
                        dstW = std::min<int>(src.right, dib.width()) - std::max<int>(src.left, 0);
                        dstH = std::min<int>(src.bottom, dib.height()) - std::max<int>(src.top, 0);
                    }
                    const int left = random.Between(0, 6), top = random.Between(0, 6);
                    RECT dst = {left, top, left + dstW, top + dstH};
                    ConfigureDisplay(display.kind, 60, 40, display.swapped);
                    const std::string where = std::string(KindName(display.kind)) + ", " + std::to_string(bits) +
                                              " bits, dither " + std::to_string(dither) + ", palette mode " +
                                              std::to_string(paletteMode) + ", seed " + std::to_string(seed);
                    const ResourceCounts before = ResourceCounts::Now();
                    {
                        VyrBlitter blitter(dither, paletteMode);
                        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << where;
                        if (src.right > src.left && src.bottom > src.top) {
                            EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0))
                                << where << ", converter " << ConverterName(blitter.m_convert);
                        }
                    }
                    ExpectSameResources(before, ResourceCounts::Now(), where);
                }
            }
        }
    }
}

TEST(WholeBlitEveryDisplay, ConsecutiveBlitsKeepTheDisplayInStep)
{
    for (vd::Kind kind : {vd::Kind::Palette8, vd::Kind::Packed4, vd::Kind::Mono}) {
        ConfigureDisplay(kind, 60, 40);
        VyrBlitter blitter(2, 2);
        for (int k = 0; k < 6; ++k) {
            Random random(900 + k);
            Dib dib = RandomImage(random, k % 2 == 0 ? 8 : 4);
            RECT src = {0, 0, dib.width(), dib.height()};
            RECT dst = {0, 0, 40, 30};
            ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
            EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0)) << KindName(kind) << ", blit " << k;
        }
    }
}

TEST(WholeBlitEveryDisplay, AllocationFailuresOnPaletteDisplays)
{
    for (vd::Kind kind : {vd::Kind::Palette8, vd::Kind::Packed4, vd::Kind::Mono}) {
        for (int bits : {1, 8, 24}) {
            ConfigureDisplay(kind, 60, 40);
            Random random(bits);
            Dib dib = RandomImage(random, bits);
            VyrBlitter blitter(0, 1);
            int failures = 0;
            RECT src = {0, 0, dib.width(), dib.height()};
            RECT dst = {0, 0, dib.width() / 2 + 1, dib.height() + 3};
            for (uint32_t n = 1; n < 64; ++n) {
                const std::string where = std::string(KindName(kind)) + ", " + std::to_string(bits) +
                                          " bits, allocation " + std::to_string(n);
                if (!BlitFailsCleanlyAt(n, blitter, dib, src, dst, where)) {
                    break;
                }
                ++failures;
            }
            EXPECT_GT(failures, 3) << KindName(kind) << ", " << bits << " bits";
            ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
            EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0)) << KindName(kind) << ", " << bits;
        }
    }
}

TEST(MonochromeTransparency, AndAndOrOnDevicePixels)
{
    struct Case {
        const char* name;
        RGBQUAD color0;
        RGBQUAD color1;
        COLORREF background;
        COLORREF shown0;
        COLORREF shown1;
    };
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    const Case cases[] = {
        {"black ink ANDed on white", {0, 0, 0, 255}, {0, 0, 0, 0}, white, white, black},
        {"white ink ORed on black", {0, 0, 0, 255}, {255, 255, 255, 0}, black, black, white},
        {"white opaque 0, 1 transparent, OR on black", {255, 255, 255, 0}, {0, 0, 0, 255}, black, white, black},
    };
    for (const Case& c : cases) {
        ConfigureDisplay(vd::Kind::Mono, 8, 1);
        vd::FillScreen(c.background);
        Dib dib(2, 1, 1);
        dib.colors()[0] = c.color0;
        dib.colors()[1] = c.color1;
        dib.SetPixel(1, 0, 1);
        VyrBlitter blitter(0, 0);
        RECT src = {0, 0, 2, 1}, dst = {0, 0, 2, 1};
        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << c.name;
        EXPECT_EQ(vd::ScreenColor(0, 0), c.shown0) << c.name;
        EXPECT_EQ(vd::ScreenColor(1, 0), c.shown1) << c.name;
    }
}

}  // namespace
