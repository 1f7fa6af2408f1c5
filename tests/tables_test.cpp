// The constant colour tables, each checked entry by entry against its defining
// rule (recomputed here in a different way) and against worked values.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "palette/tables.h"
#include "support/luminance.h"

using namespace dibdraw;
using testsupport::RoundedShare;

namespace {

struct StoredQuad {
    uint8_t bytes[4];  // in storage order: blue, green, red, reserved
};

StoredQuad Stored(int index)
{
    static_assert(sizeof(RGBQUAD) == 4);
    StoredQuad quad;
    std::memcpy(quad.bytes, &kFixedPalette[index], 4);
    return quad;
}

// The palette as an enumeration: blue slowest, red fastest, each channel
// walking down the six cube levels; then the grey ramp; then black.
std::vector<StoredQuad> EnumeratedFixedPalette()
{
    const int levels[6] = {255, 204, 153, 102, 51, 0};
    std::vector<StoredQuad> palette;
    for (int blue : levels) {
        for (int green : levels) {
            for (int red : levels) {
                palette.push_back({{uint8_t(blue), uint8_t(green), uint8_t(red), 0}});
            }
        }
    }
    for (int grey = 8; grey <= 248; grey += 8) {
        palette.push_back({{uint8_t(grey), uint8_t(grey), uint8_t(grey), 0}});
    }
    while (palette.size() < 256) {
        palette.push_back({{0, 0, 0, 0}});
    }
    return palette;
}

TEST(FixedPalette, EveryEntryFollowsTheRule)
{
    const std::vector<StoredQuad> expected = EnumeratedFixedPalette();
    ASSERT_EQ(expected.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const StoredQuad actual = Stored(i);
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(actual.bytes[b], expected[i].bytes[b]) << "entry " << i << " byte " << b;
        }
    }
}

TEST(FixedPalette, CubeIndexFromLevelIndices)
{
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                const RGBQUAD& entry = kFixedPalette[r + 6 * g + 36 * b];
                EXPECT_EQ(entry.rgbRed, 255 - 51 * r);
                EXPECT_EQ(entry.rgbGreen, 255 - 51 * g);
                EXPECT_EQ(entry.rgbBlue, 255 - 51 * b);
            }
        }
    }
}

struct StoredEntryCase {
    const char* name;
    int index;
    uint8_t bytes[4];
};

TEST(FixedPalette, StoredBytesOfNamedEntries)
{
    const StoredEntryCase cases[] = {
        {"white", 0, {255, 255, 255, 0}},       {"red one step down", 1, {255, 255, 204, 0}},
        {"no red", 5, {255, 255, 0, 0}},        {"green one step down", 6, {255, 204, 255, 0}},
        {"pure blue", 35, {255, 0, 0, 0}},      {"blue one step down", 36, {204, 255, 255, 0}},
        {"cube black", 215, {0, 0, 0, 0}},      {"first grey", 216, {8, 8, 8, 0}},
        {"last grey", 246, {248, 248, 248, 0}}, {"trailing black", 255, {0, 0, 0, 0}},
    };
    for (const StoredEntryCase& c : cases) {
        const StoredQuad actual = Stored(c.index);
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(actual.bytes[b], c.bytes[b]) << c.name << ": entry " << c.index << " byte " << b;
        }
    }
}

TEST(FixedPalette, BlackOccursTenTimes)
{
    std::vector<int> blacks;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& entry = kFixedPalette[i];
        if (entry.rgbRed == 0 && entry.rgbGreen == 0 && entry.rgbBlue == 0) {
            blacks.push_back(i);
        }
    }
    EXPECT_EQ(blacks, (std::vector<int>{215, 247, 248, 249, 250, 251, 252, 253, 254, 255}));
}

// The index, in the order 255, 204, ..., 0, of the level nearest to v.
int NearestCubeLevel(int v)
{
    int best = 0;
    for (int k = 1; k < 6; ++k) {
        const int distance = std::abs(v - (255 - 51 * k));
        const int bestDistance = std::abs(v - (255 - 51 * best));
        EXPECT_NE(distance, bestDistance) << "tie at " << v;
        if (distance < bestDistance) {
            best = k;
        }
    }
    return best;
}

TEST(CubeLevel, EveryEntryIsTheNearestLevel)
{
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(kCubeLevel[v], NearestCubeLevel(v)) << "v = " << v;
    }
}

TEST(CubeLevel, ChangesExactlyAtTheBoundaries)
{
    const int lastOfRange[] = {25, 76, 127, 178, 229};
    for (int k = 0; k < 5; ++k) {
        const int v = lastOfRange[k];
        EXPECT_EQ(kCubeLevel[v], 5 - k) << "v = " << v;
        EXPECT_EQ(kCubeLevel[v + 1], 4 - k) << "v = " << v + 1;
    }
    EXPECT_EQ(kCubeLevel[0], 5);
    EXPECT_EQ(kCubeLevel[255], 0);
    for (int v = 1; v < 256; ++v) {
        EXPECT_LE(kCubeLevel[v], kCubeLevel[v - 1]) << "not monotonic at " << v;
    }
}

