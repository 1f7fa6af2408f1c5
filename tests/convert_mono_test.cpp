// The monochrome display converters against a slow reference written from the
// rules: luminance from the weights, the thresholds and dither matrices, error
// diffusion with its own error row, and the 1-bit copy with its inversion.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "convert/converters.h"
#include "dibdraw32/BlitResult.h"
#include "dibdraw32/Diagnostics.h"
#include "memkit40.h"
#include "support/error_diffusion.h"
#include "support/luminance.h"
#include "support/named_case.h"
#include "support/source_pixels.h"
#include "support/test_support.h"
#include "support/converter_named.h"

using namespace testsupport;

namespace {

using testsupport::PrintTo;

struct Color {
    int red;
    int green;
    int blue;
};

int OutputBytes(int count)
{
    return count <= 0 ? 0 : (count + 7) / 8;
}

// One monochrome conversion, pixel by pixel, keeping its own error row.
class MonoReference {
public:
    MonoReference(int srcBits, int mode, const uint8_t* matrix, int rowsMod, int colsMod, int width)
        : m_srcBits(srcBits), m_mode(mode), m_matrix(matrix), m_rowsMod(rowsMod), m_colsMod(colsMod),
          m_diffusion(width, 1)
    {
    }

    std::vector<uint8_t> Convert(const std::vector<uint8_t>& row, const std::vector<uint8_t>& palette, int count,
                                 int rowCounter)
    {
        std::vector<uint8_t> out(OutputBytes(count), 0);
        auto setLight = [&](int i) { out[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8)); };
        auto luminance = [&](int i) {
            const std::array<int, 3> c = SourceColor(m_srcBits, row, palette.data(), i);
            return Luminance(c[0], c[1], c[2]);
        };
        if (m_mode == 2) {
            m_diffusion.Row(
                count, [&](int i) { return ErrorDiffusionReference::Levels{luminance(i), 0, 0}; },
                [&](int i, const ErrorDiffusionReference::Levels& y) {
                    if (Light(y[0])) {
                        setLight(i);
                    }
                    return ErrorDiffusionReference::Levels{TwoLevelShown(y[0]), 0, 0};
                });
            return out;
        }
        for (int i = 0; i < count; ++i) {
            const int y = luminance(i);
            bool light = false;
            switch (m_mode) {
            case 0:
                light = y > m_matrix[(i % m_colsMod) * m_rowsMod + rowCounter % m_rowsMod];
                break;
            case 1:
                light = Light(y);
                break;
            default:
                light = y > m_matrix[(i % 8) * 8 + rowCounter % 8];
                break;
            }
            if (light) {
                setLight(i);
            }
        }
        return out;
    }

    int Error(int i) const { return m_diffusion.Error(i, 0); }

private:
    int m_srcBits;
    int m_mode;
    const uint8_t* m_matrix;
    int m_rowsMod;
    int m_colsMod;
    ErrorDiffusionReference m_diffusion;
};

// A blitter on a monochrome display with an owned, zeroed error row of
// exactly `width` entries, so that reaching past it is caught by the sanitizer.
struct MonoDisplay {
    MonoDisplay() { ConfigureDisplay(vd::Kind::Mono); }
};

struct MonoBlitter : MonoDisplay {
    explicit MonoBlitter(int mode, int width) : blitter(mode, 0)
    {
        const size_t bytes = 4 * static_cast<size_t>(width > 0 ? width : 0);
        blitter.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(static_cast<uint32_t>(bytes)));
        std::memset(blitter.m_errorRow, 0, bytes);
    }
    ~MonoBlitter() { blitter.m_imagePalette = nullptr; }

    int32_t Error(int i) const
    {
        int32_t value;
        std::memcpy(&value, blitter.m_errorRow + 4 * i, 4);
        return value;
    }

    VyrBlitter blitter;
};

struct MonoConverter {
    BlitterFn fn;  // names the case
    int srcBits;
    int mode;
};

