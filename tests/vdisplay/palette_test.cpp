// Logical palettes on the 256-colour display: selection, realization into the
// system palette, and the stock default palette.
#include "vd_test_util.h"

using namespace vdtest;

namespace {

// Where a realized palette's entries went, read through PALETTEINDEX.
std::vector<int> SystemIndices(HDC dc, size_t count)
{
    std::vector<int> indices;
    for (size_t i = 0; i < count; ++i) {
        SetPixel(dc, 0, 0, 0x01000000 | static_cast<COLORREF>(i));
        indices.push_back(static_cast<int>(vd::DevicePixel(0, 0)));
    }
    return indices;
}

// The screen's DC with a palette of the colours selected into it, in the
// foreground or the background; the DC is released and the palette deleted
// with the object.
class ScreenWithPalette {
public:
    explicit ScreenWithPalette(const std::vector<Color>& colors, BOOL background = FALSE)
        : m_dc(GetDC(nullptr)), m_palette(MakePalette(colors))
    {
        SelectPalette(m_dc, m_palette, background);
    }
    ~ScreenWithPalette()
    {
        ReleaseDC(nullptr, m_dc);
        DeleteObject(m_palette);
    }
    ScreenWithPalette(const ScreenWithPalette&) = delete;
    ScreenWithPalette& operator=(const ScreenWithPalette&) = delete;

