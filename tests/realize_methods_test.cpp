// The exported realization methods on the virtual display: which palette each
// display depth and palette mode realizes, observed in the system palette.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "palette/realize.h"
#include "palette/tables.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

using Triple = std::array<uint8_t, 3>;

std::string Text(const Triple& t)
{
    std::ostringstream text;
    text << '(' << int{t[0]} << ", " << int{t[1]} << ", " << int{t[2]} << ')';
    return text.str();
}

::testing::AssertionResult SamePalette(const std::vector<Triple>& actual, const std::vector<Triple>& expected)
{
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (actual[i] != expected[i]) {
            return ::testing::AssertionFailure()
                   << "system palettes differ first at entry " << i << ": " << Text(actual[i]) << " against "
                   << Text(expected[i]);
        }
    }
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure() << "palettes of " << actual.size() << " and " << expected.size()
                                             << " entries";
    }
    return ::testing::AssertionSuccess() << "the system palettes are the same";
}

::testing::AssertionResult ContainsAll(const std::vector<Triple>& palette, const std::vector<Triple>& colors)
{
    int missing = 0;
    std::string first;
    for (const Triple& color : colors) {
        if (std::find(palette.begin(), palette.end(), color) == palette.end()) {
            if (missing++ == 0) {
                first = Text(color);
            }
        }
    }
    if (missing != 0) {
        return ::testing::AssertionFailure() << missing << " of " << colors.size()
                                             << " colours are not in the system palette, the first " << first;
    }
    return ::testing::AssertionSuccess() << "all " << colors.size() << " colours are in the system palette";
}

// A colour table of distinct colours, none near black or the standard static
// colours, that the fixed palette does not hold.
std::vector<RGBQUAD> ImageColors(int count, int seed)
{
    std::vector<RGBQUAD> table;
    for (int i = 0; i < count; ++i) {
        RGBQUAD quad;
        quad.rgbRed = static_cast<uint8_t>(61 + (i * 7 + seed) % 120);
        quad.rgbGreen = static_cast<uint8_t>(67 + (i * 13) % 110);
        quad.rgbBlue = static_cast<uint8_t>(71 + i % 100);
        quad.rgbReserved = 0;
        table.push_back(quad);
    }
    return table;
}

// The image colours that a palette built from `colors` keeps: its entries
// before the first black.
std::vector<Triple> KeptColors(const RGBQUAD* colors, int count)
{
    std::vector<RGBQUAD> output(256);
    EXPECT_EQ(dibdraw::BuildPalette(colors, count, output.data()), 0);
    std::vector<Triple> kept;
    for (const RGBQUAD& quad : output) {
        const Triple t = {quad.rgbRed, quad.rgbGreen, quad.rgbBlue};
        if (t == Triple{0, 0, 0}) {
            break;
        }
        kept.push_back(t);
    }
    return kept;
}

// A packed DIB: header, 2^bits colour-table entries.
std::vector<uint8_t> PackedDib(int bits, const std::vector<RGBQUAD>& table, uint32_t clrUsed)
{
    std::vector<uint8_t> dib(40 + 4 * table.size() + 64, 0);
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = 4;
    header.biHeight = 4;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biClrUsed = clrUsed;
    std::memcpy(dib.data(), &header, sizeof header);
    if (!table.empty()) {
        std::memcpy(dib.data() + 40, table.data(), 4 * table.size());
    }
    return dib;
}

BITMAPINFOHEADER* Header(std::vector<uint8_t>& dib) { return reinterpret_cast<BITMAPINFOHEADER*>(dib.data()); }

