// Whole blits into a real window on a true-colour screen (16 or 32 bits),
// read back and compared with the exact colours the blit must show: every
// source depth, unscaled, enlarged, reduced and clipped, opaque and
// transparent, in bands, through both VyrBlit overloads.
#include <gtest/gtest.h>

#include <algorithm>

#include "wine_support.h"

using namespace winetest;

namespace {

constexpr uint32_t kBackground = Rgb(0x20, 0x40, 0x80);

// A colour probed by the blit for a 1-bit image: the low three bytes are a
// 24-bit DIB pixel, blue first.
uint32_t MonoColor(uint32_t field)
{
    return Rgb((field >> 16) & 0xFF, (field >> 8) & 0xFF, field & 0xFF);
}

class TrueColourBlit : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_caps = ScreenCaps::Now();
        if (!m_caps.TrueColour()) {
            GTEST_SKIP() << "not a true-colour screen: " << m_caps.Describe();
        }
    }

    uint32_t Shown(uint32_t rgb) const { return TrueColourRendition(rgb, m_caps.bitsPixel); }

    // The whole window as a background, then the blit; returns the result.
    short Blit(VyrBlitter& blitter, Dib& dib, RECT& src, const RECT& dst, bool throughWindow)
    {
        TestWindow& window = TestWindow::Get();
        window.Fill(kBackground);
        if (throughWindow) {
            return blitter.VyrBlit(window.hwnd(), dib.header(), &src, const_cast<RECT*>(&dst));
        }
        HDC dc = GetDC(window.hwnd());
        const short result = blitter.VyrBlit(dc, dib.header(), &src, const_cast<RECT*>(&dst));
        ReleaseDC(window.hwnd(), dc);
        return result;
    }

    // Checks the destination against `expected` and a frame of two pixels
    // around it against the background.
    void ExpectScreen(const RECT& dst, const std::vector<uint32_t>& expected, const std::string& where)
    {
        const RECT frame = {std::max(0L, dst.left - 2), std::max(0L, dst.top - 2),
                            std::min<LONG>(TestWindow::kWidth, dst.right + 2),
                            std::min<LONG>(TestWindow::kHeight - 4, dst.bottom + 2)};
        const int width = frame.right - frame.left;
        const std::vector<uint32_t> shown = TestWindow::Get().Read(frame);
        std::vector<uint32_t> wanted(shown.size(), Shown(kBackground));
        const int dstW = dst.right - dst.left;
        for (int y = frame.top; y < frame.bottom; ++y) {
            for (int x = frame.left; x < frame.right; ++x) {
                if (x >= dst.left && x < dst.right && y >= dst.top && y < dst.bottom) {
                    wanted[static_cast<size_t>((y - frame.top) * width + x - frame.left)] =
                        Shown(expected[static_cast<size_t>((y - dst.top) * dstW + x - dst.left)]);
                }
            }
        }
        const std::string difference = FirstDifference(shown, wanted, width);
        EXPECT_EQ(difference, "") << where << " (frame origin " << frame.left << ", " << frame.top << ")";
    }

    ScreenCaps m_caps = {};
};

struct BlitCase {
    const char* name;
    int width, height;  // of the image
    RECT src;           // as passed; clipped by the blit
    int dstW, dstH;
};

const BlitCase kCases[] = {
    {"unscaled", 37, 21, {0, 0, 37, 21}, 37, 21},
    {"unscaled part, odd left edge", 40, 30, {5, 3, 30, 25}, 25, 22},
    {"enlarged", 13, 9, {0, 0, 13, 9}, 60, 41},
    {"enlarged horizontally only", 13, 9, {0, 0, 13, 9}, 50, 9},
    {"reduced", 150, 90, {0, 0, 150, 90}, 47, 31},
    {"reduced horizontally, enlarged vertically", 150, 12, {0, 0, 150, 12}, 40, 50},
    {"clipped source larger than the image", 30, 20, {-5, -7, 1000, 1000}, 30, 20},
    {"clipped and enlarged", 30, 20, {-3, 2, 31, 40}, 71, 45},
    {"clipped and reduced from the middle", 120, 80, {9, 11, 101, 70}, 33, 20},
};

}  // namespace

