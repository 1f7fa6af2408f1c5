// The 256-colour screen: the blitter's tracking of the real system palette,
// palette realization and the two ways of showing an image (its own colours
// mapped to display indices, or the fixed palette), read back from a real
// window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "memkit40.h"
#include "wine_support.h"

using namespace winetest;

namespace {

constexpr uint32_t kBackground = Rgb(128, 0, 0);  // a static colour, index 1

// kFixedPalette, from its rule: a 6 × 6 × 6 cube with red varying fastest and
// each channel running down from 255 in steps of 51, 31 greys 8..248, then black.
std::vector<uint32_t> FixedPalette()
{
    std::vector<uint32_t> colors(256, 0);
    for (uint32_t i = 0; i < 216; ++i) {
        colors[i] = Rgb(255 - 51 * (i % 6), 255 - 51 * (i / 6 % 6), 255 - 51 * (i / 36));
    }
    for (uint32_t i = 216; i < 247; ++i) {
        colors[i] = Rgb(8 * (i - 215), 8 * (i - 215), 8 * (i - 215));
    }
    return colors;
}

// The cube entry whose levels are nearest to the colour's channels.
int CubeIndex(uint32_t rgb)
{
    const auto level = [](uint32_t v) { return 5 - static_cast<int>((2 * v + 51) / 102); };
    return level(rgb >> 16) + 6 * level((rgb >> 8) & 0xFF) + 36 * level(rgb & 0xFF);
}

std::vector<uint32_t> Triples(const uint8_t* triples, int count)
{
    std::vector<uint32_t> colors(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        colors[static_cast<size_t>(i)] = Rgb(triples[3 * i], triples[3 * i + 1], triples[3 * i + 2]);
    }
    return colors;
}

bool Contains(const std::vector<uint32_t>& colors, uint32_t color)
{
    return std::find(colors.begin(), colors.end(), color) != colors.end();
}

// Whether the nearest-colour search, which halves channel differences and
// prefers lower indices, could find for `color` an entry before `index` that
// is not the same colour: one whose channels are each equal or one below.
bool ShadowedBelow(const std::vector<uint32_t>& palette, uint32_t color, size_t index)
{
    for (size_t j = 0; j < index; ++j) {
        bool close = palette[j] != color;
        for (int shift = 0; shift <= 16 && close; shift += 8) {
            const int d = static_cast<int>((color >> shift) & 0xFF) - static_cast<int>((palette[j] >> shift) & 0xFF);
            close = d == 0 || d == 1;
        }
        if (close) {
            return true;
        }
    }
    return false;
}

// Gives the 256 entries of an 8-bit image's table the colours in turn,
// starting again from the first when they run out.
void UseColoursInTurn(Dib& dib, const std::vector<uint32_t>& colors)
{
    for (int i = 0; i < 256; ++i) {
        dib.SetColor(i, colors[static_cast<size_t>(i) % colors.size()]);
    }
}

// Distinct colours on a grid of 8, away from black and from the static
// colours, so that palette building keeps every one of them.
std::vector<uint32_t> ImageColours(Random& random, size_t count)
{
    const std::vector<uint32_t> system = SystemPalette();
    std::vector<uint32_t> statics(system.begin(), system.begin() + 10);
    statics.insert(statics.end(), system.begin() + 246, system.end());
    std::set<uint32_t> chosen;
    while (chosen.size() < count) {
        const uint32_t color = Rgb(64 + 8 * random.Between(0, 23), 64 + 8 * random.Between(0, 23),
                                   64 + 8 * random.Between(0, 23));
        const bool nearStatic = std::any_of(statics.begin(), statics.end(), [color](uint32_t s) {
            for (int shift = 0; shift <= 16; shift += 8) {
                const int d = static_cast<int>((color >> shift) & 0xFF) - static_cast<int>((s >> shift) & 0xFF);
                if (d > 15 || d < -15) {
                    return false;
                }
            }
            return true;
        });
        if (!nearStatic) {
            chosen.insert(color);
        }
    }
    return {chosen.begin(), chosen.end()};
}

// Declared after a blitter that draws through the window's DC, it selects
// the stock palette back into that DC before the blitter deletes its own.
struct StockPaletteOnExit {
    HDC dc;
    ~StockPaletteOnExit() { SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE); }
};

class PaletteScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!ScreenCaps::Now().Palettized()) {
            GTEST_SKIP() << "not a 256-colour screen: " << ScreenCaps::Now().Describe();
        }
        m_window = &TestWindow::Get();
        m_dc = GetDC(m_window->hwnd());
        m_window->Fill(m_dc, RECT{0, 0, TestWindow::kWidth, TestWindow::kHeight}, kBackground);
    }
    void TearDown() override
    {
        if (m_dc != nullptr) {
            SelectPalette(m_dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
            ReleaseDC(m_window->hwnd(), m_dc);
        }
    }

    // Checks the destination against the display indices the blit must have
    // written there, each shown as the screen shows that index of a DIB whose
    // colour table is the system palette: on Windows the entry's own colour.
    // The indices are shown drawn with the blit's raster operation onto
    // white, so a transparent blit must have been drawn onto white too.
    void ExpectIndices(const VyrBlitter& blitter, const RECT& dst, const std::vector<int>& indices,
                       const std::string& where)
    {
        const std::vector<uint32_t> shownEntries =
            m_window->ShownIndices(m_dc, Triples(blitter.m_systemPalette, 256), blitter.m_rop);
        std::vector<uint32_t> expected;
        for (int index : indices) {
            expected.push_back(shownEntries[static_cast<size_t>(index)]);
        }
        EXPECT_EQ(FirstDifference(m_window->Read(m_dc, dst), expected, dst.right - dst.left), "") << where;
    }

    TestWindow* m_window = nullptr;
    HDC m_dc = nullptr;
};

// The display index of every destination pixel under nearest-lower sampling,
// for a map from source colours (`mapped`) or through the fixed palette's cube
// or grey ramp (dither mode 1).
std::vector<int> ExpectedIndices(const Dib& dib, const RECT& src, const RECT& dst, const uint8_t* colorMap,
                                 bool mapped, bool grey)
{
    const int srcW = src.right - src.left, srcH = src.bottom - src.top;
    const int dstW = dst.right - dst.left, dstH = dst.bottom - dst.top;
    std::vector<int> indices;
    for (int y = 0; y < dstH; ++y) {
        for (int x = 0; x < dstW; ++x) {
            const int sx = src.left + x * srcW / dstW, sy = src.top + y * srcH / dstH;
            const uint32_t color = dib.Color(sx, sy);
            const int entry = mapped ? static_cast<int>(dib.Pixel(sx, sy))
                              : grey ? 215 + static_cast<int>((color & 0xFF) >> 3)
                                     : CubeIndex(color);
            indices.push_back(colorMap[entry]);
        }
    }
    return indices;
}

// The display indices the blit's converter makes of the scaled rows (one per
// destination row, in the converter's source format), given the colour map
// and display palette the blit left and a fresh error row: each row is
// converted with its own row number, as the pipeline emits it.
std::vector<int> ReplayConverter(const VyrBlitter& blitter, const std::vector<std::vector<uint8_t>>& rows, int dstW,
                                 uint8_t* imagePalette = nullptr)
{
    VyrBlitter replay(blitter.m_ditherMode, 0);
    std::memcpy(replay.m_colorMap, blitter.m_colorMap, sizeof replay.m_colorMap);
    std::memcpy(replay.m_systemPalette, blitter.m_systemPalette, sizeof replay.m_systemPalette);
    replay.m_imagePalette = imagePalette;
    replay.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(6 * dstW));
    std::memset(replay.m_errorRow, 0, 6 * dstW);
    std::vector<uint8_t> out(dstW + 4);
    std::vector<int> indices;
    for (size_t y = 0; y < rows.size(); ++y) {
        replay.m_rowCounter = static_cast<int32_t>(y);
        blitter.m_convert(&replay, rows[y].data(), out.data(), dstW);
        indices.insert(indices.end(), out.begin(), out.begin() + dstW);
    }
    replay.m_imagePalette = nullptr;
    return indices;
}