class RealizeOnPalette8 : public ::testing::Test {
protected:
    void SetUp() override { FreshDisplay(); }
    // A newly configured 256-colour display with a window to realize into.
    void FreshDisplay()
    {
        ConfigureDisplay(vd::Kind::Palette8);
        m_window = vd::CreateWindow(RECT{0, 0, 32, 32});
    }
    // The system palette after realizing `colors` in palette mode 1 on a fresh display.
    std::vector<Triple> RealizedFresh(const RGBQUAD* colors, int count)
    {
        FreshDisplay();
        VyrBlitter blitter(0, 1);
        EXPECT_EQ(blitter.VyrRealizePalette(m_window, const_cast<RGBQUAD*>(colors), count), 0);
        return SystemPaletteTriples();
    }
    // The same for the colour table of a packed DIB, given by its header.
    std::vector<Triple> HeaderRealizedFresh(std::vector<uint8_t>& dib)
    {
        FreshDisplay();
        VyrBlitter blitter(0, 1);
        EXPECT_EQ(blitter.VyrRealizePalette(m_window, Header(dib)), 0);
        return SystemPaletteTriples();
    }

    HWND m_window = nullptr;
};

TEST_F(RealizeOnPalette8, ModeOneShowsTheImageColours)
{
    const std::vector<RGBQUAD> table = ImageColors(200, 0);
    const std::vector<Triple> kept = KeptColors(table.data(), 200);
    ASSERT_GT(kept.size(), 150u);
    VyrBlitter blitter(0, 1);
    const ResourceCounts before = ResourceCounts::Now();
    const std::vector<Triple> systemBefore = SystemPaletteTriples();
    EXPECT_EQ(blitter.VyrRealizePalette(m_window, const_cast<RGBQUAD*>(table.data()), 200), 0);
    const std::vector<Triple> system = SystemPaletteTriples();
    EXPECT_FALSE(SamePalette(system, systemBefore)) << "nothing was realized";
    EXPECT_TRUE(ContainsAll(system, kept));
    ExpectSameResources(before, ResourceCounts::Now());
}

TEST_F(RealizeOnPalette8, ModeZeroRealizesTheFixedPaletteNotTheTable)
{
    const std::vector<RGBQUAD> table = ImageColors(16, 3);
    const std::vector<Triple> fixed = RealizedFresh(dibdraw::kFixedPalette.data(), 256);
    const std::vector<Triple> image = RealizedFresh(table.data(), 16);
    ASSERT_FALSE(SamePalette(fixed, image));

    FreshDisplay();
    VyrBlitter blitter(0, 0);
    EXPECT_EQ(blitter.VyrRealizePalette(m_window, const_cast<RGBQUAD*>(table.data()), 16), 0);
    EXPECT_TRUE(SamePalette(SystemPaletteTriples(), fixed));
}

TEST_F(RealizeOnPalette8, FixedPaletteMethodInModesZeroAndOne)
{
    const std::vector<Triple> fixed = RealizedFresh(dibdraw::kFixedPalette.data(), 256);
    const std::vector<Triple> kept = KeptColors(dibdraw::kFixedPalette.data(), 256);
    EXPECT_TRUE(ContainsAll(fixed, kept));
    for (int mode : {0, 1}) {
        FreshDisplay();
        VyrBlitter blitter(0, mode);
        EXPECT_EQ(blitter.VyrRealizeFixedPalette(m_window), 0) << "mode " << mode;
        EXPECT_TRUE(SamePalette(SystemPaletteTriples(), fixed)) << "mode " << mode;
    }
}

TEST_F(RealizeOnPalette8, DeepHeadersRealizeTheFixedPalette)
{
    const std::vector<Triple> fixed = RealizedFresh(dibdraw::kFixedPalette.data(), 256);
    for (int bits : {24, 32}) {
        for (int mode : {0, 1}) {
            FreshDisplay();
            std::vector<uint8_t> dib = PackedDib(bits, ImageColors(16, 5), 0);
            VyrBlitter blitter(0, mode);
            EXPECT_EQ(blitter.VyrRealizePalette(m_window, Header(dib)), 0) << bits << " bits, mode " << mode;
            EXPECT_TRUE(SamePalette(SystemPaletteTriples(), fixed)) << bits << " bits, mode " << mode;
        }
    }
}

TEST_F(RealizeOnPalette8, HeaderTableHasTwoToTheBitsEntriesWhateverClrUsedSays)
{
    const std::vector<RGBQUAD> table = ImageColors(256, 9);
    std::vector<uint8_t> dib = PackedDib(8, table, 16);
    const std::vector<Triple> expected = RealizedFresh(table.data(), 256);
    const std::vector<Triple> sixteen = RealizedFresh(table.data(), 16);
    ASSERT_FALSE(SamePalette(expected, sixteen));
    EXPECT_TRUE(SamePalette(HeaderRealizedFresh(dib), expected));
}

