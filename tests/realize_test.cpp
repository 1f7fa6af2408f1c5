// Palette building against a reference written from the rules with sets and
// a sort: drop near-black colours and colours near a static colour, mask with
// 0xFF, 0xFE, ... 0xC0 until at most 235 distinct non-black colours remain,
// list them in descending order, then black, then the fixed palette's colours
// not yet listed, then near-greys.
//
// The static colours are read from the display's system palette (entries 0..9
// and 246..255); most tests make them black, so that only the near-black rule
// drops colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "palette/realize.h"
#include "support/named_case.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

using testsupport::PrintTo;

using Triple = std::array<uint8_t, 3>;
using StaticColors = std::array<Triple, 20>;

std::string Text(const Triple& t)
{
    std::ostringstream out;
    out << "(" << int(t[0]) << ", " << int(t[1]) << ", " << int(t[2]) << ")";
    return out.str();
}

RGBQUAD Quad(Triple t, uint8_t reserved = 0)
{
    RGBQUAD quad;
    quad.rgbRed = t[0];
    quad.rgbGreen = t[1];
    quad.rgbBlue = t[2];
    quad.rgbReserved = reserved;
    return quad;
}

Triple FromQuad(const RGBQUAD& quad) { return {quad.rgbRed, quad.rgbGreen, quad.rgbBlue}; }

// The fixed palette from its rule: cube, greys 8..248, blacks.
Triple FixedColor(int i)
{
    if (i < 216) {
        return {static_cast<uint8_t>(255 - 51 * (i % 6)), static_cast<uint8_t>(255 - 51 * (i / 6 % 6)),
                static_cast<uint8_t>(255 - 51 * (i / 36))};
    }
    if (i <= 246) {
        const auto grey = static_cast<uint8_t>(8 * (i - 215));
        return {grey, grey, grey};
    }
    return {0, 0, 0};
}

std::vector<RGBQUAD> FixedQuads()
{
    std::vector<RGBQUAD> quads;
    for (int i = 0; i < 256; ++i) {
        quads.push_back(Quad(FixedColor(i)));
    }
    return quads;
}

int StaticEntry(int s) { return s < 10 ? s : s + 236; }

void SetStaticColors(const StaticColors& colors)
{
    for (int s = 0; s < 20; ++s) {
        PALETTEENTRY entry = {colors[static_cast<size_t>(s)][0], colors[static_cast<size_t>(s)][1],
                              colors[static_cast<size_t>(s)][2], 0};
        vd::SetSystemPaletteEntries(static_cast<unsigned>(StaticEntry(s)), 1, &entry);
    }
}

StaticColors DisplayStaticColors()
{
    const std::vector<Triple> system = SystemPaletteTriples();
    StaticColors colors;
    for (int s = 0; s < 20; ++s) {
        colors[static_cast<size_t>(s)] = system[static_cast<size_t>(StaticEntry(s))];
    }
    return colors;
}

struct ReferencePalette {
    std::vector<Triple> entries;
    std::vector<int> passCounts;  // 1 + distinct non-black colours after each mask
    uint8_t mask = 0xFF;
};

bool Near(int a, int b) { return a - b < 16 && b - a < 16; }

ReferencePalette BuildReference(const std::vector<RGBQUAD>& colors, const StaticColors& statics)
{
    std::vector<Triple> image;
    for (const RGBQUAD& quad : colors) {
        const Triple t = FromQuad(quad);
        if (t[0] < 43 && t[1] < 43 && t[2] < 43) {
            continue;
        }
        bool nearStatic = false;
        for (const Triple& s : statics) {
            nearStatic = nearStatic || (Near(t[0], s[0]) && Near(t[1], s[1]) && Near(t[2], s[2]));
        }
        if (!nearStatic) {
            image.push_back(t);
        }
    }
    ReferencePalette result;
    std::set<Triple> kept;
    for (uint8_t mask : {0xFF, 0xFE, 0xFC, 0xF8, 0xF0, 0xE0, 0xC0}) {
        kept.clear();
        for (const Triple& t : image) {
            const Triple masked = {static_cast<uint8_t>(t[0] & mask), static_cast<uint8_t>(t[1] & mask),
                                   static_cast<uint8_t>(t[2] & mask)};
            if (masked != Triple{0, 0, 0}) {
                kept.insert(masked);
            }
        }
        result.passCounts.push_back(1 + static_cast<int>(kept.size()));
        result.mask = mask;
        if (kept.size() + 1 <= 236) {
            break;
        }
    }
    result.entries.assign(kept.rbegin(), kept.rend());
    result.entries.push_back({0, 0, 0});
    auto add = [&](Triple t) {
        if (result.entries.size() < 256 &&
            std::find(result.entries.begin(), result.entries.end(), t) == result.entries.end()) {
            result.entries.push_back(t);
        }
    };
    for (int i = 0; i < 256; ++i) {
        add(FixedColor(i));
    }
    for (int i = 0; i < 256; ++i) {
        const auto a = static_cast<uint8_t>(i);
        const auto b = static_cast<uint8_t>(i + 1);
        for (const Triple& t : {Triple{a, a, a}, Triple{a, a, b}, Triple{a, b, a}, Triple{b, a, a},
                                Triple{a, b, b}, Triple{b, b, a}, Triple{b, a, b}}) {
            add(t);
        }
    }
    return result;
}

