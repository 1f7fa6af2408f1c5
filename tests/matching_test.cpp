// Nearest-colour matching against a slow search written from the rule: the
// distance is the sum of squared channel differences, each halved toward minus
// infinity, and of equally near reference colours the lowest index wins.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "palette/matching.h"
#include "support/named_case.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

using testsupport::PrintTo;

using Triple = std::array<uint8_t, 3>;

struct Reference {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(768, 0);

    void Set(int index, Triple color)
    {
        for (int k = 0; k < 3; ++k) {
            bytes[static_cast<size_t>(3 * index + k)] = color[static_cast<size_t>(k)];
        }
    }
    const uint8_t* data() const { return bytes.data(); }
};

int Halved(int difference)
{
    return static_cast<int>(std::floor(difference / 2.0));
}

int SlowNearest(const uint8_t* color, const Reference& reference)
{
    int bestIndex = -1;
    int best = 0;
    for (int j = 0; j < 256; ++j) {
        int distance = 0;
        for (int k = 0; k < 3; ++k) {
            const int d = Halved(color[k] - reference.bytes[static_cast<size_t>(3 * j + k)]);
            distance += d * d;
        }
        if (bestIndex < 0 || distance < best) {
            best = distance;
            bestIndex = j;
        }
    }
    return bestIndex;
}

int MatchOne(Triple color, const Reference& reference)
{
    uint8_t map[1] = {0xEE};
    EXPECT_EQ(dibdraw::MatchColors(color.data(), reference.data(), map, 1), 0);
    return map[0];
}

// Random references drawn from few channel values, so that exact ties and
// near ties are common, compared with the slow search for 256 colours each.
TEST(MatchColors, AgreesWithTheSlowSearch)
{
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        Random random(seed);
        const int spread = seed % 2 == 0 ? 8 : 256;
        Reference reference;
        for (auto& byte : reference.bytes) {
            byte = static_cast<uint8_t>(random.Between(0, spread - 1) * (256 / spread));
        }
        std::vector<uint8_t> colors = random.Bytes(768);
        std::vector<uint8_t> map(256, 0);
        ASSERT_EQ(dibdraw::MatchColors(colors.data(), reference.data(), map.data(), 256), 0);
        for (int i = 0; i < 256; ++i) {
            const int expected = SlowNearest(colors.data() + 3 * i, reference);
            ASSERT_EQ(map[static_cast<size_t>(i)], expected)
                << "seed " << seed << " colour " << i << " (" << int(colors[3 * i]) << ", "
                << int(colors[3 * i + 1]) << ", " << int(colors[3 * i + 2]) << ")";
        }
    }
}

struct MatchCase {
    const char* name;
    std::vector<std::pair<int, Triple>> entries;  // over a reference of far-away white
    Triple color;
    int expected;
    bool blackBackground = false;
};

class MatchColorsCase : public ::testing::TestWithParam<MatchCase> {};