const MonoConverter kColourConverters[] = {
    {testsupport::Converter("Blit24To1Mode0"), 24, 0}, {testsupport::Converter("Blit24To1Mode1"), 24, 1},
    {testsupport::Converter("Blit24To1Mode2"), 24, 2}, {testsupport::Converter("Blit24To1Mode3"), 24, 3},
    {testsupport::Converter("Blit8To1Mode0"), 8, 0},   {testsupport::Converter("Blit8To1Mode1"), 8, 1},
    {testsupport::Converter("Blit8To1Mode2"), 8, 2},   {testsupport::Converter("Blit8To1Mode3"), 8, 3},
    {testsupport::Converter("Blit4To1Mode0"), 4, 0},   {testsupport::Converter("Blit4To1Mode1"), 4, 1},
    {testsupport::Converter("Blit4To1Mode2"), 4, 2},   {testsupport::Converter("Blit4To1Mode3"), 4, 3},
};

// Every width up to 40, which covers rows shorter than, equal to and between
// the vector blocks of 16 pixels, then a few longer ones.
const std::vector<int> kWidths = [] {
    std::vector<int> widths;
    for (int width = 0; width <= 40; ++width) {
        widths.push_back(width);
    }
    widths.insert(widths.end(), {47, 63, 64, 65, 70, 257});
    return widths;
}();
constexpr int kCasesPerWidth = 6;
constexpr int kRowsPerCase = 5;

class MonoConverterTest : public ::testing::TestWithParam<MonoConverter> {};

// A palette whose entries are often grey around the middle, where the
// thresholds and the diffused values decide.
std::vector<uint8_t> RandomPalette(Random& random, int entries)
{
    std::vector<uint8_t> palette(3 * entries);
    for (int k = 0; k < entries; ++k) {
        if (random.Between(0, 2) == 0) {
            const uint8_t grey = static_cast<uint8_t>(random.Between(96, 160));
            palette[3 * k] = palette[3 * k + 1] = palette[3 * k + 2] = grey;
        } else {
            palette[3 * k] = random.Byte();
            palette[3 * k + 1] = random.Byte();
            palette[3 * k + 2] = random.Byte();
        }
    }
    return palette;
}