std::vector<Triple> Build(const std::vector<RGBQUAD>& colors, int count)
{
    std::vector<RGBQUAD> output(256, Quad({7, 7, 7}, 0x5A));
    EXPECT_EQ(dibdraw::BuildPalette(colors.data(), count, output.data()), 0);
    std::vector<Triple> triples;
    for (const RGBQUAD& quad : output) {
        triples.push_back(FromQuad(quad));
    }
    return triples;
}

void ExpectSamePalette(const std::vector<Triple>& actual, const std::vector<Triple>& expected,
                       const std::string& context)
{
    ASSERT_EQ(expected.size(), 256u) << context;
    for (size_t i = 0; i < 256; ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << context << ": first difference at entry " << i << ": got " << Text(actual[i])
                          << ", expected " << Text(expected[i]);
            return;
        }
    }
}

class BuildPaletteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ConfigureDisplay(vd::Kind::Palette8);
        SetStaticColors(StaticColors{});
    }
};

TEST_F(BuildPaletteTest, EmptyTableGivesBlackTheFixedColoursAndNearGreys)
{
    const std::vector<RGBQUAD> none;
    const std::vector<Triple> palette = Build(none, 0);
    EXPECT_EQ(palette[0], (Triple{0, 0, 0}));
    for (int i = 1; i <= 246; ++i) {
        ASSERT_EQ(palette[static_cast<size_t>(i)], FixedColor(i - 1 + (i >= 216 ? 1 : 0))) << "entry " << i;
    }
    const Triple nearGreys[] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 1, 1}, {1, 1, 0},
                                {1, 0, 1}, {1, 1, 1}, {1, 1, 2}, {1, 2, 1}};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(palette[static_cast<size_t>(247 + k)], nearGreys[k]) << "entry " << 247 + k;
    }
}

TEST_F(BuildPaletteTest, FifteenDistinctColoursAreKeptInDescendingOrder)
{
    const std::vector<Triple> colors = {{250, 10, 100}, {204, 255, 255}, {200, 60, 90}, {180, 180, 20},
                                        {170, 30, 200}, {120, 220, 60},  {100, 100, 250}, {0, 0, 0},
                                        {90, 200, 170}, {77, 88, 99},    {60, 140, 45},  {153, 102, 51},
                                        {50, 50, 240},  {45, 230, 230},  {230, 120, 10}, {130, 70, 160}};
    std::vector<RGBQUAD> table;
    for (const Triple& t : colors) {
        table.push_back(Quad(t));
    }
    std::vector<Triple> expected;
    for (const Triple& t : colors) {
        if (t != Triple{0, 0, 0}) {
            expected.push_back(t);
        }
    }
    std::sort(expected.rbegin(), expected.rend());
    expected.push_back({0, 0, 0});
    for (int i = 0; i < 256 && expected.size() < 256; ++i) {
        if (std::find(expected.begin(), expected.end(), FixedColor(i)) == expected.end()) {
            expected.push_back(FixedColor(i));
        }
    }
    const std::vector<Triple> palette = Build(table, 16);
    ExpectSamePalette(palette, expected, "15 colours and black");
    EXPECT_EQ(palette[0], (Triple{250, 10, 100}));
    EXPECT_EQ(palette[14], (Triple{45, 230, 230}));
    EXPECT_EQ(palette[15], (Triple{0, 0, 0}));
    EXPECT_EQ(palette[16], (Triple{255, 255, 255}));
    // (204, 255, 255) is fixed colour 1 and already in the palette.
    EXPECT_EQ(palette[17], (Triple{153, 255, 255}));
}

