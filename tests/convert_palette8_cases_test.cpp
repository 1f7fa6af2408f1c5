// Named cases for the 256-colour converters: worked examples of the cube and
// grey-ramp quantization, the ordered dithers, error diffusion and its
// truncation, 4-bit and 1-bit row reading; the 4-bit members against the
// 8-bit member of the same method; and the choice among them.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "dibdraw32/Diagnostics.h"
#include "palette8_harness.h"
#include "support/test_support.h"
#include "support/converter_named.h"

using namespace palette8test;
using testsupport::Random;

namespace {

// A colour map that is a permutation, so each output names the fixed-palette
// entry it came from.
uint8_t Mapped(int fixedEntry)
{
    return static_cast<uint8_t>(fixedEntry * 37 + 11);
}

void UsePermutedMap(VyrBlitter& blitter)
{
    for (int j = 0; j < 256; ++j) {
        blitter.m_colorMap[j] = Mapped(j);
    }
}

// Identity map onto a display palette that holds the fixed palette's colours.
void UseFixedPaletteDisplay(VyrBlitter& blitter)
{
    for (int j = 0; j < 256; ++j) {
        blitter.m_colorMap[j] = static_cast<uint8_t>(j);
        uint8_t* color = blitter.m_systemPalette + 3 * j;
        if (j < 216) {
            color[0] = static_cast<uint8_t>(255 - 51 * (j % 6));
            color[1] = static_cast<uint8_t>(255 - 51 * (j / 6 % 6));
            color[2] = static_cast<uint8_t>(255 - 51 * (j / 36));
        } else {
            const int grey = j <= 246 ? 8 * (j - 215) : 0;
            color[0] = color[1] = color[2] = static_cast<uint8_t>(grey);
        }
    }
}

// A grey table whose entry k has level levels[k].
std::vector<uint8_t> GreyTable(const std::vector<int>& levels, int entries)
{
    std::vector<uint8_t> triples(3 * static_cast<size_t>(entries), 0);
    for (size_t k = 0; k < levels.size(); ++k) {
        triples[3 * k] = triples[3 * k + 1] = triples[3 * k + 2] = static_cast<uint8_t>(levels[k]);
    }
    return triples;
}

std::vector<uint8_t> Convert(Palette8Rig& rig, BlitterFn fn, const std::vector<uint8_t>& src, int count)
{
    bool guardsIntact = false;
    std::vector<uint8_t> out = rig.Convert(fn, src, count, guardsIntact);
    EXPECT_TRUE(guardsIntact) << "wrote past the destination row";
    return out;
}

// ---- Mode 1 ---------------------------------------------------------------

struct CubeCase {
    const char* name;
    uint8_t red, green, blue;
    int cubeEntry;
};

TEST(Palette8Mode1, ColourPixelsTakeTheNearestCubeEntry)
{
    const CubeCase cases[] = {
        {"red 255 green 128 blue 0", 255, 128, 0, 192},
        {"white", 255, 255, 255, 0},
        {"black", 0, 0, 0, 215},
        {"pure blue", 0, 0, 255, 35},
        {"level boundaries 25/26/230", 25, 26, 230, 5 + 6 * 4 + 36 * 0},
    };
    for (const CubeCase& c : cases) {
        Palette8Rig rig(1);
        UsePermutedMap(rig.blitter());
        rig.SetImagePalette({c.red, c.green, c.blue, 1, 2, 3});
        const std::vector<uint8_t> expected = {Mapped(c.cubeEntry)};
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit24To8Mode1"), {c.blue, c.green, c.red}, 1), expected) << c.name;
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit8To8Mode1"), {0}, 1), expected) << c.name << ", 8-bit";
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mode1"), {0x01}, 1), expected) << c.name << ", 4-bit";
    }
}

TEST(Palette8Mode1, GreyLevelsTakeTheStepAtOrBelow)
{
    const struct {
        int level;
        int entry;
    } cases[] = {{0, 215}, {3, 215}, {7, 215}, {8, 216}, {100, 227}, {247, 245}, {248, 246}, {255, 246}};
    for (const auto& c : cases) {
        Palette8Rig rig(1);
        UsePermutedMap(rig.blitter());
        rig.SetImagePalette(GreyTable({c.level}, 256));
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit8To8Mode1Gray"), {0}, 1)[0], Mapped(c.entry)) << "grey " << c.level;
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mode1Gray"), {0x00}, 1)[0], Mapped(c.entry))
            << "grey " << c.level << ", 4-bit";
    }
}

// ---- Ordered dither -------------------------------------------------------

TEST(Palette8OrderedDither, MatrixIsBiasedForTheDisplay)
{
    Palette8Rig rig;
    EXPECT_EQ(static_cast<int8_t>(rig.blitter().m_ditherMatrix[0]), -25);
    EXPECT_EQ(static_cast<int8_t>(rig.blitter().m_ditherMatrix[8]), 13);
    EXPECT_EQ(static_cast<int8_t>(rig.blitter().m_ditherMatrix[56]), 25);
}

struct DitherCase {
    const char* name;
    BlitterFn fn;
    int rowCounter;
    int column;
    int value;  // red = green = blue, or the grey level
    int entry;
};

TEST(Palette8OrderedDither, WorkedPixels)
{
    using namespace dibdraw;
    const DitherCase cases[] = {
        {"mode 3, column 0: 30 - 25 = 5, black", testsupport::Converter("Blit24To8Mode3"), 0, 0, 30, 215},
        {"mode 3, column 1: 30 + 13 = 43, cube 51", testsupport::Converter("Blit24To8Mode3"), 0, 1, 30, 172},
        {"mode 0, column 0", testsupport::Converter("Blit24To8Mode0"), 0, 0, 30, 215},
        {"mode 0, column 1", testsupport::Converter("Blit24To8Mode0"), 0, 1, 30, 172},
        {"mode 3, row 1 column 0: d = 0, 30 stays", testsupport::Converter("Blit24To8Mode3"), 1, 0, 30, 172},
        {"mode 0, row 1 column 0", testsupport::Converter("Blit24To8Mode0"), 1, 0, 30, 172},
        {"mode 3, row 8 repeats row 0", testsupport::Converter("Blit24To8Mode3"), 8, 1, 30, 172},
        {"mode 3, column 9 repeats column 1", testsupport::Converter("Blit24To8Mode3"), 0, 9, 30, 172},
        {"8-bit, mode 3, column 1", testsupport::Converter("Blit8To8Mode3"), 0, 1, 30, 172},
        {"4-bit, mode 0, column 1", testsupport::Converter("Blit4To8Mode0"), 0, 1, 30, 172},
        {"clamped high: 250 + 13", testsupport::Converter("Blit24To8Mode3"), 0, 1, 250, 0},
        {"clamped low: 10 - 25", testsupport::Converter("Blit24To8Mode3"), 0, 0, 10, 215},
        {"grey mode 3: 100 + (-25 >> 3) = 96", testsupport::Converter("Blit8To8Mode3Gray"), 0, 0, 100, 227},
        {"grey mode 0: 100 - 4 = 96", testsupport::Converter("Blit8To8Mode0Gray"), 0, 0, 100, 227},
        {"grey mode 3: 104 - 4 = 100", testsupport::Converter("Blit4To8Mode3Gray"), 0, 0, 104, 227},
        {"grey mode 3: 104 + (13 >> 3) = 105", testsupport::Converter("Blit8To8Mode3Gray"), 0, 1, 104, 228},
        {"grey clamped high: 254 + 3", testsupport::Converter("Blit8To8Mode3Gray"), 0, 7, 254, 246},
        {"grey clamped low: 2 - 4", testsupport::Converter("Blit4To8Mode0Gray"), 0, 0, 2, 215},
    };
    for (const DitherCase& c : cases) {
        Palette8Rig rig;
        UsePermutedMap(rig.blitter());
        rig.blitter().m_rowCounter = c.rowCounter;
        const int count = c.column + 1;
        // Every pixel of the row names entry 0 (or is the colour itself).
        rig.SetImagePalette(GreyTable({c.value}, 256));
        std::vector<uint8_t> row;
        if (c.fn == testsupport::Converter("Blit24To8Mode3") || c.fn == testsupport::Converter("Blit24To8Mode0")) {
            row.assign(3 * static_cast<size_t>(count), static_cast<uint8_t>(c.value));
        } else {
            row.assign(static_cast<size_t>(count), 0);
        }
        EXPECT_EQ(Convert(rig, c.fn, row, count)[c.column], Mapped(c.entry)) << c.name;
    }
}

// ---- Error diffusion -------------------------------------------------------

TEST(Palette8Diffusion, FirstPixelOfABlitIsConvertedAsWithoutDither)
{
    Random random(20240);
    for (int trial = 0; trial < 200; ++trial) {
        Palette8Rig rig(2);
        for (auto& entry : rig.blitter().m_colorMap) {
            entry = random.Byte();
        }
        rig.AllocateErrorRow(ErrorLayout::Color, 1);
        const std::vector<uint8_t> pixel = random.Bytes(3);
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit24To8Mode2"), pixel, 1), Convert(rig, testsupport::Converter("Blit24To8Mode1"), pixel, 1))
            << "trial " << trial;
    }
}

struct TruncationCase {
    const char* name;
    int error;          // grey level 100 against the shown colour
    int carriedBelow;   // E[0] after a one-pixel row: 5 x the truncated error
};

TEST(Palette8Diffusion, ErrorsAreTruncatedTowardZero)
{
    const TruncationCase cases[] = {
        {"+3 is dropped", 3, 0},      {"-3 is dropped", -3, 0},   {"+7 becomes 4", 7, 20},
        {"-7 becomes -4", -7, -20},   {"+4 stays", 4, 20},        {"-4 stays", -4, -20},
        {"0", 0, 0},                  {"+99 becomes 96", 99, 480}, {"-98 becomes -96", -98, -480},
    };
    for (const TruncationCase& c : cases) {
        Palette8Rig rig(2);
        UseFixedPaletteDisplay(rig.blitter());
        rig.blitter().m_systemPalette[3 * 227] = static_cast<uint8_t>(100 - c.error);
        rig.SetImagePalette(GreyTable({100}, 256));
        rig.AllocateErrorRow(ErrorLayout::Grey, 1);
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit8To8Mode2Gray"), {0}, 1)[0], 227) << c.name;
        EXPECT_EQ(rig.ErrorTerm(0, 0), c.carriedBelow) << c.name;
    }

    // The colour layout truncates each channel by itself.
    Palette8Rig rig(2);
    UseFixedPaletteDisplay(rig.blitter());
    const int cube = 3 + 6 * 3 + 36 * 3;  // 100 is nearest to level 102
    uint8_t* shown = rig.blitter().m_systemPalette + 3 * cube;
    shown[0] = 100 - 3;
    shown[1] = 100 + 7;
    shown[2] = 100 - 7;
    rig.AllocateErrorRow(ErrorLayout::Color, 1);
    EXPECT_EQ(Convert(rig, testsupport::Converter("Blit24To8Mode2"), {100, 100, 100}, 1)[0], cube);
    EXPECT_EQ(rig.ErrorTerm(0, 0), 0) << "red +3";
    EXPECT_EQ(rig.ErrorTerm(0, 1), -20) << "green -7";
    EXPECT_EQ(rig.ErrorTerm(0, 2), 20) << "blue +7";
}

TEST(Palette8Diffusion, RightShareRoundsTowardMinusInfinity)
{
    // Pixel 0 leaves -4 (100 against 107): 105 + (7 x -4) >> 4 = 105 - 2 = 103,
    // the step of 96; rounding toward zero would give 104, the step of 104.
    Palette8Rig rig(2);
    UseFixedPaletteDisplay(rig.blitter());
    rig.blitter().m_systemPalette[3 * 227] = 107;
    rig.SetImagePalette(GreyTable({100, 105}, 256));
    rig.AllocateErrorRow(ErrorLayout::Grey, 2);
    const std::vector<uint8_t> expected = {227, 227};
    EXPECT_EQ(Convert(rig, testsupport::Converter("Blit8To8Mode2Gray"), {0, 1}, 2), expected);
}

TEST(Palette8Diffusion, GreyRowsOfOneHundredOnTheFixedPalette)
{
    const struct {
        std::array<uint8_t, 4> indices;
        std::array<int, 4> errors;
    } rows[] = {
        {{227, 227, 227, 227}, {32, 36, 36, 24}},
        {{227, 228, 227, 227}, {20, 16, 32, 24}},
        {{227, 227, 227, 227}, {32, 36, 36, 24}},
        {{227, 228, 227, 227}, {20, 16, 32, 24}},
    };
    const struct {
        const char* name;
        BlitterFn fn;
        std::vector<uint8_t> row;
    } members[] = {
        {"Blit8To8Mode2Gray", testsupport::Converter("Blit8To8Mode2Gray"), {5, 5, 5, 5}},
        {"Blit4To8Mode2Gray", testsupport::Converter("Blit4To8Mode2Gray"), {0x55, 0x55}},
    };
    for (const auto& member : members) {
        Palette8Rig rig(2);
        UseFixedPaletteDisplay(rig.blitter());
        rig.SetImagePalette(GreyTable({0, 0, 0, 0, 0, 100}, 256));
        rig.AllocateErrorRow(ErrorLayout::Grey, 4);
        for (size_t r = 0; r < std::size(rows); ++r) {
            rig.blitter().m_rowCounter = static_cast<int32_t>(r);
            const std::vector<uint8_t> out = Convert(rig, member.fn, member.row, 4);
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(out[i], rows[r].indices[i]) << member.name << " row " << r << " pixel " << i;
                EXPECT_EQ(rig.ErrorTerm(i, 0), rows[r].errors[i]) << member.name << " row " << r << " entry " << i;
            }
        }
        EXPECT_TRUE(rig.ErrorGuardsIntact()) << member.name;
    }
}

