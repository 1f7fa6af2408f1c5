// Blits whose destination reaches outside what the device context shows:
// only the visible part is converted and sent, and every visible pixel is
// the one the whole destination shows there, on every kind of display, for
// every source depth and dither mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "support/dib.h"
#include "support/display_kinds.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

constexpr int kScreenWidth = 160;
constexpr int kScreenHeight = 120;


// The first pixel of `area` where two captures differ, or an empty string.
std::string FirstDifference(const RECT& area, const std::vector<uint32_t>& shown, const std::vector<uint32_t>& whole)
{
    const int width = area.right - area.left;
    for (size_t k = 0; k < shown.size(); ++k) {
        if (shown[k] != whole[k]) {
            return "first difference at screen (" + std::to_string(area.left + static_cast<int>(k) % width) + ", " +
                   std::to_string(area.top + static_cast<int>(k) / width) + "): " + std::to_string(shown[k]) +
                   " where the whole destination shows " + std::to_string(whole[k]);
        }
    }
    return {};
}

struct ClippedCase {
    RECT src;
    RECT dst;      // in screen coordinates
    RECT visible;  // the window's area of the screen
};

ClippedCase RandomCase(Random& random, const Dib& dib)
{
    ClippedCase c;
    c.src = {random.Between(-2, dib.width() - 1), random.Between(-2, dib.height() - 1),
             random.Between(1, dib.width() + 2), random.Between(1, dib.height() + 2)};
    int dstW = random.Between(1, 120), dstH = random.Between(1, 90);
    const int srcW = std::min<int>(c.src.right, dib.width()) - std::max<int>(c.src.left, 0);
    const int srcH = std::min<int>(c.src.bottom, dib.height()) - std::max<int>(c.src.top, 0);
    if (random.Between(0, 2) == 0 && srcW > 0 && srcH > 0) {
        // Equal sizes: the rows go to the converter unscaled.
        dstW = srcW;
        dstH = srcH;
    }
    const int left = random.Between(0, kScreenWidth - dstW), top = random.Between(0, kScreenHeight - dstH);
    c.dst = {left, top, left + dstW, top + dstH};
    const int visibleLeft = random.Between(0, kScreenWidth - 2), visibleTop = random.Between(0, kScreenHeight - 2);
    c.visible = {visibleLeft, visibleTop, random.Between(visibleLeft + 1, kScreenWidth),
                 random.Between(visibleTop + 1, kScreenHeight)};
    return c;
}

// Draws the case through a window over its visible area and returns what the
// screen shows there; the blits sent must lie inside that area, but for the
// first byte of a band row.
std::vector<uint32_t> DrawClipped(const DisplaySetup& display, Dib& dib, const ClippedCase& c, int dither,
                                  int paletteMode, const std::string& where)
{
    ConfigureDisplay(display.kind, kScreenWidth, kScreenHeight, display.swapped);
    HWND window = vd::CreateWindow(c.visible);
    const RECT inWindow = {c.dst.left - c.visible.left, c.dst.top - c.visible.top, c.dst.right - c.visible.left,
                           c.dst.bottom - c.visible.top};
    const int visibleW = c.visible.right - c.visible.left, visibleH = c.visible.bottom - c.visible.top;
    RECT src = c.src, dst = inWindow;
    vd::ClearStretchCalls();
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(dither, paletteMode);
        EXPECT_EQ(blitter.VyrBlit(window, dib.header(), &src, &dst), kBlitOk) << where;
    }
    ExpectSameResources(before, ResourceCounts::Now(), where);
    for (const vd::StretchCall& call : vd::StretchCalls()) {
        EXPECT_TRUE(call.x > -8 && call.x + call.width <= visibleW && call.y >= 0 && call.y + call.height <= visibleH)
            << where << ": a band at (" << call.x << ", " << call.y << ") of " << call.width << " x " << call.height
            << " reaches outside the window's " << visibleW << " x " << visibleH;
    }
    std::vector<uint32_t> shown = DevicePixels(c.visible);
    vd::DestroyWindow(window);
    return shown;
}

// The same blit with the whole destination on the screen.
std::vector<uint32_t> DrawWhole(const DisplaySetup& display, Dib& dib, const ClippedCase& c, int dither,
                                int paletteMode)
{
    ConfigureDisplay(display.kind, kScreenWidth, kScreenHeight, display.swapped);
    RECT src = c.src, dst = c.dst;
    VyrBlitter blitter(dither, paletteMode);
    EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
    return DevicePixels(c.visible);
}

TEST(VisiblePart, ClippedBlitsShowWhatTheWholeDestinationShows)
{
    int caseIndex = 0;
    for (const DisplaySetup& display : kWholeBlitDisplays) {
        for (int bits : {1, 4, 8, 24}) {
            for (int dither = 0; dither < 4; ++dither, ++caseIndex) {
                for (int round = 0; round < 6; ++round) {
                    const uint64_t seed = 7000 + 6 * caseIndex + round;
                    Random random(seed);
                    Dib dib(random.Between(1, 40), random.Between(1, 30), bits);
                    dib.Randomize(random);
                    const ClippedCase c = RandomCase(random, dib);
                    const int paletteMode = random.Between(0, 2);
                    const std::string where = std::string(KindName(display.kind)) + ", " + std::to_string(bits) +
                                              " bits, dither " + std::to_string(dither) + ", palette mode " +
                                              std::to_string(paletteMode) + ", seed " + std::to_string(seed);
                    const std::vector<uint32_t> shown = DrawClipped(display, dib, c, dither, paletteMode, where);
                    const std::vector<uint32_t> whole = DrawWhole(display, dib, c, dither, paletteMode);
                    const std::string difference = FirstDifference(c.visible, shown, whole);
                    EXPECT_TRUE(difference.empty()) << where << ": " << difference;
                }
            }
        }
    }
}