TEST_F(BuildPaletteTest, OutputOnlyHasItsColourBytesWritten)
{
    std::vector<RGBQUAD> output(256, Quad({7, 7, 7}, 0x5A));
    const std::vector<RGBQUAD> table = {Quad({100, 150, 200})};
    ASSERT_EQ(dibdraw::BuildPalette(table.data(), 1, output.data()), 0);
    for (size_t i = 0; i < output.size(); ++i) {
        ASSERT_EQ(output[i].rgbReserved, 0x5A) << "entry " << i;
    }
}

struct DropCase {
    const char* name;
    Triple color;
    bool kept;
};

// A one-colour table: a kept colour is entry 0, a dropped one leaves black there.
void ExpectKeptOrDropped(const DropCase& c)
{
    const std::vector<Triple> palette = Build({Quad(c.color)}, 1);
    if (c.kept) {
        EXPECT_EQ(palette[0], c.color) << c.name << ": " << Text(c.color) << " should be kept";
        EXPECT_EQ(palette[1], (Triple{0, 0, 0})) << c.name;
    } else {
        EXPECT_EQ(palette[0], (Triple{0, 0, 0})) << c.name << ": " << Text(c.color) << " should be dropped";
    }
}

class NearBlackCase : public BuildPaletteTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(NearBlackCase, KeepsOrDrops) { ExpectKeptOrDropped(GetParam()); }

INSTANTIATE_TEST_SUITE_P(NearBlack, NearBlackCase,
                         ::testing::Values(DropCase{"Dark40_42_42Dropped", {40, 42, 42}, false},
                                           DropCase{"Grey42Dropped", {42, 42, 42}, false},
                                           DropCase{"Red43Kept", {43, 0, 0}, true},
                                           DropCase{"Green43Kept", {0, 43, 0}, true},
                                           DropCase{"Blue43Kept", {42, 42, 43}, true}),
                         testsupport::CaseName());

// Static colour 5 is (100, 150, 200) and static colour 15 (system palette entry
// 251) is (220, 30, 60); the others are black.
class NearStaticCase : public BuildPaletteTest, public ::testing::WithParamInterface<DropCase> {
protected:
    void SetUp() override
    {
        BuildPaletteTest::SetUp();
        StaticColors statics{};
        statics[5] = {100, 150, 200};
        statics[15] = {220, 30, 60};
        SetStaticColors(statics);
    }
};

TEST_P(NearStaticCase, KeepsOrDrops)
{
    ASSERT_EQ(dibdraw::GetStaticColor(5), 100u | 150u << 8 | 200u << 16)
        << "the display does not report the static colour set in system palette entry 5";
    ASSERT_EQ(dibdraw::GetStaticColor(15), 220u | 30u << 8 | 60u << 16)
        << "the display does not report the static colour set in system palette entry 251";
    ExpectKeptOrDropped(GetParam());
}

INSTANTIATE_TEST_SUITE_P(NearStatic, NearStaticCase,
                         ::testing::Values(DropCase{"EqualDropped", {100, 150, 200}, false},
                                           DropCase{"Plus15Dropped", {115, 165, 215}, false},
                                           DropCase{"Minus15Dropped", {85, 135, 185}, false},
                                           DropCase{"Red16Kept", {116, 150, 200}, true},
                                           DropCase{"Green16Kept", {100, 134, 200}, true},
                                           DropCase{"Blue16Kept", {100, 150, 216}, true},
                                           DropCase{"UpperBlockPlus15Dropped", {235, 45, 75}, false},
                                           DropCase{"UpperBlockBlue16Kept", {220, 30, 76}, true}),
                         testsupport::CaseName());