    HDC dc() const { return m_dc; }

private:
    HDC m_dc;
    HPALETTE m_palette;
};

void SetMiddleEntries(const std::vector<Color>& colors)
{
    const std::vector<PALETTEENTRY> entries = PaletteEntries(colors);
    vd::SetSystemPaletteEntries(10, static_cast<unsigned>(entries.size()), entries.data());
}

// 236 colours, all distinct and none a static colour.
std::vector<Color> DistinctMiddleColors(uint64_t seed)
{
    std::vector<Color> colors;
    for (int i = 0; i < 236; ++i) {
        colors.push_back({i, static_cast<int>((seed * 7 + 3 * static_cast<uint64_t>(i)) % 256), 77});
    }
    return colors;
}

struct RealizeCase {
    const char* name;
    std::vector<Color> middleBefore;  // system entries 10.. before (black if empty)
    std::vector<Color> palette;
    std::vector<int> expectedIndices;
    std::vector<std::pair<int, Color>> expectedSystem;  // entries checked afterwards
    UINT expectedChanged;
};

const Color kA{10, 20, 30};
const Color kB{40, 50, 60};
const Color kC{70, 80, 90};
const Color kX{33, 66, 99};

std::vector<RealizeCase> RealizeCases()
{
    return {
        {"static colours collapse onto their entries, new ones take the lowest free", {},
         {{255, 0, 0}, kA, {255, 251, 240}, kB, {0, 0, 0}},
         {249, 10, 246, 11, 0},
         {{10, kA}, {11, kB}, {12, {0, 0, 0}}},
         2},
        {"a colour placed by this realization is reused", {}, {kA, kB, kA, kB, kC}, {10, 11, 10, 11, 12},
         {{10, kA}, {11, kB}, {12, kC}}, 3},
        {"a colour held by the freed middle is placed again at the lowest free entry",
         {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, kX},
         {kX, kA},
         {10, 11},
         {{10, kX}, {11, kA}, {12, {3, 3, 3}}, {13, kX}},
         2},
        {"free entries left over keep their old colours", {{5, 5, 5}, {6, 6, 6}, {7, 7, 7}}, {kA},
         {10}, {{10, kA}, {11, {6, 6, 6}}, {12, {7, 7, 7}}}, 1},
        {"an entry already holding the colour counts as unchanged", {kA, kB}, {kA, kC}, {10, 11},
         {{10, kA}, {11, kC}}, 1},
        {"black collapses onto entry 0, never a free entry", {{9, 9, 9}}, {{0, 0, 0}, {0, 0, 0}}, {0, 0},
         {{10, {9, 9, 9}}}, 0},
    };
}

TEST(Realization, WorkedExamples)
{
    for (const RealizeCase& c : RealizeCases()) {
        Configure(vd::Kind::Palette8);
        SetMiddleEntries(c.middleBefore);
        {
            const ScreenWithPalette screen(c.palette);
            EXPECT_EQ(RealizePalette(screen.dc()), c.expectedChanged) << c.name;
            EXPECT_EQ(SystemIndices(screen.dc(), c.palette.size()), c.expectedIndices) << c.name;
            const std::vector<Color> system = CurrentSystemPalette();
            for (const auto& [index, color] : c.expectedSystem) {
                EXPECT_EQ(system[static_cast<size_t>(index)], color) << c.name << ": system entry " << index;
            }
            for (int s = 0; s < 20; ++s) {
                EXPECT_EQ(system[static_cast<size_t>(StaticSlot(s))], StaticColors()[static_cast<size_t>(s)])
                    << c.name << ": static entry changed";
            }
        }
        ExpectNothingLive(c.name);
    }
}

TEST(Realization, MapsToTheNearestPlacedColourWhenFull)
{
    Configure(vd::Kind::Palette8);
    std::vector<Color> colors = DistinctMiddleColors(1);
    const Color nearFirst{colors[0].r + 1, colors[0].g, colors[0].b + 1};
    colors.push_back(nearFirst);
    colors.push_back({255, 255, 255});
    colors.push_back({254, 1, 1});
    const ScreenWithPalette screen(colors);
    EXPECT_EQ(RealizePalette(screen.dc()), 236u);
    const std::vector<int> indices = SystemIndices(screen.dc(), colors.size());
    for (int i = 0; i < 236; ++i) {
        EXPECT_EQ(indices[static_cast<size_t>(i)], 10 + i) << "entry " << i;
    }
    EXPECT_EQ(indices[236], 10) << "full: nearest placed colour";
    EXPECT_EQ(indices[237], 255) << "full: a static colour still collapses";
    EXPECT_EQ(indices[238], 249) << "full: nearest is static red";
}

TEST(Realization, CopyOfTheSystemPaletteLeavesItUnchanged)
{
    for (uint64_t seed = 0; seed < 4; ++seed) {
        Configure(vd::Kind::Palette8);
        if (seed > 0) {
            SetMiddleEntries(DistinctMiddleColors(seed));
        }
        const std::vector<Color> before = CurrentSystemPalette();
        const ScreenWithPalette screen(before);
        EXPECT_EQ(RealizePalette(screen.dc()), 0u) << "seed " << seed;
        EXPECT_EQ(CurrentSystemPalette(), before) << "seed " << seed;
        const std::vector<int> indices = SystemIndices(screen.dc(), 256);
        for (int i = 0; i < 256; ++i) {
            // With a black middle every black entry collapses onto entry 0.
            const int expected = seed == 0 && i >= 10 && i <= 245 ? 0 : i;
            EXPECT_EQ(indices[static_cast<size_t>(i)], expected) << "seed " << seed << " entry " << i;
        }
    }
}

TEST(Realization, RealizingAgainChangesNothing)
{
    Configure(vd::Kind::Palette8);
    const ScreenWithPalette screen({kA, kB, kC});
    EXPECT_EQ(RealizePalette(screen.dc()), 3u);
    const std::vector<Color> after = CurrentSystemPalette();
    EXPECT_EQ(RealizePalette(screen.dc()), 0u);
    EXPECT_EQ(CurrentSystemPalette(), after);
    EXPECT_EQ(SystemIndices(screen.dc(), 3), (std::vector<int>{10, 11, 12}));
}

TEST(Realization, AnotherPaletteTakesTheMiddleOver)
{
    Configure(vd::Kind::Palette8);
    HDC first = GetDC(nullptr);
    HDC second = GetDC(nullptr);
    HPALETTE a = MakePalette({kA, kB});
    HPALETTE b = MakePalette({kC});
    SelectPalette(first, a, FALSE);
    RealizePalette(first);
    SelectPalette(second, b, FALSE);
    EXPECT_EQ(RealizePalette(second), 1u);
    const std::vector<Color> system = CurrentSystemPalette();
    EXPECT_EQ(system[10], kC);
    EXPECT_EQ(system[11], kB) << "left over from the first palette";
    ReleaseDC(nullptr, first);
    ReleaseDC(nullptr, second);
    DeleteObject(a);
    DeleteObject(b);
    ExpectNothingLive();
}

TEST(Realization, DefaultPaletteRealizesNothing)
{
    Configure(vd::Kind::Palette8);
    SetMiddleEntries({kA, kB});
    const std::vector<Color> before = CurrentSystemPalette();
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(RealizePalette(dc), 0u);
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    EXPECT_EQ(RealizePalette(dc), 0u);
    EXPECT_EQ(CurrentSystemPalette(), before);
    ReleaseDC(nullptr, dc);
}

TEST(Realization, BackgroundRealizationMapsWithoutChangingTheSystemPalette)
{
    Configure(vd::Kind::Palette8);
    SetMiddleEntries({kA});
    const std::vector<Color> before = CurrentSystemPalette();
    const ScreenWithPalette screen({{12, 20, 30}, {250, 0, 0}, kB}, TRUE);
    EXPECT_EQ(RealizePalette(screen.dc()), 0u);
    EXPECT_EQ(CurrentSystemPalette(), before);
    EXPECT_EQ(SystemIndices(screen.dc(), 3), (std::vector<int>{10, 249, 10}));
}

TEST(Realization, OtherKindsHaveNoSystemPaletteToChange)
{
    for (vd::Kind kind : AllKinds()) {
        if (kind == vd::Kind::Palette8) {
            continue;
        }
        Configure(kind);
        const std::vector<PALETTEENTRY> before = vd::SystemPalette();
        const PALETTEENTRY entry{1, 2, 3, 0};
        vd::SetSystemPaletteEntries(0, 1, &entry);
        HDC dc = GetDC(nullptr);
        HPALETTE palette = MakePalette({kA, kB});
        EXPECT_EQ(SelectPalette(dc, palette, FALSE), GetStockObject(DEFAULT_PALETTE)) << Name(kind);
        EXPECT_EQ(RealizePalette(dc), 0u) << Name(kind);
        const std::vector<PALETTEENTRY> after = vd::SystemPalette();
        ASSERT_EQ(after.size(), before.size()) << Name(kind);
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(std::memcmp(&after[i], &before[i], sizeof(PALETTEENTRY)), 0) << Name(kind) << " entry " << i;
        }
        // PALETTEINDEX draws the entry's colour as the device renders it.
        SetPixel(dc, 0, 0, 0x01000001);
        EXPECT_EQ(vd::DevicePixel(0, 0), ReferencePixel(kind, kB)) << Name(kind);
        ReleaseDcAndPalette(nullptr, dc, palette, Name(kind));
    }
}