TEST_P(MonoConverterTest, MatchesTheReference)
{
    const MonoConverter& converter = GetParam();
    int caseIndex = 0;
    for (const int width : kWidths) {
        for (int repeat = 0; repeat < kCasesPerWidth; ++repeat, ++caseIndex) {
            const uint64_t seed = 1000u * static_cast<uint64_t>(converter.srcBits * 4 + converter.mode) + caseIndex;
            Random random(seed);
            MonoBlitter mono(converter.mode, width);
            VyrBlitter& blitter = mono.blitter;
            ASSERT_EQ(blitter.m_displayDepth, 1);

            // Mode 0 honours whatever periods the object holds; the first case
            // of each width keeps the 8 x 8 ones that the object is built with.
            if (converter.mode == 0 && repeat != 0) {
                blitter.m_ditherRowsMod = static_cast<uint8_t>(random.Between(1, 8));
                blitter.m_ditherColsMod = static_cast<uint8_t>(random.Between(1, 8));
            }
            std::vector<uint8_t> palette;
            if (converter.srcBits != 24) {
                palette = RandomPalette(random, converter.srcBits == 8 ? 256 : 16);
                blitter.m_imagePalette = palette.data();
            }
            int rowCounter = random.Between(0, 100000);
            MonoReference reference(converter.srcBits, converter.mode, blitter.m_ditherMatrix,
                                    blitter.m_ditherRowsMod, blitter.m_ditherColsMod, width);

            for (int row = 0; row < kRowsPerCase; ++row, ++rowCounter) {
                const std::vector<uint8_t> src = random.Bytes(SourceRowBytes(converter.srcBits, width));
                GuardedBuffer dst(OutputBytes(width));
                for (size_t b = 0; b < dst.size(); ++b) {
                    dst[b] = random.Byte();
                }
                blitter.m_rowCounter = rowCounter;
                converter.fn(&blitter, src.data(), dst.data(), width);

                const std::string where = NameOf(converter) + " seed " + std::to_string(seed) +
                                          " width " + std::to_string(width) + " row " + std::to_string(row) +
                                          " m_rowCounter " + std::to_string(rowCounter) + " periods " +
                                          std::to_string(blitter.m_ditherColsMod) + "x" +
                                          std::to_string(blitter.m_ditherRowsMod);
                const std::vector<uint8_t> expected = reference.Convert(src, palette, width, rowCounter);
                const std::string difference = FirstDifference(dst.data(), expected, 1);
                ASSERT_TRUE(difference.empty()) << where << ": " << difference;
                ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
                ASSERT_EQ(blitter.m_rowCounter, rowCounter) << where;
                for (int i = 0; i < width; ++i) {
                    ASSERT_EQ(mono.Error(i), reference.Error(i)) << where << ": error row entry " << i;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Colour, MonoConverterTest, ::testing::ValuesIn(kColourConverters), CaseName());

// Error diffusion takes long rows in runs, each stepped as several chains
// side by side that must join exactly. Rows of flat greys keep a chain from
// ever agreeing with the true carry, noise and gradients join it at various
// distances; all must match the pixel-by-pixel reference, bits and error row.
struct LongRowPattern {
    const char* name;
    int grey;  // a flat grey level, or -1 for a gradient with noise, -2 for noise
};

class MonoDiffusionTest : public ::testing::TestWithParam<MonoConverter> {};

TEST_P(MonoDiffusionTest, LongRowsMatchTheReference)
{
    const MonoConverter& converter = GetParam();
    const LongRowPattern patterns[] = {
        {"black", 0},      {"grey 1", 1},       {"grey 64", 64},    {"grey 127", 127},  {"grey 128", 128},
        {"grey 129", 129}, {"grey 200", 200},   {"grey 254", 254},  {"white", 255},     {"gradient", -1},
        {"noise", -2},
    };
    const int levels = converter.srcBits == 24 ? 256 : converter.srcBits == 8 ? 256 : 16;
    // A grey palette for the palette depths: entry k is grey k * 255 / (levels - 1).
    std::vector<uint8_t> greys(3 * 256, 0);
    for (int k = 0; k < levels; ++k) {
        greys[3 * k] = greys[3 * k + 1] = greys[3 * k + 2] = static_cast<uint8_t>(k * 255 / (levels - 1));
    }
    for (const int width : {700, 2100}) {
        for (const LongRowPattern& pattern : patterns) {
            const uint64_t seed = 7000u + static_cast<uint64_t>(width) + static_cast<uint64_t>(pattern.grey + 2);
            Random random(seed);
            MonoBlitter mono(2, width);
            std::vector<uint8_t> palette = pattern.grey == -2 && converter.srcBits != 24
                                               ? RandomPalette(random, levels)
                                               : greys;
            if (converter.srcBits != 24) {
                mono.blitter.m_imagePalette = palette.data();
            }
            MonoReference reference(converter.srcBits, 2, mono.blitter.m_ditherMatrix, 8, 8, width);
            for (int row = 0; row < kRowsPerCase; ++row) {
                std::vector<uint8_t> src(SourceRowBytes(converter.srcBits, width), 0);
                if (pattern.grey == -2) {
                    src = random.Bytes(src.size());
                } else {
                    for (int i = 0; i < width; ++i) {
                        const int grey = pattern.grey >= 0
                                             ? pattern.grey
                                             : std::min(255, (i / 8 + 3 * row + random.Between(0, 15)) % 256);
                        const int index = grey * (levels - 1) / 255;
                        if (converter.srcBits == 24) {
                            src[3 * i] = src[3 * i + 1] = src[3 * i + 2] = static_cast<uint8_t>(grey);
                        } else if (converter.srcBits == 8) {
                            src[i] = static_cast<uint8_t>(index);
                        } else {
                            src[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? index << 4 : index);
                        }
                    }
                }
                GuardedBuffer dst(OutputBytes(width));
                converter.fn(&mono.blitter, src.data(), dst.data(), width);
                const std::string where = NameOf(converter) + " " + pattern.name + " seed " + std::to_string(seed) +
                                          " width " + std::to_string(width) + " row " + std::to_string(row);
                const std::string difference =
                    FirstDifference(dst.data(), reference.Convert(src, palette, width, row), 1);
                ASSERT_TRUE(difference.empty()) << where << ": " << difference;
                ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
                for (int i = 0; i < width; ++i) {
                    ASSERT_EQ(mono.Error(i), reference.Error(i)) << where << ": error row entry " << i;
                }
            }
            mono.blitter.m_imagePalette = nullptr;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Colour, MonoDiffusionTest,
                         ::testing::Values(MonoConverter{testsupport::Converter("Blit24To1Mode2"), 24, 2},
                                           MonoConverter{testsupport::Converter("Blit8To1Mode2"), 8, 2},
                                           MonoConverter{testsupport::Converter("Blit4To1Mode2"), 4, 2}),
                         CaseName());

// The documented write length of the 1-bit copy: whole 16-bit words.
int CopyLength(int count)
{
    return count <= 0 ? 0 : 2 * ((count + 15) / 16);
}

// The 1-bit copy from the rules. `before` is the output row as it was.
std::vector<uint8_t> ReferenceCopy1(const std::vector<uint8_t>& src, int offset, int count,
                                    const std::vector<uint8_t>& before, bool invert)
{
    std::vector<uint8_t> out = before;
    if (offset == 0) {
        for (int b = 0; b < CopyLength(count); ++b) {
            out[b] = src[b];
        }
    } else {
        for (int b = 0; b < OutputBytes(count); ++b) {
            out[b] = 0;
        }
        for (int i = 0; i < count; ++i) {
            const int bit = offset + i;
            if ((src[bit / 8] >> (7 - bit % 8)) & 1) {
                out[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
            }
        }
    }
    if (invert) {
        for (auto& byte : out) {
            byte = static_cast<uint8_t>(~byte);
        }
    }
    return out;
}

TEST(Blit1To1, MatchesTheReference)
{
    int caseIndex = 0;
    for (const int width : kWidths) {
        for (int offset = 0; offset < 8; ++offset) {
            for (int repeat = 0; repeat < 3; ++repeat, ++caseIndex) {
                const uint64_t seed = 50000u + caseIndex;
                Random random(seed);
                MonoBlitter mono(random.Between(0, 3), 0);
                VyrBlitter& blitter = mono.blitter;
                std::vector<uint8_t> palette = random.Bytes(6);
                if (random.Between(0, 1) == 0) {
                    palette[3] = 0;
                }
                const bool invert = palette[3] == 0;
                blitter.m_imagePalette = palette.data();
                blitter.m_srcBitOffset = offset;
                blitter.m_rowCounter = random.Between(0, 1000);

                const size_t length = static_cast<size_t>(CopyLength(width));
                // Exactly the bytes the copy may read: whole words when
                // aligned, the bytes holding the pixels otherwise.
                const size_t readable = offset == 0 ? length : static_cast<size_t>((offset + width + 7) / 8);
                for (int row = 0; row < 3; ++row) {
                    const std::vector<uint8_t> src = random.Bytes(readable);
                    GuardedBuffer dst(length);
                    std::vector<uint8_t> before(length);
                    for (size_t b = 0; b < length; ++b) {
                        dst[b] = before[b] = random.Byte();
                    }
                    dibdraw::Blit1To1(&blitter, src.data(), dst.data(), width);

                    const std::string where = "Blit1To1 seed " + std::to_string(seed) + " width " +
                                              std::to_string(width) + " offset " + std::to_string(offset) +
                                              (invert ? " inverted" : " plain") + " row " + std::to_string(row);
                    const std::string difference =
                        FirstDifference(dst.data(), ReferenceCopy1(src, offset, width, before, invert), 1);
                    ASSERT_TRUE(difference.empty()) << where << ": " << difference;
                    ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past " << length << " bytes";
                }
            }
        }
    }
}

// ---- Worked cases -------------------------------------------------------

// A colour of exactly luminance y: a grey where one fits, else a grey with
// its blue moved.
Color ColorOfLuminance(int y)
{
    for (int v = 0; v < 256; ++v) {
        for (int blue = v; blue >= 0 && blue > v - 8; --blue) {
            if (Luminance(v, v, blue) == y) {
                return {v, v, blue};
            }
        }
    }
    ADD_FAILURE() << "no colour of luminance " << y;
    return {0, 0, 0};
}

// A row of the given colours in the converter's source format; palette
// sources get one entry per pixel.
struct WorkedRow {
    std::vector<uint8_t> src;
    std::vector<uint8_t> palette;
};

WorkedRow MakeRow(int srcBits, const std::vector<Color>& colors)
{
    WorkedRow row;
    const int count = static_cast<int>(colors.size());
    row.src.assign(SourceRowBytes(srcBits, count), 0);
    row.palette.assign(srcBits == 8 ? 768 : 48, 0);
    for (int i = 0; i < count; ++i) {
        const Color& c = colors[i];
        if (srcBits == 24) {
            row.src[3 * i] = static_cast<uint8_t>(c.blue);
            row.src[3 * i + 1] = static_cast<uint8_t>(c.green);
            row.src[3 * i + 2] = static_cast<uint8_t>(c.red);
            continue;
        }
        // Entries counted down from the top so that index 0 is not the obvious one.
        const int index = (srcBits == 8 ? 255 : 15) - i;
        row.palette[3 * index] = static_cast<uint8_t>(c.red);
        row.palette[3 * index + 1] = static_cast<uint8_t>(c.green);
        row.palette[3 * index + 2] = static_cast<uint8_t>(c.blue);
        if (srcBits == 8) {
            row.src[i] = static_cast<uint8_t>(index);
        } else {
            row.src[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? index << 4 : index);
        }
    }
    return row;
}

const MonoConverter* Find(int srcBits, int mode)
{
    for (const MonoConverter& c : kColourConverters) {
        if (c.srcBits == srcBits && c.mode == mode) {
            return &c;
        }
    }
    return nullptr;
}

const int kSourceDepths[] = {24, 8, 4};

// Converts one row of the given colours and returns its output bytes.
std::vector<uint8_t> ConvertColors(MonoBlitter& mono, const MonoConverter& converter, const std::vector<Color>& colors,
                                   int rowCounter)
{
    WorkedRow row = MakeRow(converter.srcBits, colors);
    const int count = static_cast<int>(colors.size());
    mono.blitter.m_imagePalette = converter.srcBits == 24 ? nullptr : row.palette.data();
    mono.blitter.m_rowCounter = rowCounter;
    GuardedBuffer dst(OutputBytes(count), 0x5A);
    converter.fn(&mono.blitter, row.src.data(), dst.data(), count);
    mono.blitter.m_imagePalette = nullptr;
    EXPECT_TRUE(dst.GuardsIntact()) << NameOf(converter) << " wrote past the row";
    return std::vector<uint8_t>(dst.data(), dst.data() + dst.size());
}

struct ThresholdCase {
    const char* name;
    Color color;
    bool light;
};

TEST(MonoWorkedCases, FixedThreshold)
{
    const ThresholdCase cases[] = {
        {"grey 127", {127, 127, 127}, false}, {"grey 128", {128, 128, 128}, true},
        {"pure red (Y 77)", {255, 0, 0}, false}, {"pure green (Y 150)", {0, 255, 0}, true},
        {"pure blue (Y 28)", {0, 0, 255}, false}, {"white", {255, 255, 255}, true},
    };
    for (const int srcBits : kSourceDepths) {
        const MonoConverter& converter = *Find(srcBits, 1);
        for (const ThresholdCase& c : cases) {
            MonoBlitter mono(1, 1);
            const std::vector<uint8_t> out = ConvertColors(mono, converter, {c.color}, 0);
            EXPECT_EQ(out[0], c.light ? 0x80 : 0x00) << NameOf(converter) << ": " << c.name;
        }
    }
}

TEST(MonoWorkedCases, OrderedExtremes)
{
    struct Case {
        const char* name;
        Color color;
        uint8_t everyByte;
    };
    const Case cases[] = {{"luminance 0 is never light", {0, 0, 0}, 0x00},
                          {"luminance 255 is always light", {255, 255, 255}, 0xFF}};
    for (const int srcBits : kSourceDepths) {
        for (const int mode : {0, 3}) {
            const MonoConverter& converter = *Find(srcBits, mode);
            for (const Case& c : cases) {
                for (int rowCounter = 0; rowCounter < 8; ++rowCounter) {
                    MonoBlitter mono(mode, 16);
                    const std::vector<uint8_t> out =
                        ConvertColors(mono, converter, std::vector<Color>(16, c.color), rowCounter);
                    EXPECT_EQ(out[0], c.everyByte) << NameOf(converter) << ": " << c.name << ", row " << rowCounter;
                    EXPECT_EQ(out[1], c.everyByte) << NameOf(converter) << ": " << c.name << ", row " << rowCounter;
                }
            }
        }
    }
}

TEST(MonoWorkedCases, OrderedTopLeftThresholdIsZero)
{
    // Column 0 of row 0 compares with 0, column 1 with 192.
    for (const int srcBits : kSourceDepths) {
        for (const int mode : {0, 3}) {
            const MonoConverter& converter = *Find(srcBits, mode);
            MonoBlitter mono(mode, 2);
            const Color y1 = ColorOfLuminance(1);
            EXPECT_EQ(ConvertColors(mono, converter, {y1, y1}, 0)[0], 0x80)
                << NameOf(converter) << ": luminance 1 at column 0, row 0";
        }
    }
}

struct DiffusionCase {
    const char* name;
    std::vector<int> luminance;
    uint8_t firstRow;
    std::vector<int> errors;  // truncated errors of the first row
    int secondRow;            // bits of the same luminance on the next row, -1: not stated
};

TEST(MonoWorkedCases, ErrorDiffusionSequences)
{
    const DiffusionCase cases[] = {
        {"four pixels of 64", {64, 64, 64, 64}, 0x00, {64, 92, 104, 108}, 0x50},
        {"200, 30, 130, 127", {200, 30, 130, 127}, 0xA0, {-52, 4, -124, 72}, -1},
    };
    for (const int srcBits : kSourceDepths) {
        const MonoConverter& converter = *Find(srcBits, 2);
        for (const DiffusionCase& c : cases) {
            const int count = static_cast<int>(c.luminance.size());
            std::vector<Color> colors;
            for (const int y : c.luminance) {
                colors.push_back(ColorOfLuminance(y));
            }
            MonoBlitter mono(2, count);
            EXPECT_EQ(ConvertColors(mono, converter, colors, 0)[0], c.firstRow) << NameOf(converter) << ": " << c.name;
            const std::vector<int> errorRow = ErrorRowAfter(c.errors);
            for (int i = 0; i < count; ++i) {
                EXPECT_EQ(mono.Error(i), errorRow[i])
                    << NameOf(converter) << ": " << c.name << ", error row entry " << i;
            }
            if (c.secondRow >= 0) {
                EXPECT_EQ(ConvertColors(mono, converter, colors, 1)[0], c.secondRow)
                    << NameOf(converter) << ": " << c.name << ", second row";
            }
        }
    }
}

TEST(MonoWorkedCases, FourBitOddCountUsesOnlyTheHighNibble)
{
    // Pixels 1, 2, 3 and an unused low nibble 15: white, black, black, white.
    const std::vector<uint8_t> src = {0x12, 0x3F};
    std::vector<uint8_t> palette(48, 0);
    for (const int light : {1, 15}) {
        palette[3 * light] = palette[3 * light + 1] = palette[3 * light + 2] = 255;
    }
    for (int mode = 0; mode < 4; ++mode) {
        const MonoConverter& converter = *Find(4, mode);
        MonoBlitter mono(mode, 3);
        mono.blitter.m_imagePalette = palette.data();
        GuardedBuffer dst(1, 0xFF);
        converter.fn(&mono.blitter, src.data(), dst.data(), 3);
        EXPECT_EQ(dst[0], 0x80) << NameOf(converter);
        EXPECT_TRUE(dst.GuardsIntact()) << NameOf(converter);
    }
}

struct CopyCase {
    const char* name;
    int offset;
    int count;
    std::vector<uint8_t> colours;  // colour 0 then colour 1, red, green, blue
    std::vector<uint8_t> src;
    std::vector<uint8_t> expected;  // the documented write length of output
};

TEST(MonoWorkedCases, OneBitCopy)
{
    const std::vector<uint8_t> blackWhite = {0, 0, 0, 255, 255, 255};
    const CopyCase cases[] = {
        {"offset 0, count 20 copies 4 bytes", 0, 20, blackWhite, {0x12, 0x34, 0x56, 0x78, 0x9A},
         {0x12, 0x34, 0x56, 0x78}},
        {"offset 3, count 10 takes source bits 3..12, the rest clear", 3, 10, blackWhite, {0xB3, 0x5C},
         {0x9A, 0xC0}},
        {"black, white: bits as they are", 0, 16, blackWhite, {0x0F, 0xF0}, {0x0F, 0xF0}},
        {"white, black: inverted", 0, 16, {255, 255, 255, 0, 0, 0}, {0x0F, 0xF0}, {0xF0, 0x0F}},
        {"colour 1 pure blue: inverted", 0, 16, {255, 255, 255, 0, 0, 255}, {0x0F, 0xF0}, {0xF0, 0x0F}},
        {"colour 1 without red but green and blue: inverted", 0, 16, {0, 0, 0, 0, 255, 255}, {0x0F, 0xF0},
         {0xF0, 0x0F}},
        {"colour 1 with a little red: not inverted", 0, 16, {255, 255, 255, 1, 0, 0}, {0x0F, 0xF0},
         {0x0F, 0xF0}},
        {"offset 3, count 10, inverted including the unused bits", 3, 10, {255, 255, 255, 0, 0, 0}, {0xB3, 0x5C},
         {0x65, 0x3F}},
        {"count 1 writes a whole word", 0, 1, blackWhite, {0x80, 0x7F}, {0x80, 0x7F}},
    };
    for (const CopyCase& c : cases) {
        MonoBlitter mono(0, 0);
        std::vector<uint8_t> colours = c.colours;
        std::vector<uint8_t> src = c.src;
        mono.blitter.m_imagePalette = colours.data();
        mono.blitter.m_srcBitOffset = c.offset;
        GuardedBuffer dst(c.expected.size(), 0x33);
        dibdraw::Blit1To1(&mono.blitter, src.data(), dst.data(), c.count);
        EXPECT_EQ(std::vector<uint8_t>(dst.data(), dst.data() + dst.size()), c.expected) << c.name;
        EXPECT_TRUE(dst.GuardsIntact()) << c.name << ": wrote past the documented length";
    }
}

// ---- Selection on a monochrome display ------------------------------------

TEST(MonoSelection, EveryDepthAndMode)
{
    struct Case {
        int srcBits;
        int mode;
        const char* expected;
    };
    const Case cases[] = {
        {1, 0, "Blit1To1"},        {1, 1, "Blit1To1"},        {1, 2, "Blit1To1"},        {1, 3, "Blit1To1"},
        {1, 7, "Blit1To1"},        {4, 0, "Blit4To1Mode0"},   {4, 1, "Blit4To1Mode1"},   {4, 2, "Blit4To1Mode2"},
        {4, 3, "Blit4To1Mode3"},   {8, 0, "Blit8To1Mode0"},   {8, 1, "Blit8To1Mode1"},   {8, 2, "Blit8To1Mode2"},
        {8, 3, "Blit8To1Mode3"},   {24, 0, "Blit24To1Mode0"}, {24, 1, "Blit24To1Mode1"}, {24, 2, "Blit24To1Mode2"},
        {24, 3, "Blit24To1Mode3"},
    };
    ConfigureDisplay(vd::Kind::Mono);
    for (const Case& c : cases) {
        for (const int flag : {0, 1}) {
            VyrBlitter blitter(c.mode, 0);
            EXPECT_EQ(blitter.AssignBlitterFn(c.srcBits, flag), kBlitOk) << c.expected << " flag " << flag;
            EXPECT_STREQ(ConverterName(blitter.m_convert), c.expected) << "flag " << flag;
        }
    }
}

TEST(MonoSelection, InvalidModeFailsAndKeepsTheConverter)
{
    ConfigureDisplay(vd::Kind::Mono);
    for (const int srcBits : {4, 8, 24}) {
        VyrBlitter blitter(0, 0);
        ASSERT_EQ(blitter.AssignBlitterFn(1, 0), kBlitOk);
        blitter.m_ditherMode = 5;
        EXPECT_EQ(blitter.AssignBlitterFn(srcBits, 1), kBlitUnsupported) << srcBits;
        EXPECT_STREQ(ConverterName(blitter.m_convert), "Blit1To1") << srcBits;
    }
    VyrBlitter blitter(0, 0);
    EXPECT_EQ(blitter.AssignBlitterFn(16, 0), kBlitUnsupported);
    EXPECT_EQ(blitter.AssignBlitterFn(32, 0), kBlitUnsupported);
}

}  // namespace