// The rows the grey path hands its converter for a 1-bit image reduced in
// width: each destination pixel the share of set pixels among the source
// pixels of its column group, as a level 0..255.
std::vector<std::vector<uint8_t>> GreyLevelRows(const Dib& dib, const RECT& src, int dstW, int dstH)
{
    const int srcW = src.right - src.left, srcH = src.bottom - src.top;
    std::vector<std::vector<uint8_t>> rows;
    for (int y = 0; y < dstH; ++y) {
        const int sy = src.top + y * srcH / dstH;
        std::vector<uint8_t> row(static_cast<size_t>(dstW));
        for (int x = 0; x < dstW; ++x) {
            int ones = 0, total = 0;
            for (int i = 0; i < srcW; ++i) {
                if (i * dstW / srcW == x) {
                    ones += static_cast<int>(dib.Pixel(src.left + i, sy));
                    ++total;
                }
            }
            row[static_cast<size_t>(x)] = static_cast<uint8_t>(ones * 255 / total);
        }
        rows.push_back(row);
    }
    return rows;
}

// The ramp of 256 colours from colour 0 to colour 1 that grey levels index.
std::vector<uint8_t> GreyRamp(const Dib& dib)
{
    const uint32_t from = dib.TableColor(0), to = dib.TableColor(1);
    std::vector<uint8_t> ramp(768);
    for (uint32_t k = 0; k < 256; ++k) {
        for (int c = 0; c < 3; ++c) {
            const uint32_t shift = 16 - 8 * c, c0 = (from >> shift) & 0xFF, c1 = (to >> shift) & 0xFF;
            ramp[3 * k + c] = static_cast<uint8_t>((k * c1 + (255 - k) * c0) / 255);
        }
    }
    return ramp;
}

}  // namespace

TEST_F(PaletteScreen, FirstBlitAdoptsTheSystemPaletteAndTheNextTakesTheShortcut)
{
    VyrBlitter blitter(1, 2);
    StockPaletteOnExit deselect{m_dc};
    const HPALETTE constructed = blitter.m_palette;
    Random random(11);
    Dib first(20, 12, 8), second(20, 12, 8);
    Randomize(first, random);
    Randomize(second, random);
    RECT src = {0, 0, 20, 12};
    const RECT dst = {10, 10, 30, 22};
    ASSERT_EQ(blitter.VyrBlit(m_dc, first.header(), &src, const_cast<RECT*>(&dst)), kBlitOk);

    PALETTEENTRY system[256];
    ASSERT_EQ(GetSystemPaletteEntries(m_dc, 0, 256, system), 256u);
    EXPECT_EQ(std::memcmp(blitter.m_logPalette->palPalEntry, system, sizeof system), 0);
    PALETTEENTRY selected[256];
    ASSERT_EQ(GetPaletteEntries(blitter.m_palette, 0, 256, selected), 256u);
    EXPECT_EQ(std::memcmp(selected, system, sizeof system), 0);
    EXPECT_EQ(Triples(blitter.m_systemPalette, 256), SystemPalette());
    EXPECT_EQ(GetCurrentObject(m_dc, OBJ_PAL), blitter.m_palette) << "the blit leaves its palette selected";
    ASSERT_NE(blitter.m_palette, constructed);
    EXPECT_EQ(GetObjectType(constructed), 0u) << "the palette of the constructor was not deleted";

    const HPALETTE adopted = blitter.m_palette;
    uint8_t colorMap[256];
    std::memcpy(colorMap, blitter.m_colorMap, sizeof colorMap);
    src = {0, 0, 20, 12};
    ASSERT_EQ(blitter.VyrBlit(m_dc, second.header(), &src, const_cast<RECT*>(&dst)), kBlitOk);
    EXPECT_EQ(blitter.m_palette, adopted) << "an unchanged system palette must not be rebuilt";
    EXPECT_EQ(std::memcmp(colorMap, blitter.m_colorMap, sizeof colorMap), 0)
        << "the shortcut keeps the colour map of the blit that built it";

    // A 1-bit image rebuilds the palette every time.
    Dib mono(16, 4, 1);
    Randomize(mono, random);
    HPALETTE previous = adopted;
    for (int k = 0; k < 2; ++k) {
        src = {0, 0, 16, 4};
        ASSERT_EQ(blitter.VyrBlit(m_dc, mono.header(), &src, const_cast<RECT*>(&dst)), kBlitOk);
        EXPECT_NE(blitter.m_palette, previous) << "1-bit blit " << k;
        EXPECT_EQ(GetObjectType(previous), 0u) << "1-bit blit " << k;
        previous = blitter.m_palette;
    }
}