// ---- Reading 4-bit and 1-bit rows ------------------------------------------

TEST(Palette8SourceRows, FourBitByteHoldsTwoPixelsHighNibbleFirst)
{
    Palette8Rig rig(1);
    UsePermutedMap(rig.blitter());
    EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mapped"), {0x3A}, 2), (std::vector<uint8_t>{Mapped(3), Mapped(10)}));
    EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mapped"), {0x3A}, 1), (std::vector<uint8_t>{Mapped(3)}));

    std::vector<uint8_t> palette(48, 0);
    palette[3 * 3] = 255;       // entry 3: red, cube entry 5 * 6 + 5 * 36 = 210
    palette[3 * 10 + 2] = 255;  // entry 10: blue, cube entry 5 + 5 * 6 = 35
    rig.SetImagePalette(palette);
    EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mode1"), {0x3A}, 2), (std::vector<uint8_t>{Mapped(210), Mapped(35)}));
    EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mode1"), {0x3A}, 1), (std::vector<uint8_t>{Mapped(210)}));
}

TEST(Palette8SourceRows, FourBitDiffusionUsesTheEntryOfEachOutputPixel)
{
    // Entry 3 is grey 100, entry 10 grey 200.
    const std::vector<uint8_t> palette = GreyTable({0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 200}, 16);

    // Count 1: the high nibble is the last pixel; its error is recorded and
    // the next entry is left alone.
    {
        Palette8Rig rig(2);
        UseFixedPaletteDisplay(rig.blitter());
        rig.SetImagePalette(palette);
        rig.AllocateErrorRow(ErrorLayout::Grey, 2);
        rig.SetErrorTerm(1, 0, 1234);
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mode2Gray"), {0x3A}, 1), (std::vector<uint8_t>{227}));
        EXPECT_EQ(rig.ErrorTerm(0, 0), 20) << "100 against 96";
        EXPECT_EQ(rig.ErrorTerm(1, 0), 1234) << "entry past the row";
    }
    // Count 2: the low nibble reads E[1]: 200 + (7 x 4 + 160) >> 4 = 211, the
    // step of 208; its error 3 is dropped.
    {
        Palette8Rig rig(2);
        UseFixedPaletteDisplay(rig.blitter());
        rig.SetImagePalette(palette);
        rig.AllocateErrorRow(ErrorLayout::Grey, 2);
        rig.SetErrorTerm(1, 0, 160);
        EXPECT_EQ(Convert(rig, testsupport::Converter("Blit4To8Mode2Gray"), {0x3A}, 2), (std::vector<uint8_t>{227, 241}));
        EXPECT_EQ(rig.ErrorTerm(0, 0), 20);
        EXPECT_EQ(rig.ErrorTerm(1, 0), 4);
    }
}