TEST_P(MatchColorsCase, PicksTheDocumentedIndex)
{
    const MatchCase& c = GetParam();
    Reference reference;
    const uint8_t background = c.blackBackground ? 0 : 255;
    std::fill(reference.bytes.begin(), reference.bytes.end(), background);
    for (const auto& [index, color] : c.entries) {
        reference.Set(index, color);
    }
    EXPECT_EQ(MatchOne(c.color, reference), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Ties, MatchColorsCase,
    ::testing::Values(
        MatchCase{"ExactMatchWins", {{3, {10, 20, 30}}, {9, {10, 20, 31}}}, {10, 20, 30}, 3},
        MatchCase{"LowerIndexAtHalvedZeroBeatsExactMatch", {{3, {10, 20, 30}}, {9, {10, 20, 31}}}, {10, 20, 31}, 3},
        MatchCase{"IdenticalEntriesTakeTheLowerIndex", {{200, {50, 60, 70}}, {100, {50, 60, 70}}}, {52, 61, 69}, 100},
        MatchCase{"AllBlackReferenceGivesZero", {}, {200, 100, 50}, 0, true},
        MatchCase{"WhiteAgainstAllBlackGivesZero", {}, {255, 255, 255}, 0, true}),
    testsupport::CaseName());

INSTANTIATE_TEST_SUITE_P(
    HalvedDifferences, MatchColorsCase,
    ::testing::Values(
        // 101 against 100 halves to 0: both entries are at distance 0 for 101.
        MatchCase{"OneStepUpIsDistanceZero", {{3, {100, 100, 100}}, {7, {101, 101, 101}}}, {101, 101, 101}, 3},
        MatchCase{"ExactLowerEntry", {{3, {100, 100, 100}}, {7, {101, 101, 101}}}, {100, 100, 100}, 3},
        // 100 against 101 halves to -1, not 0: the exact entry at 7 is nearer.
        MatchCase{"OneStepDownIsNotZero", {{3, {101, 101, 101}}, {7, {100, 100, 100}}}, {100, 100, 100}, 7},
        MatchCase{"OneStepDownInGreenOnly", {{3, {100, 101, 100}}, {7, {100, 100, 100}}}, {100, 100, 100}, 7},
        MatchCase{"OneStepDownInBlueOnly", {{3, {100, 100, 101}}, {7, {100, 100, 100}}}, {100, 100, 100}, 7},
        MatchCase{"FarthestColourStillTakesIndexZero", {}, {0, 0, 0}, 0}),
    testsupport::CaseName());

// The partial sums after red and after red + blue end a candidate only when
// they already exceed the best; the full sum must be strictly smaller.
INSTANTIATE_TEST_SUITE_P(
    PartialSums, MatchColorsCase,
    ::testing::Values(
        // Index 2's red alone (distance 25) exceeds index 1's total (4 + 4 + 4).
        MatchCase{"RedAloneRejects", {{1, {104, 104, 104}}, {2, {110, 100, 100}}}, {100, 100, 100}, 1},
        // Index 2 has a small red term but loses on green, after the blue test.
        MatchCase{"GreenDecidesAfterPartials", {{1, {106, 100, 100}}, {2, {100, 112, 100}}}, {100, 100, 100}, 1},
        // A later candidate whose red term is below the best but whose total
        // is smaller still must win.
        MatchCase{"SmallerTotalAfterLargerPartialWins", {{1, {100, 100, 110}}, {2, {104, 104, 100}}}, {100, 100, 100}, 2},
        // Partial sums equal to the best: still considered, ending in a tie.
        MatchCase{"RedPartialEqualToBestTies", {{1, {100, 106, 100}}, {2, {106, 100, 100}}}, {100, 100, 100}, 1},
        MatchCase{"RedBluePartialEqualToBestTies", {{1, {100, 108, 100}}, {2, {100, 100, 108}}}, {100, 100, 100}, 1},
        // Candidates rejected early before the true nearest one do not end the scan.
        MatchCase{"RejectedCandidatesDoNotStopTheScan",
                  {{1, {100, 100, 120}}, {2, {130, 100, 100}}, {3, {100, 140, 100}}, {4, {101, 100, 100}}},
                  {100, 100, 100},
                  4}),
    testsupport::CaseName());

TEST(MatchColors, CountOfTwoWritesOnlyTheFirstTwoEntries)
{
    Reference reference;
    reference.Set(5, {1, 2, 3});
    reference.Set(6, {200, 201, 202});
    const uint8_t colors[6] = {1, 2, 3, 200, 201, 202};
    std::vector<uint8_t> map(256, 0xCD);
    EXPECT_EQ(dibdraw::MatchColors(colors, reference.data(), map.data(), 2), 0);
    EXPECT_EQ(map[0], 5);
    EXPECT_EQ(map[1], 6);
    for (size_t i = 2; i < map.size(); ++i) {
        ASSERT_EQ(map[i], 0xCD) << "entry " << i;
    }
}

TEST(MatchColors, NonPositiveCountWritesNothing)
{
    Reference reference;
    uint8_t map[4] = {0xCD, 0xCD, 0xCD, 0xCD};
    const uint8_t colors[12] = {};
    EXPECT_EQ(dibdraw::MatchColors(colors, reference.data(), map, 0), 0);
    EXPECT_EQ(dibdraw::MatchColors(colors, reference.data(), map, -4), 0);
    for (uint8_t entry : map) {
        EXPECT_EQ(entry, 0xCD);
    }
}

std::vector<RGBQUAD> RandomQuads(Random& random, int count)
{
    std::vector<RGBQUAD> quads(static_cast<size_t>(count));
    for (auto& quad : quads) {
        quad.rgbBlue = random.Byte();
        quad.rgbGreen = random.Byte();
        quad.rgbRed = random.Byte();
        quad.rgbReserved = random.Byte();
    }
    return quads;
}

TEST(MatchQuadColors, MatchesTheTriplesOfTheTable)
{
    Random random(77);
    Reference reference;
    reference.bytes = random.Bytes(768);
    const std::vector<RGBQUAD> quads = RandomQuads(random, 256);
    std::vector<uint8_t> triples;
    for (const RGBQUAD& quad : quads) {
        triples.insert(triples.end(), {quad.rgbRed, quad.rgbGreen, quad.rgbBlue});
    }
    const ResourceCounts before = ResourceCounts::Now();
    std::vector<uint8_t> map(256, 0);
    EXPECT_EQ(dibdraw::MatchQuadColors(quads.data(), reference.data(), map.data(), 256), 0);
    ExpectSameResources(before, ResourceCounts::Now());
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(map[static_cast<size_t>(i)], SlowNearest(triples.data() + 3 * i, reference)) << "colour " << i;
    }
}