TEST_F(PaletteScreen, AnImageOfTheSystemPaletteIsDrawnIndexForIndex)
{
    const std::vector<uint32_t> system = SystemPalette();
    Dib dib(32, 8, 8);
    for (int i = 0; i < 256; ++i) {
        dib.SetColor(i, system[static_cast<size_t>(i)]);
        dib.SetPixel(i % 32, i / 32, static_cast<uint32_t>(i));
    }
    VyrBlitter blitter(2, 2);
    StockPaletteOnExit deselect{m_dc};
    RECT src = {0, 0, 32, 8};
    const RECT dst = {40, 30, 72, 38};
    ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, const_cast<RECT*>(&dst)), kBlitOk);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit8To8Mapped");
    EXPECT_EQ(blitter.m_paletteMode, 2);
    for (int i = 0; i < 256; ++i) {
        const int index = blitter.m_colorMap[i];
        EXPECT_LE(index, i) << "entry " << i << ": the lowest index of an equal colour wins";
        if (!ShadowedBelow(system, system[static_cast<size_t>(i)], static_cast<size_t>(i))) {
            EXPECT_EQ(system[static_cast<size_t>(index)], system[static_cast<size_t>(i)]) << "entry " << i;
        }
    }
    ExpectIndices(blitter, dst, ExpectedIndices(dib, src, dst, blitter.m_colorMap, true, false), "index for index");
}

TEST_F(PaletteScreen, RealizationTakesTheFreeEntries)
{
    const std::vector<uint32_t> before = SystemPalette();
    Random random(4);
    const std::vector<uint32_t> colors = ImageColours(random, 235);
    Dib dib(1, 1, 8);
    for (int i = 0; i < 235; ++i) {
        dib.SetColor(i, colors[static_cast<size_t>(i)]);
    }
    for (int i = 235; i < 256; ++i) {
        dib.SetColor(i, colors[0]);
    }
    VyrBlitter blitter(0, 1);
    StockPaletteOnExit deselect{m_dc};
    ASSERT_EQ(blitter.VyrRealizePalette(m_window->hwnd(), dib.header()), kBlitOk);
    const std::vector<uint32_t> after = SystemPalette();
    const auto present = std::count_if(colors.begin(), colors.end(), [&](uint32_t c) { return Contains(after, c); });
    EXPECT_EQ(present, std::min(235, RealizableEntries()));
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255}) {
        EXPECT_EQ(after[static_cast<size_t>(i)], before[static_cast<size_t>(i)]) << "static colour " << i;
    }
}

TEST_F(PaletteScreen, RealizedImagePaletteMapsEveryColourExactly)
{
    // Fewer colours than Wine's 172 free entries (RealizableEntries).
    Random random(5);
    const std::vector<uint32_t> colors = ImageColours(random, 150);
    Dib dib(40, 20, 8);
    Randomize(dib, random);
    UseColoursInTurn(dib, colors);
    VyrBlitter blitter(0, 1);
    StockPaletteOnExit deselect{m_dc};
    ASSERT_EQ(blitter.VyrRealizePalette(m_window->hwnd(), dib.header()), kBlitOk);
    const std::vector<uint32_t> system = SystemPalette();
    for (uint32_t color : colors) {
        EXPECT_TRUE(Contains(system, color)) << Hex(color) << " was not realized";
    }

    RECT src = {3, 2, 40, 20};
    const RECT dst = {20, 40, 94, 76};
    ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, const_cast<RECT*>(&dst)), kBlitOk);
    EXPECT_EQ(NameOf(blitter.m_convert), "Blit8To8Mapped");
    EXPECT_EQ(blitter.m_paletteMode, 1) << "a realized image palette is a good match";
    for (int i = 0; i < 256; ++i) {
        const uint8_t* shown = blitter.m_systemPalette + 3 * blitter.m_colorMap[i];
        EXPECT_EQ(Rgb(shown[0], shown[1], shown[2]), dib.TableColor(i)) << "entry " << i;
    }
    ExpectIndices(blitter, dst, ExpectedIndices(dib, src, dst, blitter.m_colorMap, true, false), "mapped");
}