TEST(Palette8SourceRows, OneBitImageOfBlackAndWhiteIsNeverDithered)
{
    for (int mode = 0; mode < 4; ++mode) {
        Palette8Rig rig(mode);
        UsePermutedMap(rig.blitter());
        rig.SetImagePalette({0, 0, 0, 255, 255, 255});
        rig.AllocateErrorRow(ErrorLayout::Color, 8);
        ASSERT_EQ(rig.blitter().AssignBlitterFn(1, 0), 0) << "mode " << mode;
        EXPECT_STREQ(ConverterName(rig.blitter().m_convert), "Blit1To8") << "mode " << mode;
        const uint8_t black = Mapped(215);
        const uint8_t white = Mapped(0);
        for (int32_t rowCounter : {0, 1, 5}) {
            rig.blitter().m_rowCounter = rowCounter;
            EXPECT_EQ(Convert(rig, rig.blitter().m_convert, {0xB2}, 8),
                      (std::vector<uint8_t>{white, black, white, white, black, black, white, black}))
                << "mode " << mode << " row " << rowCounter;
        }
    }
}

TEST(Palette8SourceRows, OneBitRowStartsAtTheBitOffset)
{
    // Offset 3 with count 5 uses bits 3..7 of the only byte: 1, 0, 1, 1, 0.
    Palette8Rig rig;
    UsePermutedMap(rig.blitter());
    rig.SetImagePalette({0, 0, 0, 255, 255, 255});
    rig.blitter().m_srcBitOffset = 3;
    const uint8_t clear = Mapped(0);
    const uint8_t set = Mapped(1);
    EXPECT_EQ(Convert(rig, dibdraw::Blit1To8Mapped, {0x16}, 5), (std::vector<uint8_t>{set, clear, set, set, clear}));
    EXPECT_EQ(Convert(rig, dibdraw::Blit1To8, {0x16}, 5),
              (std::vector<uint8_t>{Mapped(0), Mapped(215), Mapped(0), Mapped(0), Mapped(215)}));
    // Offset 6 with count 3 crosses into the second byte.
    rig.blitter().m_srcBitOffset = 6;
    EXPECT_EQ(Convert(rig, dibdraw::Blit1To8Mapped, {0x02, 0x80}, 3), (std::vector<uint8_t>{set, clear, set}));
}