TEST_F(RealizeOnPalette8, FourBitHeaderReadsSixteenEntries)
{
    const std::vector<RGBQUAD> table = ImageColors(16, 11);
    std::vector<uint8_t> dib = PackedDib(4, table, 2);
    const std::vector<Triple> expected = RealizedFresh(table.data(), 16);
    EXPECT_TRUE(SamePalette(HeaderRealizedFresh(dib), expected));
}

TEST_F(RealizeOnPalette8, HeaderOfTwoPlanesIsRefusedAsTheBlitRefusesIt)
{
    // Two planes of 4 bits once read 256 entries from this 16-entry table.
    const std::vector<RGBQUAD> table = ImageColors(16, 12);
    std::vector<uint8_t> dib = PackedDib(4, table, 0);
    dib.resize(40 + 4 * table.size());
    Header(dib)->biPlanes = 2;
    VyrBlitter blitter(0, 1);
    const std::vector<Triple> systemBefore = SystemPaletteTriples();
    const uint64_t allocations = KemAllocationCalls();
    EXPECT_EQ(blitter.VyrRealizePalette(m_window, Header(dib)), kBlitUnsupported);
    EXPECT_EQ(blitter.VyrRealizePalette(m_window, Header(dib), dib.size()), kBlitUnsupported);
    EXPECT_EQ(KemAllocationCalls(), allocations) << "a palette was built";
    EXPECT_TRUE(SamePalette(SystemPaletteTriples(), systemBefore));
    RECT src = {0, 0, 4, 4}, dst = {0, 0, 4, 4};
    EXPECT_EQ(blitter.VyrBlit(m_window, Header(dib), &src, &dst), kBlitUnsupported);
}

TEST_F(RealizeOnPalette8, TableFollowsALargerHeaderWhereTheBlitFindsIt)
{
    // A 124-byte header (BITMAPV5HEADER) puts the table at byte 124.
    const std::vector<RGBQUAD> table = ImageColors(16, 13);
    const std::vector<Triple> expected = RealizedFresh(table.data(), 16);
    std::vector<uint8_t> dib(124 + 4 * table.size(), 0xEE);
    BITMAPINFOHEADER header = {};
    header.biSize = 124;
    header.biWidth = 4;
    header.biHeight = 4;
    header.biPlanes = 1;
    header.biBitCount = 4;
    std::memcpy(dib.data(), &header, sizeof header);
    std::memcpy(dib.data() + 124, table.data(), 4 * table.size());
    for (bool checked : {false, true}) {
        FreshDisplay();
        VyrBlitter blitter(0, 1);
        const short result = checked ? blitter.VyrRealizePalette(m_window, Header(dib), dib.size())
                                     : blitter.VyrRealizePalette(m_window, Header(dib));
        EXPECT_EQ(result, 0) << (checked ? "checked" : "unchecked");
        EXPECT_TRUE(SamePalette(SystemPaletteTriples(), expected)) << (checked ? "checked" : "unchecked");
    }
}

TEST_F(RealizeOnPalette8, CheckedHeaderMustHoldItsWholeTable)
{
    const std::vector<RGBQUAD> table = ImageColors(256, 14);
    const std::vector<Triple> expected = RealizedFresh(table.data(), 256);
    const std::vector<uint8_t> full = PackedDib(8, table, 0);
    const size_t tableEnd = 40 + 4 * table.size();
    for (size_t length : {size_t{0}, size_t{39}, size_t{40}, tableEnd - 1, tableEnd}) {
        FreshDisplay();
        const std::vector<Triple> systemBefore = SystemPaletteTriples();
        // Exactly `length` bytes, so that a read past them is caught.
        std::vector<uint8_t> dib(full.begin(), full.begin() + static_cast<long>(length));
        const BITMAPINFOHEADER* header = dib.empty() ? nullptr : reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
        VyrBlitter blitter(0, 1);
        const short result = blitter.VyrRealizePalette(m_window, header, dib.size());
        if (length < tableEnd) {
            EXPECT_EQ(result, kBlitUnsupported) << length << " bytes";
            EXPECT_TRUE(SamePalette(SystemPaletteTriples(), systemBefore)) << length << " bytes";
        } else {
            EXPECT_EQ(result, 0) << length << " bytes";
            EXPECT_TRUE(SamePalette(SystemPaletteTriples(), expected)) << length << " bytes";
        }
    }
}