TEST_F(PaletteScreen, RealizedColoursReachTheScreen)
{
    Random random(6);
    const std::vector<uint32_t> colors = ImageColours(random, 100);
    Dib dib(10, 10, 8);
    UseColoursInTurn(dib, colors);
    VyrBlitter blitter(0, 1);
    StockPaletteOnExit deselect{m_dc};
    ASSERT_EQ(blitter.VyrRealizePalette(m_window->hwnd(), dib.header()), kBlitOk);
    RECT src = {0, 0, 10, 10};
    const RECT dst = {0, 0, 10, 10};
    ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, const_cast<RECT*>(&dst)), kBlitOk);
    const std::vector<uint32_t> shown = m_window->Shown(m_dc, colors);
    const auto exact = static_cast<size_t>(std::count_if(
        colors.begin(), colors.end(), [&, i = size_t{0}](uint32_t color) mutable { return shown[i++] == color; }));
    if (RunningOnWine()) {
        // Wine departs from Windows here. It draws a window on an 8-bit X
        // screen into a surface whose colour table is its fixed default 8-bit
        // table (the 20 static colours and a 3-3-2 ramp); realizing a palette
        // changes what GetSystemPaletteEntries reports, not what the window
        // shows, so colours off that ramp come out as its nearest entries.
        // The other palette tests therefore compare the screen with what GDI
        // itself shows for the system palette entry each pixel names.
        EXPECT_LT(exact, colors.size() / 2) << "Wine now shows realized colours; drop this pin";
    } else {
        EXPECT_EQ(exact, colors.size()) << "a realized palette's colours are shown exactly";
    }
}

TEST_F(PaletteScreen, FixedPaletteIsRealizedAndMatched)
{
    const std::vector<uint32_t> fixed = FixedPalette();
    for (int variant = 0; variant < 3; ++variant) {
        const char* names[] = {"VyrRealizeFixedPalette", "mode 1 with a 24-bit header",
                               "mode 0 ignores the caller's table"};
        Dib image(16, 16, 24);
        Random random(variant);
        Randomize(image, random);
        Dib table(1, 1, 8);
        Random tableRandom(40 + variant);
        for (int i = 0; i < 256; ++i) {
            table.SetColor(i, static_cast<uint32_t>(tableRandom.Next() & 0xFFFFFF));
        }
        // Something else in the system palette first, so that a call that
        // realized nothing would be noticed.
        VyrBlitter other(0, 1);
        Random otherRandom(50 + variant);
        const std::vector<uint32_t> otherColors = ImageColours(otherRandom, 200);
        Dib otherDib(1, 1, 8);
        UseColoursInTurn(otherDib, otherColors);
        ASSERT_EQ(other.VyrRealizePalette(m_window->hwnd(), otherDib.header()), kBlitOk);

        VyrBlitter blitter(1, variant == 1 ? 1 : 0);
        StockPaletteOnExit deselect{m_dc};
        short realized = kBlitOk;
        switch (variant) {
        case 0:
            realized = blitter.VyrRealizeFixedPalette(m_window->hwnd());
            break;
        case 1:
            realized = blitter.VyrRealizePalette(m_window->hwnd(), image.header());
            break;
        default:
            realized = blitter.VyrRealizePalette(m_window->hwnd(), table.colors(), 256);
            break;
        }
        ASSERT_EQ(realized, kBlitOk) << names[variant];
        const std::vector<uint32_t> system = SystemPalette();
        // 247 distinct colours, 10 of them static, for 236 free entries: on
        // Windows every one but the last one realized finds a place. Where
        // fewer entries are free (Wine) every free entry takes a fixed colour.
        const std::set<uint32_t> distinct(fixed.begin(), fixed.end());
        const auto present = static_cast<size_t>(
            std::count_if(distinct.begin(), distinct.end(), [&](uint32_t color) { return Contains(system, color); }));
        EXPECT_GE(present, std::min(distinct.size(), static_cast<size_t>(10 + RealizableEntries())) - 1)
            << names[variant];

        RECT src = {0, 0, 16, 16};
        const RECT dst = {100, 100, 132, 124};
        ASSERT_EQ(blitter.VyrBlit(m_dc, image.header(), &src, const_cast<RECT*>(&dst)), kBlitOk) << names[variant];
        EXPECT_EQ(NameOf(blitter.m_convert), "Blit24To8Mode1") << names[variant];
        EXPECT_EQ(blitter.m_paletteMode, 0) << names[variant] << ": a 24-bit image drops mode 1 for good";
        const std::vector<uint32_t> adopted = Triples(blitter.m_systemPalette, 256);
        for (int j = 0; j < 247; ++j) {
            const auto at = static_cast<size_t>(
                std::find(adopted.begin(), adopted.end(), fixed[static_cast<size_t>(j)]) - adopted.begin());
            if (at < adopted.size() && !ShadowedBelow(adopted, fixed[static_cast<size_t>(j)], at)) {
                EXPECT_EQ(adopted[blitter.m_colorMap[j]], fixed[static_cast<size_t>(j)])
                    << names[variant] << ", fixed entry " << j;
            }
        }
        ExpectIndices(blitter, dst, ExpectedIndices(image, src, dst, blitter.m_colorMap, false, false),
                      names[variant]);
    }
}