// ---- 4-bit members against the 8-bit member of the same method -------------

TEST(Palette8SourceRows, FourBitMembersEqualTheEightBitMember)
{
    using namespace dibdraw;
    const struct {
        const char* name;
        BlitterFn fourBit;
        BlitterFn eightBit;
        int mode;
        bool grey;
    } pairs[] = {
        {"mapped", testsupport::Converter("Blit4To8Mapped"), testsupport::Converter("Blit8To8Mapped"), 0, false},
        {"mode 0", testsupport::Converter("Blit4To8Mode0"), testsupport::Converter("Blit8To8Mode0"), 0, false},
        {"mode 1", testsupport::Converter("Blit4To8Mode1"), testsupport::Converter("Blit8To8Mode1"), 1, false},
        {"mode 2", testsupport::Converter("Blit4To8Mode2"), testsupport::Converter("Blit8To8Mode2"), 2, false},
        {"mode 3", testsupport::Converter("Blit4To8Mode3"), testsupport::Converter("Blit8To8Mode3"), 3, false},
        {"mode 0 grey", testsupport::Converter("Blit4To8Mode0Gray"), testsupport::Converter("Blit8To8Mode0Gray"), 0, true},
        {"mode 1 grey", testsupport::Converter("Blit4To8Mode1Gray"), testsupport::Converter("Blit8To8Mode1Gray"), 1, true},
        {"mode 2 grey", testsupport::Converter("Blit4To8Mode2Gray"), testsupport::Converter("Blit8To8Mode2Gray"), 2, true},
        {"mode 3 grey", testsupport::Converter("Blit4To8Mode3Gray"), testsupport::Converter("Blit8To8Mode3Gray"), 3, true},
    };
    uint64_t seed = 0;
    for (const auto& pair : pairs) {
        const ErrorLayout layout = pair.grey ? ErrorLayout::Grey : ErrorLayout::Color;
        for (int width = 0; width <= 41; ++width) {
            Random random(++seed);
            Palette8Rig four(pair.mode);
            Palette8Rig eight(pair.mode);
            std::vector<uint8_t> palette = random.Bytes(768);
            if (pair.grey) {
                for (int k = 0; k < 256; ++k) {
                    palette[3 * k + 1] = palette[3 * k + 2] = palette[3 * k];
                }
            }
            four.SetImagePalette(std::vector<uint8_t>(palette.begin(), palette.begin() + 48));
            eight.SetImagePalette(palette);
            for (Palette8Rig* rig : {&four, &eight}) {
                rig->AllocateErrorRow(layout, width);
            }
            for (int j = 0; j < 256; ++j) {
                four.blitter().m_colorMap[j] = eight.blitter().m_colorMap[j] = random.Byte();
            }
            for (int j = 0; j < 768; ++j) {
                four.blitter().m_systemPalette[j] = eight.blitter().m_systemPalette[j] = random.Byte();
            }
            for (int row = 0; row < 4; ++row) {
                four.blitter().m_rowCounter = eight.blitter().m_rowCounter = row + 3;
                const std::vector<uint8_t> packed = random.Bytes(static_cast<size_t>(width + 1) / 2);
                std::vector<uint8_t> bytes(static_cast<size_t>(width));
                for (int i = 0; i < width; ++i) {
                    bytes[i] = i % 2 == 0 ? packed[i / 2] >> 4 : packed[i / 2] & 0x0F;
                }
                ASSERT_EQ(Convert(four, pair.fourBit, packed, width), Convert(eight, pair.eightBit, bytes, width))
                    << pair.name << " seed " << seed << " width " << width << " row " << row;
                ASSERT_EQ(four.ErrorRowBytes(), eight.ErrorRowBytes())
                    << pair.name << " seed " << seed << " width " << width << " row " << row << ": error rows";
            }
        }
    }
}