TEST_F(BuildPaletteTest, TwoHundredFiftySixDistinctColoursGoThroughTheMasks)
{
    Random random(256);
    std::set<Triple> seen;
    std::vector<RGBQUAD> table;
    while (table.size() < 256) {
        const Triple t = {random.Byte(), random.Byte(), static_cast<uint8_t>(random.Between(64, 255))};
        if (seen.insert(t).second) {
            table.push_back(Quad(t));
        }
    }
    const ReferencePalette reference = BuildReference(table, StaticColors{});
    ASSERT_EQ(reference.passCounts.front(), 257);
    ASSERT_LT(reference.mask, 0xFF);
    const std::vector<Triple> palette = Build(table, 256);
    ExpectSamePalette(palette, reference.entries, "256 distinct colours");
    const int kept = reference.passCounts.back() - 1;
    for (int i = 0; i < kept; ++i) {
        const Triple& t = palette[static_cast<size_t>(i)];
        EXPECT_EQ(t[0] & reference.mask, t[0]);
        EXPECT_EQ(t[1] & reference.mask, t[1]);
        EXPECT_EQ(t[2] & reference.mask, t[2]);
    }
}

TEST_F(BuildPaletteTest, FromTheFixedPaletteWithBlackStaticColours)
{
    const std::vector<RGBQUAD> fixed = FixedQuads();
    const ReferencePalette reference = BuildReference(fixed, StaticColors{});
    EXPECT_EQ(reference.passCounts, (std::vector<int>{242, 241, 240, 237, 224}));
    const std::vector<Triple> palette = Build(fixed, 256);
    ExpectSamePalette(palette, reference.entries, "fixed palette");
    EXPECT_EQ(palette[0], (Triple{240, 240, 240}));
    EXPECT_EQ(palette[1], (Triple{240, 240, 192}));
    EXPECT_EQ(palette[2], (Triple{240, 240, 144}));
    EXPECT_NE(palette[222], (Triple{0, 0, 0}));
    EXPECT_EQ(palette[223], (Triple{0, 0, 0}));
    for (int i = 224; i < 256; ++i) {
        EXPECT_EQ(palette[static_cast<size_t>(i)], FixedColor(i - 224)) << "entry " << i;
    }
}

// Random tables, duplicates and near-black colours included, against random
// static colours as far as the display takes them.
TEST_F(BuildPaletteTest, RandomTablesMatchTheReference)
{
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        Random random(seed);
        StaticColors statics;
        for (auto& s : statics) {
            s = {random.Byte(), random.Byte(), random.Byte()};
        }
        SetStaticColors(statics);
        const int count = seed % 10 == 0 ? 256 : random.Between(0, 256);
        const int levels = random.Between(2, 256);
        std::vector<RGBQUAD> table;
        for (int i = 0; i < count; ++i) {
            auto channel = [&] { return static_cast<uint8_t>(random.Between(0, levels - 1) * 255 / (levels - 1)); };
            table.push_back(Quad({channel(), channel(), channel()}, random.Byte()));
        }
        const ReferencePalette reference = BuildReference(table, DisplayStaticColors());
        std::ostringstream context;
        context << "seed " << seed << " count " << count << " levels " << levels;
        ExpectSamePalette(Build(table, count), reference.entries, context.str());
    }
}

TEST_F(BuildPaletteTest, ColoursBeyondTheFirst256AreIgnored)
{
    Random random(300);
    std::vector<RGBQUAD> table;
    for (int i = 0; i < 300; ++i) {
        table.push_back(Quad({random.Byte(), random.Byte(), random.Byte()}));
    }
    const std::vector<RGBQUAD> first256(table.begin(), table.begin() + 256);
    ExpectSamePalette(Build(table, 300), BuildReference(first256, StaticColors{}).entries, "300 colours");
}

TEST_F(BuildPaletteTest, FailedAllocationReturnsNoMemory)
{
    const std::vector<RGBQUAD> fixed = FixedQuads();
    std::vector<RGBQUAD> output(256, Quad({7, 7, 7}, 0x5A));
    const ResourceCounts before = ResourceCounts::Now();
    KemFailNthAllocation(1);
    EXPECT_EQ(dibdraw::BuildPalette(fixed.data(), 256, output.data()), -1007);
    KemStopFailing();
    ExpectSameResources(before, ResourceCounts::Now());
    for (const RGBQUAD& quad : output) {
        ASSERT_EQ(FromQuad(quad), (Triple{7, 7, 7}));
    }
}