TEST_F(PaletteScreen, PaletteModeTwoRealizesNothing)
{
    VyrBlitter fixed(0, 0);
    ASSERT_EQ(fixed.VyrRealizeFixedPalette(m_window->hwnd()), kBlitOk);
    const std::vector<uint32_t> before = SystemPalette();
    Random random(8);
    const std::vector<uint32_t> colors = ImageColours(random, 60);
    Dib dib(4, 4, 8);
    UseColoursInTurn(dib, colors);
    VyrBlitter blitter(0, 2);
    const uint64_t calls = KemAllocationCalls();
    EXPECT_EQ(blitter.VyrRealizePalette(m_window->hwnd(), dib.header()), kBlitOk);
    EXPECT_EQ(blitter.VyrRealizePalette(m_window->hwnd(), dib.colors(), 256), kBlitOk);
    EXPECT_EQ(blitter.VyrRealizeFixedPalette(m_window->hwnd()), kBlitOk);
    EXPECT_EQ(KemAllocationCalls(), calls);
    EXPECT_EQ(SystemPalette(), before);
}

TEST_F(PaletteScreen, FixedPaletteReductionShowsTheIndicesTheConverterNames)
{
    struct Case {
        const char* name;
        int bits;
        bool grey;
        const char* converter;
        RECT src;  // as passed; the image is 30 × 20
        int left, top, dstW, dstH;
    };
    const Case cases[] = {
        {"24-bit colours", 24, false, "Blit24To8Mode1", {0, 0, 30, 20}, 10, 150, 30, 20},
        {"8-bit colour table, enlarged", 8, false, "Blit8To8Mode1", {0, 0, 30, 20}, 50, 150, 57, 33},
        {"8-bit grey table, reduced", 8, true, "Blit8To8Mode1Gray", {0, 0, 30, 20}, 120, 150, 13, 9},
        {"4-bit colour table, clipped, enlarged", 4, false, "Blit4To8Mode1", {-4, 3, 27, 40}, 150, 150, 45, 23},
        {"4-bit grey table, odd left edge", 4, true, "Blit4To8Mode1Gray", {5, 0, 30, 20}, 210, 150, 25, 20},
        {"1-bit, left edge inside a byte", 1, false, "Blit1To8", {3, 1, 30, 20}, 250, 150, 27, 19},
        {"24-bit, 600 wide: two bands", 24, false, "Blit24To8Mode1", {0, 0, 30, 20}, 20, 190, 600, 40},
    };
    for (const Case& c : cases) {
        Random random(static_cast<uint64_t>(c.bits) * 10 + c.grey);
        Dib dib(30, 20, c.bits);
        Randomize(dib, random);
        if (c.grey) {
            for (int i = 0; i < dib.colorCount(); ++i) {
                const uint32_t v = random.Byte();
                dib.SetColor(i, Rgb(v, v, v));
            }
        }
        VyrBlitter blitter(1, 0);
        StockPaletteOnExit deselect{m_dc};
        RECT src = c.src;
        const RECT dst = {c.left, c.top, c.left + c.dstW, c.top + c.dstH};
        ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, const_cast<RECT*>(&dst)), kBlitOk) << c.name;
        EXPECT_EQ(NameOf(blitter.m_convert), c.converter) << c.name;
        ExpectIndices(blitter, dst, ExpectedIndices(dib, src, dst, blitter.m_colorMap, false, c.grey), c.name);
    }
}