// ---- Choosing among them ----------------------------------------------------

struct ChoiceCase {
    const char* name;
    int srcBits;
    int flag;
    int mode;
    int greyEntries;  // leading entries of the image palette with r = g = b; the rest are not grey
    const char* expected;  // null: -1032 and m_convert unchanged
};

TEST(Palette8Selection, TableOnA256ColourDisplay)
{
    const ChoiceCase cases[] = {
        {"1-bit, flag", 1, 1, 0, 0, "Blit1To8Mapped"},
        {"1-bit, any mode", 1, 0, 2, 0, "Blit1To8"},
        {"1-bit, invalid mode", 1, 0, 5, 0, "Blit1To8"},
        {"4-bit, flag", 4, 1, 3, 256, "Blit4To8Mapped"},
        {"4-bit, mode 0", 4, 0, 0, 0, "Blit4To8Mode0"},
        {"4-bit, mode 1 grey", 4, 0, 1, 16, "Blit4To8Mode1Gray"},
        {"4-bit, grey test over 16 entries only", 4, 0, 2, 16, "Blit4To8Mode2Gray"},
        {"4-bit, entry 15 not grey", 4, 0, 3, 15, "Blit4To8Mode3"},
        {"4-bit, invalid mode", 4, 0, 4, 256, nullptr},
        {"8-bit, flag, invalid mode", 8, 1, 5, 0, "Blit8To8Mapped"},
        {"8-bit, mode 2 grey", 8, 0, 2, 256, "Blit8To8Mode2Gray"},
        {"8-bit, mode 0 grey", 8, 0, 0, 256, "Blit8To8Mode0Gray"},
        {"8-bit, entry 255 not grey", 8, 0, 2, 255, "Blit8To8Mode2"},
        {"8-bit, 16 grey entries are not enough", 8, 0, 1, 16, "Blit8To8Mode1"},
        {"8-bit, mode 3", 8, 0, 3, 0, "Blit8To8Mode3"},
        {"8-bit, invalid mode", 8, 0, 5, 256, nullptr},
        {"8-bit, negative mode", 8, 0, -1, 0, nullptr},
        {"24-bit ignores the flag", 24, 1, 3, 256, "Blit24To8Mode3"},
        {"24-bit, mode 0", 24, 0, 0, 256, "Blit24To8Mode0"},
        {"24-bit, mode 1", 24, 0, 1, 0, "Blit24To8Mode1"},
        {"24-bit, mode 2", 24, 0, 2, 0, "Blit24To8Mode2"},
        {"24-bit, invalid mode", 24, 1, 4, 0, nullptr},
        {"16-bit", 16, 0, 0, 256, nullptr},
    };
    for (const ChoiceCase& c : cases) {
        Palette8Rig rig(c.mode);
        std::vector<uint8_t> palette = GreyTable(std::vector<int>(static_cast<size_t>(c.greyEntries), 77), 256);
        for (int k = c.greyEntries; k < 256; ++k) {
            palette[3 * k] = 10;
            palette[3 * k + 1] = 10;
            palette[3 * k + 2] = 11;
        }
        rig.SetImagePalette(palette);
        rig.blitter().m_convert = dibdraw::Blit24To24;
        const short result = rig.blitter().AssignBlitterFn(c.srcBits, c.flag);
        if (c.expected == nullptr) {
            EXPECT_EQ(result, -1032) << c.name;
            EXPECT_STREQ(ConverterName(rig.blitter().m_convert), "Blit24To24") << c.name;
        } else {
            EXPECT_EQ(result, 0) << c.name;
            EXPECT_STREQ(ConverterName(rig.blitter().m_convert), c.expected) << c.name;
        }
    }
}

}  // namespace
