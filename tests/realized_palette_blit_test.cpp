// Blits after the display palette has changed: realized by the object (the
// fixed palette or an image's colours) or by another application between two
// blits. Every path, the grey path of reduced 1-bit images included, must draw
// through the display palette of that moment, compared with the blit model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blitter/scalers.h"
#include "dibdraw32/Diagnostics.h"
#include "support/blit_model.h"
#include "support/dib.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

enum class Change { None, Fixed, Image, Foreign };

const char* ChangeName(Change change)
{
    switch (change) {
    case Change::None: return "no realization";
    case Change::Fixed: return "VyrRealizeFixedPalette";
    case Change::Image: return "VyrRealizePalette of the image";
    case Change::Foreign: return "another application's palette";
    }
    return "?";
}

// The palette mode under which the change realizes what it names.
int PaletteModeFor(Change change)
{
    return change == Change::Image ? 1 : 0;
}

bool SamePalette(const std::vector<PALETTEENTRY>& a, const std::vector<PALETTEENTRY>& b)
{
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].peRed != b[i].peRed || a[i].peGreen != b[i].peGreen || a[i].peBlue != b[i].peBlue) {
            return false;
        }
    }
    return a.size() == b.size();
}

// The object's copy of the display palette, which the model draws through,
// must be the palette the display holds now.
::testing::AssertionResult HoldsTheDisplayPalette(const VyrBlitter& blitter)
{
    const std::vector<PALETTEENTRY> system = SystemPaletteEntries();
    for (size_t i = 0; i < system.size(); ++i) {
        const uint8_t* copy = blitter.m_systemPalette + 3 * i;
        if (copy[0] != system[i].peRed || copy[1] != system[i].peGreen || copy[2] != system[i].peBlue) {
            return ::testing::AssertionFailure() << "the object's copy of the display palette differs first at entry "
                                                 << i;
        }
    }
    return ::testing::AssertionSuccess();
}

// What another application's realization does to the 236 free entries.
void RealizeOtherColors(Random& random)
{
    std::vector<PALETTEENTRY> middle(236);
    for (PALETTEENTRY& entry : middle) {
        entry = PALETTEENTRY{random.Byte(), random.Byte(), random.Byte(), 0};
    }
    vd::SetSystemPaletteEntries(10, 236, middle.data());
}

short ChangePalette(Change change, VyrBlitter& blitter, HWND window, Dib& dib, Random& random)
{
    switch (change) {
    case Change::None:
        break;
    case Change::Fixed:
        return blitter.VyrRealizeFixedPalette(window);
    case Change::Image:
        return blitter.VyrRealizePalette(window, dib.header());
    case Change::Foreign:
        RealizeOtherColors(random);
        break;
    }
    return kBlitOk;
}