TEST_F(PaletteScreen, DitheredBlitsShowWhatTheirConverterMakesOfEachRow)
{
    // The converters are checked against references of their own elsewhere;
    // here the rows a blit emits, with their row numbers, carried error row
    // and bands, must reach the screen as the converter makes them.
    Random random(21);
    Dib dib(23, 11, 24);
    Randomize(dib, random);
    const int dstW = 57, dstH = 30;
    for (int dither : {0, 2, 3}) {
        VyrBlitter blitter(dither, 0);
        StockPaletteOnExit deselect{m_dc};
        RECT src = {0, 0, 23, 11};
        const RECT dst = {30, 200, 30 + dstW, 200 + dstH};
        ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, const_cast<RECT*>(&dst)), kBlitOk);
        EXPECT_EQ(NameOf(blitter.m_convert), "Blit24To8Mode" + std::to_string(dither));

        std::vector<std::vector<uint8_t>> rows;
        for (int y = 0; y < dstH; ++y) {
            std::vector<uint8_t> scaled(3 * dstW);
            for (int x = 0; x < dstW; ++x) {
                const uint32_t color = dib.Color(x * 23 / dstW, y * 11 / dstH);
                scaled[static_cast<size_t>(3 * x)] = static_cast<uint8_t>(color);
                scaled[static_cast<size_t>(3 * x + 1)] = static_cast<uint8_t>(color >> 8);
                scaled[static_cast<size_t>(3 * x + 2)] = static_cast<uint8_t>(color >> 16);
            }
            rows.push_back(scaled);
        }
        ExpectIndices(blitter, dst, ReplayConverter(blitter, rows, dstW), "dither mode " + std::to_string(dither));
    }
}

TEST_F(PaletteScreen, ReducedOneBitImagesAfterAPaletteChangeShowThatPalette)
{
    // A reduced opaque image takes the grey path, which prepares the display
    // again after the band was begun; a transparent one takes the two-colour
    // scaler. Both must draw through the palette the change left.
    enum Change { kFixed, kImage, kOtherApplication };
    const char* names[] = {"VyrRealizeFixedPalette", "VyrRealizePalette of the image", "another application's palette"};
    const uint32_t white = Rgb(255, 255, 255);
    const int srcW = 39, srcH = 18, dstW = 26, dstH = 54;
    // What another application does: realize 200 colours of its own.
    const auto realizeOtherColours = [this](Random& random) {
        VyrBlitter other(0, 1);
        Dib otherDib(1, 1, 8);
        const std::vector<uint32_t> colors = ImageColours(random, 200);
        UseColoursInTurn(otherDib, colors);
        return other.VyrRealizePalette(m_window->hwnd(), otherDib.header());
    };
    int column = 0;
    for (Change change : {kFixed, kImage, kOtherApplication}) {
        for (int dither = 0; dither < 4; ++dither) {
            for (bool transparent : {false, true}) {
                const uint64_t seed = 60 + column;
                const std::string where = std::string(names[change]) + ", dither " + std::to_string(dither) +
                                          (transparent ? ", transparent" : ", opaque") + ", seed " +
                                          std::to_string(seed);
                Dib dib(srcW, srcH, 1);
                Random random(seed);
                Randomize(dib, random);
                // The transparent colour is white, as the transparency rule
                // rewrites it, and is ANDed onto a white background.
                dib.SetColor(0, transparent ? white : Rgb(240, 0, 190), transparent ? 255 : 0);
                dib.SetColor(1, Rgb(162, 129, 77));
                const int left = 10 + 50 * (column % 12), top = 20 + 100 * (column / 12);
                const RECT area = {left, top, left + dstW, top + dstH};
                ++column;

                // Another palette first, so that the change is one.
                if (change == kOtherApplication) {
                    ASSERT_EQ(VyrBlitter(0, 0).VyrRealizeFixedPalette(m_window->hwnd()), kBlitOk) << where;
                } else {
                    ASSERT_EQ(realizeOtherColours(random), kBlitOk) << where;
                }
                VyrBlitter blitter(dither, change == kImage ? 1 : 0);
                StockPaletteOnExit deselect{m_dc};
                RECT src = {0, 0, srcW, srcH};
                if (change == kOtherApplication) {
                    ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, const_cast<RECT*>(&area)), kBlitOk) << where;
                }
                const std::vector<uint32_t> before = SystemPalette();
                switch (change) {
                case kFixed:
                    ASSERT_EQ(blitter.VyrRealizeFixedPalette(m_window->hwnd()), kBlitOk) << where;
                    break;
                case kImage:
                    ASSERT_EQ(blitter.VyrRealizePalette(m_window->hwnd(), dib.header()), kBlitOk) << where;
                    break;
                case kOtherApplication:
                    ASSERT_EQ(realizeOtherColours(random), kBlitOk) << where;
                    break;
                }
                ASSERT_NE(SystemPalette(), before) << where << ": the display palette did not change";

                // The background through the stock palette, as ShownIndices
                // draws its white.
                SelectPalette(m_dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
                m_window->Fill(m_dc, area, transparent ? white : kBackground);
                src = {0, 0, srcW, srcH};
                ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, const_cast<RECT*>(&area)), kBlitOk) << where;
                if (transparent) {
                    const bool mapped = NameOf(blitter.m_convert) == "Blit1To8Mapped";
                    ExpectIndices(blitter, area, ExpectedIndices(dib, src, area, blitter.m_colorMap, mapped, false),
                                  where);
                } else {
                    std::vector<uint8_t> ramp = GreyRamp(dib);
                    ExpectIndices(blitter, area,
                                  ReplayConverter(blitter, GreyLevelRows(dib, src, dstW, dstH), dstW, ramp.data()),
                                  where);
                }
            }
        }
    }
}