TEST_F(RealizeOnPalette8, ModeTwoRealizesNothing)
{
    const std::vector<RGBQUAD> table = ImageColors(64, 1);
    std::vector<uint8_t> dib = PackedDib(8, ImageColors(256, 2), 0);
    VyrBlitter blitter(0, 2);
    const std::vector<Triple> systemBefore = SystemPaletteTriples();
    const ResourceCounts before = ResourceCounts::Now();
    const uint64_t allocations = KemAllocationCalls();
    EXPECT_EQ(blitter.VyrRealizePalette(m_window, const_cast<RGBQUAD*>(table.data()), 64), 0);
    EXPECT_EQ(blitter.VyrRealizePalette(m_window, Header(dib)), 0);
    EXPECT_EQ(blitter.VyrRealizeFixedPalette(m_window), 0);
    EXPECT_EQ(KemAllocationCalls(), allocations) << "a palette was built";
    EXPECT_TRUE(SamePalette(SystemPaletteTriples(), systemBefore));
    ExpectSameResources(before, ResourceCounts::Now());
}

TEST_F(RealizeOnPalette8, FailedAllocationsRealizeNothing)
{
    const std::vector<RGBQUAD> table = ImageColors(100, 4);
    VyrBlitter blitter(0, 1);
    const std::vector<Triple> systemBefore = SystemPaletteTriples();
    const ResourceCounts before = ResourceCounts::Now();
    for (uint32_t n = 1; n <= 3; ++n) {
        KemFailNthAllocation(n);
        EXPECT_EQ(blitter.VyrRealizePalette(m_window, const_cast<RGBQUAD*>(table.data()), 100), -1007)
            << "failing allocation " << n;
        KemStopFailing();
        EXPECT_TRUE(SamePalette(SystemPaletteTriples(), systemBefore)) << "failing allocation " << n;
        ExpectSameResources(before, ResourceCounts::Now(), "failing allocation " + std::to_string(n));
    }
}

class RealizeElsewhere : public ::testing::TestWithParam<vd::Kind> {};

TEST_P(RealizeElsewhere, EveryMethodDoesNothing)
{
    ConfigureDisplay(GetParam());
    HWND window = vd::CreateWindow(RECT{0, 0, 32, 32});
    const std::vector<RGBQUAD> table = ImageColors(16, 7);
    std::vector<uint8_t> dib = PackedDib(4, table, 0);
    for (int mode : {0, 1, 2}) {
        VyrBlitter blitter(0, mode);
        const ResourceCounts before = ResourceCounts::Now();
        const uint64_t allocations = KemAllocationCalls();
        EXPECT_EQ(blitter.VyrRealizeFixedPalette(window), 0);
        EXPECT_EQ(blitter.VyrRealizePalette(window, Header(dib)), 0);
        EXPECT_EQ(blitter.VyrRealizePalette(window, const_cast<RGBQUAD*>(table.data()), 16), 0);
        EXPECT_EQ(KemAllocationCalls(), allocations) << KindName(GetParam()) << " mode " << mode;
        ExpectSameResources(before, ResourceCounts::Now(), KindName(GetParam()));
    }
}

INSTANTIATE_TEST_SUITE_P(NonPaletteDisplays, RealizeElsewhere,
                         ::testing::Values(vd::Kind::Mono, vd::Kind::Planar4, vd::Kind::Packed4, vd::Kind::Rgb332,
                                           vd::Kind::Rgb565, vd::Kind::Rgb24, vd::Kind::Rgb32, vd::Kind::Grey2),
                         [](const auto& info) { return std::string(KindName(info.param)); });

}  // namespace