// A transparent 1-bit image is drawn with SRCAND (or SRCPAINT when its
// opaque colour is white), which combine display indices: on white (the last
// index) and on black (index 0) the screen shows the indices drawn.
COLORREF BackgroundFor(Dib& dib)
{
    if (dib.bits() != 1) {
        return RGB(0, 0, 0);
    }
    const RGBQUAD* colors = dib.colors();
    const int clear = colors[0].rgbReserved == 255 ? 0 : colors[1].rgbReserved == 255 ? 1 : -1;
    if (clear < 0) {
        return RGB(0, 0, 0);
    }
    const RGBQUAD& opaque = colors[1 - clear];
    const bool opaqueWhite = opaque.rgbRed == 255 && opaque.rgbGreen == 255 && opaque.rgbBlue == 255;
    return opaqueWhite ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

// Blits into the screen over the background the image needs and compares
// every pixel with the model of the display palette the object now holds.
::testing::AssertionResult BlitMatchesTheModel(VyrBlitter& blitter, Dib& dib, RECT src, const RECT& dst)
{
    const COLORREF background = BackgroundFor(dib);
    vd::FillScreen(background);
    RECT target = dst;
    const short result = blitter.VyrBlit(ScreenDc(), dib.header(), &src, &target);
    if (result != kBlitOk) {
        return ::testing::AssertionFailure() << "the blit returned " << result;
    }
    const ::testing::AssertionResult palette = HoldsTheDisplayPalette(blitter);
    if (!palette) {
        return palette;
    }
    return BlitModel(dib, src, dst, blitter).ScreenMatches(ToRgb(background))
           << " (converter " << ConverterName(blitter.m_convert) << ")";
}

// The reduced 1-bit image of the fault report: 39 × 18, drawn into 26 × 54.
Dib TwoColourImage(uint64_t seed, bool transparent)
{
    Dib dib(39, 18, 1);
    Random random(seed);
    dib.Randomize(random);
    dib.SetColor(0, 240, 0, 190, transparent ? 255 : 0);
    dib.SetColor(1, 162, 129, 77);
    return dib;
}

TEST(RealizedPalette, ReducedOneBitImagesShowTheDisplayPaletteOfTheMoment)
{
    int caseIndex = 0;
    for (Change change : {Change::Fixed, Change::Image, Change::Foreign}) {
        for (int dither = 0; dither < 4; ++dither) {
            for (bool transparent : {false, true}) {
                const uint64_t seed = 300 + caseIndex++;
                const std::string where = std::string(ChangeName(change)) + ", dither " + std::to_string(dither) +
                                          (transparent ? ", transparent" : ", opaque") + ", seed " +
                                          std::to_string(seed);
                ConfigureDisplay(vd::Kind::Palette8, 64, 64);
                const ResourceCounts before = ResourceCounts::Now();
                {
                    const HWND window = vd::CreateWindow(RECT{0, 0, 64, 64});
                    Dib dib = TwoColourImage(seed, transparent);
                    const RECT src = {0, 0, 39, 18}, dst = {3, 5, 29, 59};
                    VyrBlitter blitter(dither, PaletteModeFor(change));
                    Random random(seed);
                    if (change == Change::Foreign) {
                        // The object has adopted the display palette before it changes.
                        EXPECT_TRUE(BlitMatchesTheModel(blitter, dib, src, dst)) << where << ", first blit";
                    }
                    const std::vector<PALETTEENTRY> unchanged = SystemPaletteEntries();
                    ASSERT_EQ(ChangePalette(change, blitter, window, dib, random), kBlitOk) << where;
                    ASSERT_FALSE(SamePalette(SystemPaletteEntries(), unchanged)) << where << ": nothing was realized";

                    EXPECT_TRUE(BlitMatchesTheModel(blitter, dib, src, dst)) << where;
                    EXPECT_EQ(blitter.m_stretch, transparent ? &dibdraw::Stretch1 : &dibdraw::Shrink1ToGray) << where;
                    vd::DestroyWindow(window);
                }
                ExpectSameResources(before, ResourceCounts::Now(), where);
            }
        }
    }
}

TEST(RealizedPalette, FourBitDisplaysDrawAsIfNothingWasRealized)
{
    for (vd::Kind kind : {vd::Kind::Packed4, vd::Kind::Planar4}) {
        for (int dither = 0; dither < 4; ++dither) {
            for (bool transparent : {false, true}) {
                Dib dib = TwoColourImage(400 + dither, transparent);
                const RECT src = {0, 0, 39, 18}, dst = {3, 5, 29, 59};
                std::vector<COLORREF> unrealized;
                for (Change change : {Change::None, Change::Fixed, Change::Image}) {
                    const std::string where = std::string(KindName(kind)) + ", " + ChangeName(change) + ", dither " +
                                              std::to_string(dither) + (transparent ? ", transparent" : ", opaque");
                    ConfigureDisplay(kind, 64, 64);
                    const HWND window = vd::CreateWindow(RECT{0, 0, 64, 64});
                    const std::vector<PALETTEENTRY> palette = vd::SystemPalette();
                    VyrBlitter blitter(dither, PaletteModeFor(change));
                    Random random(dither);
                    ASSERT_EQ(ChangePalette(change, blitter, window, dib, random), kBlitOk) << where;
                    EXPECT_TRUE(SamePalette(vd::SystemPalette(), palette)) << where;
                    EXPECT_TRUE(BlitMatchesTheModel(blitter, dib, src, dst)) << where;
                    std::vector<COLORREF> screen;
                    for (int y = 0; y < 64; ++y) {
                        for (int x = 0; x < 64; ++x) {
                            screen.push_back(vd::ScreenColor(x, y));
                        }
                    }
                    if (change == Change::None) {
                        unrealized = screen;
                    } else {
                        EXPECT_EQ(screen, unrealized) << where;
                    }
                    vd::DestroyWindow(window);
                }
            }
        }
    }
}

enum class Scale { Unscaled, Enlarged, Reduced, NarrowerAndTaller, WiderAndShorter };

const char* ScaleName(Scale scale)
{
    switch (scale) {
    case Scale::Unscaled: return "unscaled";
    case Scale::Enlarged: return "enlarged";
    case Scale::Reduced: return "reduced";
    case Scale::NarrowerAndTaller: return "narrower and taller";
    case Scale::WiderAndShorter: return "wider and shorter";
    }
    return "?";
}

// A destination of the given scale for a source of srcW × srcH (both at
// least 2), at a random place on a 80 × 60 screen.
RECT Destination(Random& random, Scale scale, int srcW, int srcH)
{
    const int narrower = random.Between(1, srcW - 1), wider = random.Between(srcW + 1, 2 * srcW + 2);
    const int shorter = random.Between(1, srcH - 1), taller = random.Between(srcH + 1, 2 * srcH + 2);
    int dstW = srcW, dstH = srcH;
    switch (scale) {
    case Scale::Unscaled:
        break;
    case Scale::Enlarged:
        dstW = wider, dstH = random.Between(srcH, 2 * srcH + 2);
        break;
    case Scale::Reduced:
        dstW = narrower, dstH = random.Between(1, srcH);
        break;
    case Scale::NarrowerAndTaller:
        dstW = narrower, dstH = taller;
        break;
    case Scale::WiderAndShorter:
        dstW = wider, dstH = shorter;
        break;
    }
    const int left = random.Between(0, 4), top = random.Between(0, 4);
    return RECT{left, top, left + dstW, top + dstH};
}

constexpr int kSourceDepths[] = {1, 4, 8, 24};

// A random image of `bits` for a random blit; a 1-bit image is sometimes
// transparent.
Dib RandomBlitImage(Random& random, int bits)
{
    Dib dib = RandomImage(random, bits, 2);
    if (bits == 1 && random.Between(0, 3) == 0) {
        dib.colors()[random.Between(0, 1)].rgbReserved = 255;
    }
    return dib;
}

// A blit of a random source rectangle of `dib` into a destination of `scale`.
::testing::AssertionResult RandomBlitMatchesTheModel(VyrBlitter& blitter, Random& random, Dib& dib, Scale scale)
{
    const int left = random.Between(0, dib.width() - 2), top = random.Between(0, dib.height() - 2);
    const RECT src = {left, top, random.Between(left + 2, dib.width()), random.Between(top + 2, dib.height())};
    const RECT dst = Destination(random, scale, src.right - src.left, src.bottom - src.top);
    return BlitMatchesTheModel(blitter, dib, src, dst)
           << " (" << dib.bits() << " bits, " << ScaleName(scale) << ", source " << src.left << "," << src.top << ","
           << src.right << "," << src.bottom << ", destination " << dst.left << "," << dst.top << "," << dst.right
           << "," << dst.bottom << ")";
}

// After each kind of realization (of the first image drawn), two blits of
// one object, with the display palette sometimes changed by another
// application between them: any state of the object that lags behind the
// display palette shows up as a colour the model does not give.
TEST(RealizedPalette, RandomBlitsAfterEachRealizationMatchTheModel)
{
    const Scale scales[] = {Scale::Unscaled, Scale::Enlarged, Scale::Reduced, Scale::NarrowerAndTaller,
                            Scale::WiderAndShorter};
    int caseIndex = 0;
    for (Change change : {Change::None, Change::Fixed, Change::Image}) {
        for (int bits : kSourceDepths) {
            for (int dither = 0; dither < 4; ++dither) {
                for (Scale scale : scales) {
                    const uint64_t seed = 7000 + caseIndex++;
                    Random random(seed);
                    const std::string where = std::string(ChangeName(change)) + ", dither " + std::to_string(dither) +
                                              ", seed " + std::to_string(seed);
                    ConfigureDisplay(vd::Kind::Palette8, 80, 60);
                    const HWND window = vd::CreateWindow(RECT{0, 0, 80, 60});
                    const int paletteMode = change == Change::None ? random.Between(0, 2) : PaletteModeFor(change);
                    VyrBlitter blitter(dither, paletteMode);
                    Dib first = RandomBlitImage(random, bits);
                    ASSERT_EQ(ChangePalette(change, blitter, window, first, random), kBlitOk) << where;
                    EXPECT_TRUE(RandomBlitMatchesTheModel(blitter, random, first, scale)) << where << ", first blit";

                    const bool foreign = random.Between(0, 1) == 0;
                    if (foreign) {
                        RealizeOtherColors(random);
                    }
                    Dib second = RandomBlitImage(random, kSourceDepths[random.Between(0, 3)]);
                    EXPECT_TRUE(RandomBlitMatchesTheModel(blitter, random, second, scales[random.Between(0, 4)]))
                        << where << ", second blit" << (foreign ? " after another application's palette" : "");
                    vd::DestroyWindow(window);
                }
            }
        }
    }
}

}  // namespace