TEST(BrightVgaIndex, NamedCodes)
{
    struct Case {
        const char* colour;
        int code;
        int index;
    };
    const Case cases[] = {{"black", 0, 0}, {"blue", 1, 12},   {"green", 2, 10},   {"cyan", 3, 14},
                          {"red", 4, 9},   {"magenta", 5, 13}, {"yellow", 6, 11}, {"white", 7, 15}};
    for (const Case& c : cases) {
        EXPECT_EQ(kBrightVgaIndex[c.code], c.index) << c.colour;
    }
}

// Each code names the entry of the standard 16-colour display palette whose
// channels are full exactly where the code's bits are set.
TEST(BrightVgaIndex, NamesTheFullIntensityColoursOfTheStandardPalette)
{
    const uint8_t standard16[16][3] = {
        {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    for (int code = 0; code < 8; ++code) {
        const uint8_t* triple = standard16[kBrightVgaIndex[code]];
        EXPECT_EQ(triple[0], (code & 4) != 0 ? 255 : 0) << "red of code " << code;
        EXPECT_EQ(triple[1], (code & 2) != 0 ? 255 : 0) << "green of code " << code;
        EXPECT_EQ(triple[2], (code & 1) != 0 ? 255 : 0) << "blue of code " << code;
    }
}

TEST(Luma, EveryEntryIsTheRoundedShare)
{
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(kLumaRed[v], RoundedShare(30, v)) << "red " << v;
        EXPECT_EQ(kLumaGreen[v], RoundedShare(59, v)) << "green " << v;
        EXPECT_EQ(kLumaBlue[v], RoundedShare(11, v)) << "blue " << v;
    }
}

TEST(Luma, HighestEntriesAndGreySums)
{
    EXPECT_EQ(kLumaRed[255], 77);
    EXPECT_EQ(kLumaGreen[255], 150);
    EXPECT_EQ(kLumaBlue[255], 28);
    for (int v = 0; v < 256; ++v) {
        const int sum = kLumaRed[v] + kLumaGreen[v] + kLumaBlue[v];
        EXPECT_LE(std::abs(sum - v), 1) << "grey " << v << " sums to " << sum;
    }
}

TEST(Luma, NamedValues)
{
    struct Case {
        const char* name;
        int actual;
        int expected;
    };
    const Case cases[] = {
        {"red 5 (half up)", kLumaRed[5], 2},
        {"red 15 (half up)", kLumaRed[15], 5},
        {"green 50 (half up)", kLumaGreen[50], 30},
        {"blue 50 (half up)", kLumaBlue[50], 6},
        {"green 150 (half up)", kLumaGreen[150], 89},
        {"blue 150 (half up)", kLumaBlue[150], 17},
        {"red 128", kLumaRed[128], 38},
        {"green 128", kLumaGreen[128], 76},
        {"blue 128", kLumaBlue[128], 14},
        {"sum at 255", kLumaRed[255] + kLumaGreen[255] + kLumaBlue[255], 255},
        {"sum at 128", kLumaRed[128] + kLumaGreen[128] + kLumaBlue[128], 128},
        {"sum at 5", kLumaRed[5] + kLumaGreen[5] + kLumaBlue[5], 6},
        {"sum at 4", kLumaRed[4] + kLumaGreen[4] + kLumaBlue[4], 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.name;
    }
}

// The Bayer matrix of size 2n from that of size n: each entry of the smaller
// matrix becomes a 2 x 2 block 4m + {0, 2; 3, 1}.
std::vector<std::vector<int>> Bayer(int size)
{
    if (size == 1) {
        return {{0}};
    }
    const int half = size / 2;
    const std::vector<std::vector<int>> smaller = Bayer(half);
    const int offset[2][2] = {{0, 2}, {3, 1}};
    std::vector<std::vector<int>> matrix(size, std::vector<int>(size));
    for (int x = 0; x < size; ++x) {
        for (int y = 0; y < size; ++y) {
            matrix[x][y] = 4 * smaller[x % half][y % half] + offset[x / half][y / half];
        }
    }
    return matrix;
}

TEST(DitherMatrix, IsTheBayerMatrixTimesFour)
{
    const std::vector<std::vector<int>> bayer = Bayer(8);
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            EXPECT_EQ(kDitherMatrix[8 * x + y], 4 * bayer[x][y]) << "column " << x << " row " << y;
        }
    }
}

TEST(DitherMatrix, HoldsEachMultipleOfFourOnce)
{
    std::array<int, 64> seen{};
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(kDitherMatrix[i] % 4, 0) << "entry " << i;
        ++seen[kDitherMatrix[i] / 4];
    }
    for (int k = 0; k < 64; ++k) {
        EXPECT_EQ(seen[k], 1) << "value " << 4 * k;
    }
}

TEST(DitherMatrix, NamedEntries)
{
    EXPECT_EQ(kDitherMatrix[0], 0);
    EXPECT_EQ(kDitherMatrix[1], 128);
    EXPECT_EQ(kDitherMatrix[8], 192);
    EXPECT_EQ(kDitherMatrix[63], 84);
}

}  // namespace