TEST_F(TrueColourBlit, EverySourceDepthScaledAndClipped)
{
    int caseIndex = 0;
    for (int bits : {1, 4, 8, 24}) {
        for (const BlitCase& c : kCases) {
            for (int dither = 0; dither < 4; dither += 3, ++caseIndex) {
                const uint64_t seed = 700 + caseIndex;
                Random random(seed);
                Dib dib(c.width, c.height, bits);
                Randomize(dib, random);
                RECT src = c.src;
                const RECT dst = {17 + caseIndex % 5, 9 + caseIndex % 3, 17 + caseIndex % 5 + c.dstW,
                                  9 + caseIndex % 3 + c.dstH};
                const std::string where = std::string(c.name) + ", " + std::to_string(bits) + " bits, dither " +
                                          std::to_string(dither) + ", seed " + std::to_string(seed);
                const ResourceCounts before = ResourceCounts::Now();
                {
                    VyrBlitter blitter(dither, caseIndex % 3);
                    ASSERT_EQ(Blit(blitter, dib, src, dst, caseIndex % 2 == 0), kBlitOk) << where;
                    const RECT clipped = {std::max(0L, c.src.left), std::max(0L, c.src.top),
                                          std::min<LONG>(c.width, c.src.right), std::min<LONG>(c.height, c.src.bottom)};
                    EXPECT_TRUE(EqualRect(&src, &clipped)) << where << ": source rectangle not clipped in place";
                    const uint32_t mono[2] = {MonoColor(blitter.m_monoColor0), MonoColor(blitter.m_monoColor1)};
                    if (bits == 1) {
                        for (int k = 0; k < 2; ++k) {
                            EXPECT_EQ(mono[k], CompatibleBitmapRendition(dib.TableColor(k), m_caps.bitsPixel))
                                << where << ": probed colour " << k;
                        }
                    }
                    ExpectScreen(dst, ExpectedTrueColourBlit(dib, clipped, c.dstW, c.dstH, mono),
                                 where + ", converter " + NameOf(blitter.m_convert));
                }
                ExpectSameResources(before, ResourceCounts::Now(), where);
            }
        }
    }
}

TEST_F(TrueColourBlit, ReducedOpaqueMonochromeImagesAreShownAsGreyLevels)
{
    // Stripes of 1, 2 and 3 set pixels in groups of 4: levels 63, 127, 191.
    Dib dib(48, 6, 1);
    dib.SetColor(0, Rgb(10, 200, 30));
    dib.SetColor(1, Rgb(250, 0, 120));
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            dib.SetPixel(x, y, (x % 4) < (x / 4) % 3 + 1 ? 1 : 0);
        }
    }
    VyrBlitter blitter(1, 0);
    RECT src = {0, 0, 48, 6};
    const RECT dst = {20, 20, 32, 26};
    ASSERT_EQ(Blit(blitter, dib, src, dst, true), kBlitOk);
    const std::string converter = NameOf(blitter.m_convert);
    EXPECT_TRUE(converter == "Blit8To24" || converter == "Blit8To24Swap") << converter;
    const std::vector<uint32_t> expected = ExpectedTrueColourBlit(dib, src, 12, 6);
    // Level 63 between the two colours, channel by channel.
    EXPECT_EQ(expected[0], Rgb((63 * 250 + 192 * 10) / 255, (192 * 200) / 255, (63 * 120 + 192 * 30) / 255));
    ExpectScreen(dst, expected, "grey levels");
}

TEST_F(TrueColourBlit, TransparentMonochromeImagesCombineWithTheBackground)
{
    struct Case {
        const char* name;
        TwoColours colours;
        // Shown for a clear and a set pixel, given the background as shown.
        uint32_t (*shown0)(uint32_t background, uint32_t color0, uint32_t color1);
        uint32_t (*shown1)(uint32_t background, uint32_t color0, uint32_t color1);
    };
    const auto keep = [](uint32_t background, uint32_t, uint32_t) { return background; };
    const Case cases[] = {
        {"0 transparent, coloured ink ANDed", {0, Rgb(0xF0, 0x3C, 0x99), 255, 0}, keep,
         [](uint32_t background, uint32_t, uint32_t ink) { return background & ink; }},
        {"0 transparent, white ink ORed", {Rgb(1, 2, 3), Rgb(255, 255, 255), 255, 0}, keep,
         [](uint32_t, uint32_t, uint32_t) { return Rgb(255, 255, 255); }},
        {"1 transparent, coloured ink ANDed", {Rgb(0x5A, 0xFF, 0x0F), Rgb(9, 9, 9), 0, 255},
         [](uint32_t background, uint32_t ink, uint32_t) { return background & ink; }, keep},
        {"1 transparent, white ink ORed", {Rgb(255, 255, 255), 0, 0, 255},
         [](uint32_t, uint32_t, uint32_t) { return Rgb(255, 255, 255); }, keep},
    };
    for (const Case& c : cases) {
        for (int dstW : {29, 61, 11}) {  // unscaled, enlarged, reduced (never the grey path)
            Dib dib = TwoColourImage(29, 7, static_cast<uint64_t>(dstW), c.colours);
            VyrBlitter blitter(0, 0);
            RECT src = {0, 0, 29, 7};
            const RECT dst = {30, 40, 30 + dstW, 47};
            ASSERT_EQ(Blit(blitter, dib, src, dst, dstW != 61), kBlitOk) << c.name;
            EXPECT_EQ(NameOf(blitter.m_convert), "Blit1To24") << c.name;
            const uint32_t background = Shown(kBackground);
            std::vector<uint32_t> expected(static_cast<size_t>(dstW) * 7);
            for (int y = 0; y < 7; ++y) {
                for (int x = 0; x < dstW; ++x) {
                    const bool set = dib.Pixel(x * 29 / dstW, y) != 0;
                    const uint32_t ink0 = Shown(MonoColor(blitter.m_monoColor0));
                    const uint32_t ink1 = Shown(MonoColor(blitter.m_monoColor1));
                    expected[static_cast<size_t>(y * dstW + x)] =
                        set ? c.shown1(background, ink0, ink1) : c.shown0(background, ink0, ink1);
                }
            }
            ExpectScreen(dst, expected, std::string(c.name) + ", width " + std::to_string(dstW));
        }
    }
}