TEST_F(PaletteScreen, TransparentBlackAndWhiteImagesCombineWithTheBackground)
{
    struct Case {
        const char* name;
        TwoColours colours;
        uint32_t shown0, shown1;
    };
    const uint32_t black = 0, white = Rgb(255, 255, 255);
    const Case cases[] = {
        {"black ink ANDed", {0, black, 255, 0}, kBackground, black},
        {"white ink ORed", {0, white, 255, 0}, kBackground, white},
        {"white opaque 0, 1 transparent", {white, black, 0, 255}, white, kBackground},
    };
    int column = 0;
    for (const Case& c : cases) {
        Dib dib = TwoColourImage(24, 6, static_cast<uint64_t>(column), c.colours);
        VyrBlitter blitter(0, 0);
        RECT src = {0, 0, 24, 6};
        const RECT dst = {10 + 60 * column, 250, 10 + 60 * column + 48, 262};
        ++column;
        ASSERT_EQ(blitter.VyrBlit(m_window->hwnd(), dib.header(), &src, const_cast<RECT*>(&dst)), kBlitOk) << c.name;
        std::vector<uint32_t> expected;
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 48; ++x) {
                expected.push_back(dib.Pixel(x / 2, y / 2) != 0 ? c.shown1 : c.shown0);
            }
        }
        EXPECT_EQ(FirstDifference(m_window->Read(dst), expected, 48), "") << c.name;
    }
}

TEST_F(PaletteScreen, PaletteObjectsAreDeletedAndNoBlockIsLeft)
{
    const ResourceCounts before = ResourceCounts::Now();
    std::vector<HPALETTE> seen;
    {
        VyrBlitter blitter(2, 1);
        StockPaletteOnExit deselect{m_dc};
        seen.push_back(blitter.m_palette);
        Random random(3);
        for (int bits : {1, 4, 8, 24, 1}) {
            Dib dib(12, 12, bits);
            Randomize(dib, random);
            ASSERT_EQ(blitter.VyrRealizePalette(m_window->hwnd(), dib.header()), kBlitOk);
            RECT src = {0, 0, 12, 12};
            RECT dst = {0, 280, 30, 300};
            ASSERT_EQ(blitter.VyrBlit(m_dc, dib.header(), &src, &dst), kBlitOk) << bits << " bits";
            seen.push_back(blitter.m_palette);
        }
        for (size_t i = 0; i + 1 < seen.size(); ++i) {
            if (seen[i] != blitter.m_palette) {
                EXPECT_EQ(GetObjectType(seen[i]), 0u) << "palette " << i << " left behind";
            }
        }
    }
    EXPECT_EQ(GetObjectType(seen.back()), 0u) << "the destructor left its palette";
    ExpectSameResources(before, ResourceCounts::Now(), "palette screen");
}