TEST(MatchQuadColors, FailedAllocationLeavesTheMapUntouched)
{
    Random random(78);
    Reference reference;
    reference.bytes = random.Bytes(768);
    const std::vector<RGBQUAD> quads = RandomQuads(random, 256);
    std::vector<uint8_t> map(256, 0xCD);
    const ResourceCounts before = ResourceCounts::Now();
    KemFailNthAllocation(1);
    EXPECT_EQ(dibdraw::MatchQuadColors(quads.data(), reference.data(), map.data(), 256), -1007);
    KemStopFailing();
    ExpectSameResources(before, ResourceCounts::Now());
    for (size_t i = 0; i < map.size(); ++i) {
        ASSERT_EQ(map[i], 0xCD) << "entry " << i;
    }
}

TEST(IntSqrt, IsTheFloorOfTheSquareRoot)
{
    for (int32_t n = 0; n <= 200000; ++n) {
        const int32_t root = dibdraw::IntSqrt(n);
        ASSERT_TRUE(int64_t(root) * root <= n && int64_t(root + 1) * (root + 1) > n) << "n " << n << " gave " << root;
    }
}

TEST(IntSqrt, DocumentedValues)
{
    const int32_t cases[][2] = {{0, 0}, {1, 1}, {3, 1}, {4, 2}, {8, 2}, {9, 3}, {15, 3}, {16, 4}, {195075, 441}};
    for (const auto& c : cases) {
        EXPECT_EQ(dibdraw::IntSqrt(c[0]), c[1]) << "IntSqrt(" << c[0] << ")";
    }
}

TEST(IntSqrt, TopOfTheRange)
{
    EXPECT_EQ(dibdraw::IntSqrt(2147395600), 46340);  // 46340 squared
    EXPECT_EQ(dibdraw::IntSqrt(2147483647), 46340);
}

struct ErrorCase {
    const char* name;
    std::vector<Triple> colors;
    std::vector<std::pair<int, Triple>> entries;
    std::vector<uint8_t> map;
    int32_t expected;
};

class MatchErrorCase : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(MatchErrorCase, GivesTheDocumentedMean)
{
    const ErrorCase& c = GetParam();
    Reference reference;
    for (const auto& [index, color] : c.entries) {
        reference.Set(index, color);
    }
    std::vector<uint8_t> colors;
    for (const Triple& color : c.colors) {
        colors.insert(colors.end(), color.begin(), color.end());
    }
    EXPECT_EQ(dibdraw::MatchError(colors.data(), reference.data(), c.map.data(), static_cast<int32_t>(c.colors.size())),
              c.expected)
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Means, MatchErrorCase,
    ::testing::Values(
        ErrorCase{"ExactMapIsZero", {{10, 20, 30}, {40, 50, 60}}, {{4, {10, 20, 30}}, {9, {40, 50, 60}}}, {4, 9}, 0},
        ErrorCase{"OffByOneInEachChannelIsOne", {{11, 21, 31}}, {{4, {10, 20, 30}}}, {4}, 1},
        ErrorCase{"OffByMinusOneInEachChannelIsOne", {{9, 19, 29}}, {{4, {10, 20, 30}}}, {4}, 1},
        ErrorCase{"WhiteMappedToBlackIs441", {{255, 255, 255}}, {{0, {0, 0, 0}}}, {0}, 441},
        ErrorCase{"MeanOf15And16Is15", {{115, 100, 100}, {100, 100, 116}}, {{2, {100, 100, 100}}}, {2, 2}, 15},
        ErrorCase{"MeanTruncates", {{5, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, {0, 0, 0}}}, {0, 0, 0}, 1},
        ErrorCase{"FullDifferencesNotHalved", {{0, 0, 101}}, {{1, {0, 0, 100}}, {0, {0, 0, 0}}}, {1}, 1},
        ErrorCase{"RootOfTheSum", {{3, 4, 12}}, {{0, {0, 0, 0}}}, {0}, 13}),
    testsupport::CaseName());

}  // namespace