TEST_F(TrueColourBlit, BothColoursTransparentDrawsNothing)
{
    Dib dib(8, 8, 1);
    dib.SetColor(0, Rgb(255, 0, 0), 255);
    dib.SetColor(1, Rgb(0, 255, 0), 255);
    VyrBlitter blitter(0, 0);
    RECT src = {0, 0, 8, 8};
    const RECT dst = {10, 10, 18, 18};
    ASSERT_EQ(Blit(blitter, dib, src, dst, true), kBlitOk);
    ExpectScreen(dst, std::vector<uint32_t>(64, kBackground), "nothing drawn");
}

TEST_F(TrueColourBlit, WideDestinationsAreSentInBandsThatTileTheRectangle)
{
    struct Case {
        const char* name;
        RECT dst;  // may reach beyond the window; only the window's part is read
    };
    const Case cases[] = {
        {"600 wide: 8 rows a band", {20, 12, 620, 57}},
        {"3000 wide, mostly left of the window: one row a band", {-2400, 70, 600, 101}},
        {"6000 wide: one stride a band", {-5500, 110, 500, 120}},
    };
    Random random(31);
    Dib dib(150, 15, 24);
    Randomize(dib, random);
    for (const Case& c : cases) {
        VyrBlitter blitter(0, 0);
        RECT src = {0, 0, 150, 15};
        ASSERT_EQ(Blit(blitter, dib, src, c.dst, false), kBlitOk) << c.name;
        const int dstW = c.dst.right - c.dst.left, dstH = c.dst.bottom - c.dst.top;
        const std::vector<uint32_t> all = ExpectedTrueColourBlit(dib, src, dstW, dstH);
        const RECT visible = {std::max(0L, c.dst.left), c.dst.top, std::min<LONG>(TestWindow::kWidth, c.dst.right),
                              c.dst.bottom};
        const int width = visible.right - visible.left;
        std::vector<uint32_t> expected;
        for (int y = 0; y < dstH; ++y) {
            for (int x = visible.left; x < visible.right; ++x) {
                expected.push_back(Shown(all[static_cast<size_t>(y * dstW + x - c.dst.left)]));
            }
        }
        EXPECT_EQ(FirstDifference(TestWindow::Get().Read(visible), expected, width), "") << c.name;
    }
}

TEST_F(TrueColourBlit, SixteenBitScreensShowTheTopBitsRepeated)
{
    if (m_caps.bitsPixel != 16) {
        GTEST_SKIP() << "not a 16-bit screen";
    }
    // What TrueColourRendition assumes of a 5-6-5 screen, pinned as Wine's
    // GetDIBits does it: each channel keeps its top bits and reads back with
    // them repeated below (31 of 5 bits reads as 255, 16 as 132).
    std::vector<uint32_t> colors;
    for (uint32_t v = 0; v < 256; v += 3) {
        colors.push_back(Rgb(v, 255 - v, (v * 7) & 255));
    }
    TestWindow& window = TestWindow::Get();
    HDC dc = GetDC(window.hwnd());
    const std::vector<uint32_t> shown = window.Shown(dc, colors);
    ReleaseDC(window.hwnd(), dc);
    for (size_t i = 0; i < colors.size(); ++i) {
        EXPECT_EQ(shown[i], TrueColourRendition(colors[i], 16)) << Hex(colors[i]);
    }
}

TEST_F(TrueColourBlit, CompatibleBitmapsOfA16BitScreen)
{
    if (m_caps.bitsPixel != 16) {
        GTEST_SKIP() << "not a 16-bit screen";
    }
    // A pixel copied into a bitmap compatible with the window and read back
    // from it. On Windows such a bitmap has the screen's 5-6-5 format; Wine
    // makes it 5-5-5, so the lowest of the six green bits is lost there (a
    // green of 0x40 reads back as 0x42 instead of 0x41). The library's
    // read-back probe goes through such a bitmap, so on Wine the colours of
    // 1-bit images come out with 5 bits of green.
    TestWindow& window = TestWindow::Get();
    HDC dc = GetDC(window.hwnd());
    for (uint32_t color : {Rgb(0x20, 0x40, 0x80), Rgb(0x12, 0x34, 0x56), Rgb(0xFF, 0x04, 0xFF), Rgb(0, 0xFC, 0)}) {
        window.Fill(dc, RECT{0, 0, 1, 1}, color);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, 1, 1);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, 1, 1, dc, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 24, BI_RGB, 4, 0, 0, 0, 0};
        uint8_t pixel[4] = {};
        GetDIBits(memory, bitmap, 0, 1, pixel, &info, DIB_RGB_COLORS);
        DeleteDC(memory);
        DeleteObject(bitmap);
        EXPECT_EQ(Rgb(pixel[2], pixel[1], pixel[0]), CompatibleBitmapRendition(color, 16)) << Hex(color);
    }
    ReleaseDC(window.hwnd(), dc);
}