// Each allocation of a realization made to fail in turn, until none is left
// to fail: every failure reports -1007, leaks nothing and realizes nothing.
TEST_F(BuildPaletteTest, RealizeImagePaletteFailsCleanlyAtEveryAllocation)
{
    const std::vector<RGBQUAD> fixed = FixedQuads();
    const std::vector<Triple> systemBefore = SystemPaletteTriples();
    const ResourceCounts before = ResourceCounts::Now();
    uint32_t n = 1;
    for (;; ++n) {
        KemFailNthAllocation(n);
        const short result = dibdraw::RealizeImagePalette(nullptr, fixed.data(), 256);
        KemStopFailing();
        ExpectSameResources(before, ResourceCounts::Now(), "failing allocation " + std::to_string(n));
        if (result == 0) {
            break;
        }
        ASSERT_EQ(result, -1007) << "failing allocation " << n;
        ASSERT_TRUE(SystemPaletteTriples() == systemBefore) << "realized despite failing allocation " << n;
        ASSERT_LT(n, 10u);
    }
    EXPECT_EQ(n, 4u) << "three allocations: output, work table, logical palette";
}

TEST(CompareTriples, OrdersUnsignedByRedThenGreenThenBlue)
{
    const uint8_t a[3] = {10, 200, 200};
    const uint8_t b[3] = {11, 0, 0};
    const uint8_t c[3] = {11, 0, 128};
    const uint8_t d[3] = {11, 127, 0};
    EXPECT_LT(dibdraw::CompareTriples(a, b), 0);
    EXPECT_GT(dibdraw::CompareTriples(b, a), 0);
    EXPECT_LT(dibdraw::CompareTriples(b, c), 0);
    EXPECT_GT(dibdraw::CompareTriples(d, c), 0);
    EXPECT_EQ(dibdraw::CompareTriples(c, c), 0);
    const uint8_t high[3] = {0x80, 0, 0};
    const uint8_t low[3] = {0x7F, 0xFF, 0xFF};
    EXPECT_GT(dibdraw::CompareTriples(high, low), 0);
}

std::vector<uint8_t> WorkTable(const std::vector<Triple>& first)
{
    std::vector<uint8_t> work(768, 0);
    for (size_t i = 0; i < first.size(); ++i) {
        std::copy(first[i].begin(), first[i].end(), work.begin() + static_cast<long>(3 * i));
    }
    return work;
}

Triple At(const std::vector<uint8_t>& work, int i)
{
    return {work[static_cast<size_t>(3 * i)], work[static_cast<size_t>(3 * i + 1)],
            work[static_cast<size_t>(3 * i + 2)]};
}

TEST(ReduceColors, SortsAndKeepsTheLastOfEachRun)
{
    std::vector<uint8_t> work = WorkTable({{5, 5, 5}, {3, 3, 3}, {5, 5, 5}, {9, 1, 1}, {5, 5, 5}});
    EXPECT_EQ(dibdraw::ReduceColors(work.data(), 0xFF, 256), 4);
    for (int i = 0; i < 251; ++i) {
        ASSERT_EQ(At(work, i), (Triple{0, 0, 0})) << "entry " << i;
    }
    EXPECT_EQ(At(work, 251), (Triple{3, 3, 3}));
    EXPECT_EQ(At(work, 252), (Triple{0, 0, 0}));
    EXPECT_EQ(At(work, 253), (Triple{0, 0, 0}));
    EXPECT_EQ(At(work, 254), (Triple{5, 5, 5}));
    EXPECT_EQ(At(work, 255), (Triple{9, 1, 1}));
}

TEST(ReduceColors, MasksEveryByteAndMergesWhatBecomesEqual)
{
    std::vector<uint8_t> work = WorkTable({{0x13, 0x27, 0xFF}, {0x12, 0x26, 0xFE}, {0x01, 0x01, 0x01}, {0x80, 0, 0}});
    EXPECT_EQ(dibdraw::ReduceColors(work.data(), 0xFE, 256), 3);
    EXPECT_EQ(At(work, 254), (Triple{0x12, 0x26, 0xFE}));
    EXPECT_EQ(At(work, 255), (Triple{0x80, 0, 0}));
    for (int i = 0; i < 254; ++i) {
        ASSERT_EQ(At(work, i), (Triple{0, 0, 0})) << "entry " << i;
    }
}