TEST(VisiblePart, TransparentAndGreyOneBitImages)
{
    // 1-bit images reduced in width take the grey path when opaque and the
    // two-colour scaler when transparent; both over a coloured background.
    for (int transparent = 0; transparent < 2; ++transparent) {
        for (const DisplaySetup& display : kWholeBlitDisplays) {
            for (int dither = 0; dither < 4; ++dither) {
                const uint64_t seed = 7500 + 8 * transparent + dither;
                Random random(seed);
                Dib dib(random.Between(60, 200), random.Between(1, 20), 1);
                dib.Randomize(random);
                if (transparent != 0) {
                    dib.SetColor(0, 9, 9, 9, 255);
                }
                ClippedCase c = RandomCase(random, dib);
                c.src = {0, 0, dib.width(), dib.height()};
                const std::string where = std::string(KindName(display.kind)) + ", dither " + std::to_string(dither) +
                                          (transparent != 0 ? ", transparent" : ", opaque") + ", seed " +
                                          std::to_string(seed);
                const std::vector<uint32_t> shown = DrawClipped(display, dib, c, dither, 0, where);
                const std::vector<uint32_t> whole = DrawWhole(display, dib, c, dither, 0);
                const std::string difference = FirstDifference(c.visible, shown, whole);
                EXPECT_TRUE(difference.empty()) << where << ": " << difference;
            }
        }
    }
}

TEST(VisiblePart, NothingVisibleDrawsNothing)
{
    ConfigureDisplay(vd::Kind::Rgb32, 64, 64);
    Random random(7600);
    Dib dib(8, 8, 24);
    dib.Randomize(random);
    HWND outside = vd::CreateWindow(RECT{70, 70, 90, 90});
    for (RECT dst : {RECT{0, 0, 16, 16}, RECT{-40, 0, -20, 16}, RECT{0, 70, 16, 90}}) {
        RECT src = {0, 0, 8, 8};
        vd::ClearStretchCalls();
        VyrBlitter blitter(2, 0);
        EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
        const bool onScreen = dst.right > 0 && dst.bottom > 0 && dst.left < 64 && dst.top < 64;
        EXPECT_EQ(vd::StretchCalls().empty(), !onScreen) << dst.left << ", " << dst.top;
        EXPECT_EQ(blitter.VyrBlit(outside, dib.header(), &src, &dst), kBlitOk);
        EXPECT_EQ(vd::StretchCalls().empty(), !onScreen) << "a window off the screen shows nothing";
    }
}

// A 4 x 4 image at 2^28 pixels in width or height: only what the 64 x 64
// screen shows is worked on. The visible pixels are those of a blit of the
// one source pixel they show into a small destination.
TEST(VisiblePart, HugeDestinationsCostWhatShows)
{
    constexpr int kHuge = 1 << 28;
    struct Case {
        const char* name;
        RECT dst;
        bool diffusable;  // error diffusion runs through what lies above and left
    };
    const Case cases[] = {
        {"2^28 x 1", {0, 0, kHuge, 1}, true},
        {"2^28 x 2^28", {0, 0, kHuge, kHuge}, true},
        {"2^28 x 2^28 around the screen", {-kHuge / 2, -kHuge / 2, kHuge / 2, kHuge / 2}, false},
    };
    for (const DisplaySetup& display : kWholeBlitDisplays) {
        for (int bits : {1, 8, 24}) {
            for (int dither = 0; dither < 4; ++dither) {
                for (const Case& c : cases) {
                    if (dither == 2 && !c.diffusable) {
                        continue;
                    }
                    const std::string where = std::string(KindName(display.kind)) + ", " + std::to_string(bits) +
                                              " bits, dither " + std::to_string(dither) + ", " + c.name;
                    Random random(bits);
                    Dib dib(4, 4, bits);
                    dib.Randomize(random);
                    // Destination pixel (x, y) of the screen shows source pixel
                    // (x - left) * 4 / width, the same for all 64 columns.
                    const int64_t column = (0 - int64_t{c.dst.left}) * 4 / (int64_t{c.dst.right} - c.dst.left);
                    const int64_t row = (0 - int64_t{c.dst.top}) * 4 / (int64_t{c.dst.bottom} - c.dst.top);
                    const int rows = c.dst.bottom - c.dst.top == 1 ? 1 : 64;
                    ConfigureDisplay(display.kind, 64, 64, display.swapped);
                    RECT src = {0, 0, 4, 4}, dst = c.dst;
                    const auto start = std::chrono::steady_clock::now();
                    {
                        VyrBlitter blitter(dither, 0);
                        ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << where;
                    }
                    const auto elapsed = std::chrono::steady_clock::now() - start;
                    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 500) << where;
                    const std::vector<uint32_t> shown = DevicePixels(RECT{0, 0, 64, rows});

                    // Twice as wide, for the columns whose errors error
                    // diffusion passes down and to the left.
                    ConfigureDisplay(display.kind, 128, 64, display.swapped);
                    RECT one = {static_cast<LONG>(column), static_cast<LONG>(row), static_cast<LONG>(column) + 1,
                                static_cast<LONG>(row) + 1};
                    RECT reference = {0, 0, 128, rows};
                    VyrBlitter blitter(dither, 0);
                    ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &one, &reference), kBlitOk) << where;
                    const RECT screen = {0, 0, 64, rows};
                    const std::string difference = FirstDifference(screen, shown, DevicePixels(screen));
                    EXPECT_TRUE(difference.empty()) << where << ": " << difference;
                }
            }
        }
    }
}

}  // namespace