TEST(Selection, SelectPaletteReturnsThePreviousOne)
{
    Configure(vd::Kind::Palette8);
    HDC dc = GetDC(nullptr);
    HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    ASSERT_NE(stock, nullptr);
    HPALETTE a = MakePalette({kA});
    HPALETTE b = MakePalette({kB});
    EXPECT_EQ(SelectPalette(dc, a, FALSE), stock) << "a fresh DC holds the default palette";
    EXPECT_EQ(SelectPalette(dc, b, FALSE), a);
    EXPECT_EQ(SelectPalette(dc, stock, FALSE), b);
    EXPECT_EQ(SelectPalette(dc, reinterpret_cast<HPALETTE>(0x12345), FALSE), nullptr) << "invalid palette";
    EXPECT_EQ(SelectPalette(reinterpret_cast<HDC>(0x54321), a, FALSE), nullptr) << "invalid DC";
    EXPECT_EQ(SelectPalette(dc, a, FALSE), stock) << "a failed selection changed the DC";
    SelectPalette(dc, stock, FALSE);
    ReleaseDC(nullptr, dc);
    HDC again = GetDC(nullptr);
    EXPECT_EQ(SelectPalette(again, a, FALSE), stock) << "every GetDC starts with the default palette";
    ReleaseDC(nullptr, again);
    EXPECT_TRUE(DeleteObject(a));
    EXPECT_TRUE(DeleteObject(b));
    ExpectNothingLive();
}

TEST(Selection, CreatePaletteRejectsEmptyPalettes)
{
    Configure(vd::Kind::Palette8);
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
    LOGPALETTE empty{0x300, 0, {{0, 0, 0, 0}}};
    EXPECT_EQ(CreatePalette(&empty), nullptr);
    ExpectNothingLive();
}

}  // namespace