TEST(ReduceColors, PassesOverTheFixedPaletteNarrowTheTable)
{
    std::vector<Triple> colors;
    for (int i = 0; i < 256; ++i) {
        const Triple t = FixedColor(i);
        colors.push_back(t[0] < 43 && t[1] < 43 && t[2] < 43 ? Triple{0, 0, 0} : t);
    }
    std::vector<uint8_t> work = WorkTable(colors);
    const uint8_t masks[] = {0xFF, 0xFE, 0xFC, 0xF8, 0xF0};
    const int32_t expected[] = {242, 241, 240, 237, 224};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(dibdraw::ReduceColors(work.data(), masks[k], 256), expected[k]) << "mask " << int(masks[k]);
    }
}

TEST(AddColor, StoresOnlyAbsentColours)
{
    std::vector<uint8_t> work = WorkTable({{1, 2, 3}, {4, 5, 6}});
    const uint8_t present[3] = {4, 5, 6};
    const uint8_t absent[3] = {4, 5, 7};
    const uint8_t black[3] = {0, 0, 0};
    const std::vector<uint8_t> original = work;
    EXPECT_EQ(dibdraw::AddColor(work.data(), present, 10), 0);
    EXPECT_EQ(dibdraw::AddColor(work.data(), black, 10), 0);
    EXPECT_EQ(work, original);
    EXPECT_EQ(dibdraw::AddColor(work.data(), absent, 255), 1);
    EXPECT_EQ(At(work, 255), (Triple{4, 5, 7}));
    EXPECT_EQ(dibdraw::AddColor(work.data(), absent, 10), 0);
}

std::vector<Triple> NearGreySequence()
{
    std::vector<Triple> sequence;
    for (int i = 0; i < 256; ++i) {
        const auto a = static_cast<uint8_t>(i);
        const auto b = static_cast<uint8_t>((i + 1) % 256);
        sequence.insert(sequence.end(), {Triple{a, a, a}, Triple{a, a, b}, Triple{a, b, a}, Triple{b, a, a},
                                         Triple{a, b, b}, Triple{b, b, a}, Triple{b, a, b}});
    }
    return sequence;
}

TEST(FillNearGreys, FillsTheRemainingSlotsInOrder)
{
    std::vector<uint8_t> work = WorkTable({{0, 1, 0}, {200, 10, 10}, {1, 1, 2}});
    dibdraw::FillNearGreys(work.data(), 3);
    std::vector<Triple> expected = {{0, 1, 0}, {200, 10, 10}, {1, 1, 2}};
    for (const Triple& t : NearGreySequence()) {
        if (expected.size() < 256 && std::find(expected.begin(), expected.end(), t) == expected.end() &&
            t != Triple{0, 0, 0}) {
            expected.push_back(t);
        }
    }
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(At(work, i), expected[static_cast<size_t>(i)]) << "entry " << i;
    }
    EXPECT_EQ(At(work, 3), (Triple{0, 0, 1}));
    EXPECT_EQ(At(work, 4), (Triple{1, 0, 0}));
}

TEST(FillNearGreys, StopsAtTheLastSlot)
{
    std::vector<uint8_t> work = WorkTable({});
    work.resize(768 + 6, 0xEE);
    dibdraw::FillNearGreys(work.data(), 250);
    const Triple expected[] = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}, {0, 1, 1}, {1, 1, 0}, {1, 0, 1}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(At(work, 250 + k), expected[k]) << "entry " << 250 + k;
    }
    for (size_t k = 768; k < work.size(); ++k) {
        EXPECT_EQ(work[k], 0xEE) << "wrote past the table";
    }
    const std::vector<uint8_t> full = work;
    dibdraw::FillNearGreys(work.data(), 256);
    EXPECT_EQ(work, full) << "a full table takes nothing";
}

TEST(GetStaticColor, ReadsEntries0To9And246To255)
{
    ConfigureDisplay(vd::Kind::Palette8);
    StaticColors statics;
    for (int s = 0; s < 20; ++s) {
        statics[static_cast<size_t>(s)] = {static_cast<uint8_t>(10 + s), static_cast<uint8_t>(100 + s),
                                           static_cast<uint8_t>(200 + s)};
    }
    SetStaticColors(statics);
    const ResourceCounts before = ResourceCounts::Now();
    for (int s = 0; s < 20; ++s) {
        const uint32_t expected = uint32_t(10 + s) | uint32_t(100 + s) << 8 | uint32_t(200 + s) << 16;
        EXPECT_EQ(dibdraw::GetStaticColor(s), expected) << "static colour " << s;
    }
    ExpectSameResources(before, ResourceCounts::Now());
}

}  // namespace
