// The 16-colour display converters against a slow reference that follows the
// rules pixel by pixel, plus the worked examples and the selection table.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "convert/converters.h"
#include "dibdraw32/Diagnostics.h"
#include "palette/tables.h"
#include "support/error_diffusion.h"
#include "support/named_case.h"
#include "support/source_pixels.h"
#include "support/test_support.h"
#include "support/converter_named.h"

using namespace testsupport;

namespace {

using testsupport::PrintTo;

// ---------------------------------------------------------------------------
// Reference

// Display index of black and the seven bright colours of the standard
// 16-colour palette, by which channels are on.
int BrightColor(bool red, bool green, bool blue)
{
    if (red && green && blue) return 15;   // white
    if (red && green) return 11;           // yellow
    if (red && blue) return 13;            // magenta
    if (green && blue) return 14;          // cyan
    if (red) return 9;
    if (green) return 10;
    if (blue) return 12;
    return 0;
}

// Each source format is named by its bits per pixel.
enum class Fetch { Rgb24 = 24, Palette8 = 8, Palette4 = 4, Bits1 = 1 };
enum class Rule { Mode0, Mode1, Mode2, Mode3, Mapped, TwoColors };

struct ConverterCase {
    BlitterFn fn;  // names the case
    Fetch fetch;
    Rule rule;
};

const ConverterCase kConverters[] = {
    {testsupport::Converter("Blit24To4Mode0"), Fetch::Rgb24, Rule::Mode0},
    {testsupport::Converter("Blit24To4Mode1"), Fetch::Rgb24, Rule::Mode1},
    {testsupport::Converter("Blit24To4Mode2"), Fetch::Rgb24, Rule::Mode2},
    {testsupport::Converter("Blit24To4Mode3"), Fetch::Rgb24, Rule::Mode3},
    {testsupport::Converter("Blit8To4Mode0"), Fetch::Palette8, Rule::Mode0},
    {testsupport::Converter("Blit8To4Mode1"), Fetch::Palette8, Rule::Mode1},
    {testsupport::Converter("Blit8To4Mode2"), Fetch::Palette8, Rule::Mode2},
    {testsupport::Converter("Blit8To4Mode3"), Fetch::Palette8, Rule::Mode3},
    {testsupport::Converter("Blit8To4Mapped"), Fetch::Palette8, Rule::Mapped},
    {testsupport::Converter("Blit4To4Mode0"), Fetch::Palette4, Rule::Mode0},
    {testsupport::Converter("Blit4To4Mode1"), Fetch::Palette4, Rule::Mode1},
    {testsupport::Converter("Blit4To4Mode2"), Fetch::Palette4, Rule::Mode2},
    {testsupport::Converter("Blit4To4Mode3"), Fetch::Palette4, Rule::Mode3},
    {testsupport::Converter("Blit4To4Mapped"), Fetch::Palette4, Rule::Mapped},
    {dibdraw::Blit1To4, Fetch::Bits1, Rule::TwoColors},
};

int DitherModeOf(Rule rule)
{
    switch (rule) {
    case Rule::Mode0: return 0;
    case Rule::Mode2: return 2;
    case Rule::Mode3: return 3;
    default: return 1;
    }
}

size_t SourceBytes(Fetch fetch, int count, int bitOffset)
{
    return SourceRowBytes(static_cast<int>(fetch), count, bitOffset);
}

size_t PaletteEntries(Fetch fetch)
{
    return fetch == Fetch::Rgb24 ? 0 : size_t{1} << static_cast<int>(fetch);
}

// Everything the reference needs; it keeps its own error row.
struct ReferenceState {
    std::vector<uint8_t> palette;  // red, green, blue triples
    std::array<uint8_t, 256> colorMap{};
    std::array<int, 64> offsets{};  // signed dither offsets, as the matrix holds them
    int rowsMod = 8;
    int colsMod = 8;
    int rowCounter = 0;
    int bitOffset = 0;
};

std::array<int, 64> DefaultOffsets()
{
    std::array<int, 64> offsets{};
    for (int k = 0; k < 64; ++k) {
        offsets[k] = dibdraw::kDitherMatrix[k] - 126;
    }
    return offsets;
}

std::vector<int> ReferenceIndices(const ConverterCase& converter, const std::vector<uint8_t>& src, int count,
                                  const ReferenceState& state, ErrorDiffusionReference& diffusion)
{
    std::vector<int> indices(static_cast<size_t>(std::max(count, 0)));
    const int bits = static_cast<int>(converter.fetch);
    auto color = [&](int i) { return SourceColor(bits, src, state.palette.data(), i, state.bitOffset); };
    if (converter.rule == Rule::Mode2) {
        diffusion.Row(count, color, [&](int i, const ErrorDiffusionReference::Levels& levels) {
            indices[i] = BrightColor(Light(levels[0]), Light(levels[1]), Light(levels[2]));
            return ErrorDiffusionReference::Levels{TwoLevelShown(levels[0]), TwoLevelShown(levels[1]),
                                                   TwoLevelShown(levels[2])};
        });
        return indices;
    }
    for (int i = 0; i < count; ++i) {
        if (converter.rule == Rule::Mapped) {
            indices[i] = state.colorMap[SourceIndex(bits, src, i)] % 16;
            continue;
        }
        int offset = 0;
        if (converter.rule == Rule::Mode3) {
            offset = state.offsets[(i % 8) * 8 + state.rowCounter % 8];
        } else if (converter.rule == Rule::Mode0) {
            offset = state.offsets[(i % state.colsMod) * state.rowsMod + state.rowCounter % state.rowsMod];
        }
        const std::array<int, 3> levels = color(i);
        indices[i] = BrightColor(Light(levels[0] + offset), Light(levels[1] + offset), Light(levels[2] + offset));
    }
    return indices;
}

std::vector<uint8_t> Pack(const std::vector<int>& indices)
{
    std::vector<uint8_t> bytes((indices.size() + 1) / 2, 0);
    for (size_t i = 0; i < indices.size(); ++i) {
        bytes[i / 2] = static_cast<uint8_t>(bytes[i / 2] | (i % 2 == 0 ? indices[i] * 16 : indices[i]));
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// A blitter on a 16-colour display whose borrowed palette and owned error row
// the test manages.

int OnVga16(int ditherMode)
{
    ConfigureDisplay(vd::Kind::Packed4);
    return ditherMode;
}

class Vga16Blitter {
public:
    explicit Vga16Blitter(int ditherMode, int paletteMode = 0) : blitter(OnVga16(ditherMode), paletteMode) {}
    ~Vga16Blitter() { blitter.m_imagePalette = nullptr; }
    Vga16Blitter(const Vga16Blitter&) = delete;
    Vga16Blitter& operator=(const Vga16Blitter&) = delete;

    void UsePalette(std::vector<uint8_t>& palette)
    {
        blitter.m_imagePalette = palette.empty() ? nullptr : palette.data();
    }
    // A zeroed error row of `pixels` entries, owned by the blitter.
    void AllocateErrorRow(int pixels)
    {
        if (blitter.m_errorRow != nullptr) {
            KemFreeSMem(blitter.m_errorRow);
        }
        const uint32_t bytes = 6u * static_cast<uint32_t>(std::max(pixels, 1));
        blitter.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(bytes));
        std::memset(blitter.m_errorRow, 0, bytes);
    }
    int16_t ErrorTerm(int pixel, int channel) const
    {
        int16_t term = 0;
        std::memcpy(&term, blitter.m_errorRow + 6 * pixel + 2 * channel, sizeof term);
        return term;
    }
    // Converts one row into a guarded buffer pre-filled with `fill` and
    // returns the ceil(count / 2) bytes that belong to the row.
    std::vector<uint8_t> Convert(BlitterFn fn, const std::vector<uint8_t>& src, int count, uint8_t fill = 0xFF)
    {
        const size_t bytes = count > 0 ? (static_cast<size_t>(count) + 1) / 2 : 0;
        GuardedBuffer dst(bytes, fill);
        fn(&blitter, src.data(), dst.data(), count);
        EXPECT_TRUE(dst.GuardsIntact()) << ConverterName(fn) << " wrote past its row of " << count << " pixels";
        return {dst.data(), dst.data() + bytes};
    }

    VyrBlitter blitter;
};

std::vector<uint8_t> Bgr(std::initializer_list<std::array<int, 3>> rgbPixels)
{
    std::vector<uint8_t> bytes;
    for (const auto& rgb : rgbPixels) {
        bytes.push_back(static_cast<uint8_t>(rgb[2]));
        bytes.push_back(static_cast<uint8_t>(rgb[1]));
        bytes.push_back(static_cast<uint8_t>(rgb[0]));
    }
    return bytes;
}

// ---------------------------------------------------------------------------
// Randomized comparison with the reference

class Vga16Converter : public ::testing::TestWithParam<ConverterCase> {};

// Runs four consecutive rows of one width; `customDither` gives random
// periods and a random matrix instead of the constructor's.
void CompareRows(const ConverterCase& converter, uint64_t seed, int count, int bitOffset, bool customDither)
{
    Random random(seed);
    Vga16Blitter vga(DitherModeOf(converter.rule));
    VyrBlitter& blitter = vga.blitter;

    ReferenceState state;
    state.offsets = DefaultOffsets();
    state.palette = random.Bytes(3 * PaletteEntries(converter.fetch));
    for (auto& entry : state.colorMap) {
        entry = static_cast<uint8_t>(random.Between(0, 15));
    }
    std::memcpy(blitter.m_colorMap, state.colorMap.data(), 256);
    vga.UsePalette(state.palette);
    state.bitOffset = bitOffset;
    blitter.m_srcBitOffset = bitOffset;
    if (customDither) {
        state.rowsMod = random.Between(1, 8);
        state.colsMod = random.Between(1, 8);
        blitter.m_ditherRowsMod = static_cast<uint8_t>(state.rowsMod);
        blitter.m_ditherColsMod = static_cast<uint8_t>(state.colsMod);
        for (int k = 0; k < 64; ++k) {
            blitter.m_ditherMatrix[k] = random.Byte();
            state.offsets[k] = static_cast<int8_t>(blitter.m_ditherMatrix[k]);
        }
    }
    // Spare entries past the row must stay untouched.
    const int errorPixels = count + 3;
    vga.AllocateErrorRow(errorPixels);
    ErrorDiffusionReference diffusion(errorPixels, 3);
    state.rowCounter = random.Between(0, 1000);

    for (int row = 0; row < 4; ++row, ++state.rowCounter) {
        blitter.m_rowCounter = state.rowCounter;
        const std::vector<uint8_t> src = random.Bytes(SourceBytes(converter.fetch, count, bitOffset));
        const std::vector<uint8_t> expected = Pack(ReferenceIndices(converter, src, count, state, diffusion));
        const std::vector<uint8_t> actual = vga.Convert(converter.fn, src, count, random.Byte());
        const std::string where = "seed " + std::to_string(seed) + ", " + NameOf(converter) + ", width " +
                                  std::to_string(count) + ", bit offset " + std::to_string(bitOffset) +
                                  ", row " + std::to_string(row) + ", row counter " +
                                  std::to_string(state.rowCounter) + (customDither ? ", custom dither" : "");
        ASSERT_EQ(FirstDifference(actual.data(), expected, 4), "") << where;
        for (int i = 0; i < errorPixels; ++i) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(vga.ErrorTerm(i, c), diffusion.Error(i, c))
                    << where << ": error row pixel " << i << " channel " << c;
            }
        }
    }
}

TEST_P(Vga16Converter, MatchesReferenceOverWidthsAndRows)
{
    const ConverterCase& converter = GetParam();
    const uint64_t caseIndex = static_cast<uint64_t>(&converter - kConverters);
    const int lastOffset = converter.fetch == Fetch::Bits1 ? 7 : 0;
    for (int count = 0; count <= 70; ++count) {
        for (int offset = 0; offset <= lastOffset; ++offset) {
            const uint64_t seed = caseIndex * 100000 + static_cast<uint64_t>(count) * 10 + offset;
            CompareRows(converter, seed, count, offset, false);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
}

// Rows long enough for the diffusing converters to take 24-bit rows in runs
// stepped in parts side by side, and several runs a row, with a partial block
// left over.
TEST_P(Vga16Converter, LongRowsMatchTheReference)
{
    const ConverterCase& converter = GetParam();
    const uint64_t caseIndex = static_cast<uint64_t>(&converter - kConverters);
    for (const int count : {127, 128, 129, 143, 144, 1023, 1024, 1040, 2100, 3077}) {
        CompareRows(converter, 7000000 + caseIndex * 10000 + static_cast<uint64_t>(count), count, 0, false);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST_P(Vga16Converter, MatchesReferenceWithOtherDitherPeriods)
{
    const ConverterCase& converter = GetParam();
    const uint64_t caseIndex = static_cast<uint64_t>(&converter - kConverters);
    for (int count : {1, 7, 8, 9, 17, 33, 70}) {
        for (int variant = 0; variant < 8; ++variant) {
            const uint64_t seed = 5000000 + caseIndex * 100000 + static_cast<uint64_t>(count) * 10 + variant;
            CompareRows(converter, seed, count, variant % (converter.fetch == Fetch::Bits1 ? 8 : 1), true);
            if (HasFatalFailure()) {
                return;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, Vga16Converter, ::testing::ValuesIn(kConverters),
                         testsupport::CaseName());

// Default periods make mode 0 pick the same matrix entry as mode 3.
TEST(Vga16OrderedDither, Mode0EqualsMode3WithTheConstructorsPeriods)
{
    for (int seed = 0; seed < 40; ++seed) {
        Random random(900 + seed);
        Vga16Blitter vga(0);
        vga.blitter.m_rowCounter = random.Between(0, 500);
        const int count = random.Between(1, 70);
        const std::vector<uint8_t> src = random.Bytes(3 * static_cast<size_t>(count));
        EXPECT_EQ(vga.Convert(testsupport::Converter("Blit24To4Mode0"), src, count), vga.Convert(testsupport::Converter("Blit24To4Mode3"), src, count))
            << "seed " << 900 + seed << ", width " << count;
    }
}

// ---------------------------------------------------------------------------
// Each 4-bit member against its 8-bit twin on rows naming the same entries

struct TwinCase {
    const char* name;
    int ditherMode;
    BlitterFn fromNibbles;
    BlitterFn fromBytes;
};

void PrintTo(const TwinCase& twins, std::ostream* out)
{
    *out << ConverterName(twins.fromNibbles) << " and " << ConverterName(twins.fromBytes);
}

class Vga16Twins : public ::testing::TestWithParam<TwinCase> {};

TEST_P(Vga16Twins, AgreeOnRowsNamingTheSameEntries)
{
    const TwinCase& twins = GetParam();
    const int mode = twins.ditherMode;
    for (int count = 0; count <= 70; ++count) {
        const uint64_t seed = 7000000 + static_cast<uint64_t>(count);
        Random random(seed);
        Vga16Blitter nibbles(mode);
        Vga16Blitter bytes(mode);
        std::vector<uint8_t> palette16 = random.Bytes(3 * 16);
        std::vector<uint8_t> palette256 = random.Bytes(3 * 256);
        std::copy(palette16.begin(), palette16.end(), palette256.begin());
        nibbles.UsePalette(palette16);
        bytes.UsePalette(palette256);
        for (int k = 0; k < 256; ++k) {
            nibbles.blitter.m_colorMap[k] = bytes.blitter.m_colorMap[k] = static_cast<uint8_t>(random.Between(0, 15));
        }
        nibbles.AllocateErrorRow(count);
        bytes.AllocateErrorRow(count);
        const int firstRow = random.Between(0, 100);
        for (int row = 0; row < 4; ++row) {
            nibbles.blitter.m_rowCounter = bytes.blitter.m_rowCounter = firstRow + row;
            std::vector<uint8_t> indices(static_cast<size_t>(count));
            std::vector<uint8_t> packed((static_cast<size_t>(count) + 1) / 2, 0);
            for (int i = 0; i < count; ++i) {
                indices[i] = static_cast<uint8_t>(random.Between(0, 15));
                packed[i / 2] = static_cast<uint8_t>(packed[i / 2] | (i % 2 == 0 ? indices[i] << 4 : indices[i]));
            }
            if (count % 2 != 0) {
                packed.back() = static_cast<uint8_t>(packed.back() | random.Between(0, 15));  // unused nibble
            }
            const std::vector<uint8_t> fromBytes = bytes.Convert(twins.fromBytes, indices, count);
            const std::vector<uint8_t> fromNibbles = nibbles.Convert(twins.fromNibbles, packed, count);
            ASSERT_EQ(FirstDifference(fromNibbles.data(), fromBytes, 4), "")
                << twins.name << ", seed " << seed << ", width " << count << ", row " << row;
            ASSERT_EQ(std::memcmp(bytes.blitter.m_errorRow, nibbles.blitter.m_errorRow, 6 * static_cast<size_t>(count)),
                      0)
                << twins.name << ": error rows differ, seed " << seed << ", width " << count << ", row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, Vga16Twins,
    ::testing::Values(TwinCase{"Mode0", 0, testsupport::Converter("Blit4To4Mode0"), testsupport::Converter("Blit8To4Mode0")},
                      TwinCase{"Mode1", 1, testsupport::Converter("Blit4To4Mode1"), testsupport::Converter("Blit8To4Mode1")},
                      TwinCase{"Mode2", 2, testsupport::Converter("Blit4To4Mode2"), testsupport::Converter("Blit8To4Mode2")},
                      TwinCase{"Mode3", 3, testsupport::Converter("Blit4To4Mode3"), testsupport::Converter("Blit8To4Mode3")},
                      TwinCase{"Mapped", 1, testsupport::Converter("Blit4To4Mapped"), testsupport::Converter("Blit8To4Mapped")}),
    testsupport::CaseName());

// ---------------------------------------------------------------------------
// Worked examples

struct PixelCase {
    const char* name;
    std::array<uint8_t, 3> stored;  // a 24-bit pixel: blue, green, red
    int expected;
};

const PixelCase kThresholdCases[] = {
    {"(127,200,255) is cyan", {255, 200, 127}, 14},
    {"(128,0,0) is red", {0, 0, 128}, 9},
    {"white", {255, 255, 255}, 15},
    {"black", {0, 0, 0}, 0},
    {"bytes 0,0,255 are red", {0, 0, 255}, 9},
    {"(127,127,127) is black", {127, 127, 127}, 0},
};

TEST(Vga16Mode1, ThresholdCases)
{
    for (const PixelCase& c : kThresholdCases) {
        Vga16Blitter vga(1);
        const std::vector<uint8_t> src(c.stored.begin(), c.stored.end());
        EXPECT_EQ(vga.Convert(testsupport::Converter("Blit24To4Mode1"), src, 1)[0], c.expected * 16) << c.name << ", 24-bit";

        std::vector<uint8_t> palette(3 * 256, 0);
        palette[3 * 77] = c.stored[2];
        palette[3 * 77 + 1] = c.stored[1];
        palette[3 * 77 + 2] = c.stored[0];
        vga.UsePalette(palette);
        EXPECT_EQ(vga.Convert(testsupport::Converter("Blit8To4Mode1"), {77}, 1)[0], c.expected * 16) << c.name << ", 8-bit";
    }
}

struct PackingCase {
    const char* name;
    BlitterFn fn;
    std::vector<uint8_t> src;
    int count;
    std::vector<uint8_t> expected;
};

TEST(Vga16Packing, NamedCases)
{
    const PackingCase cases[] = {
        {"count 3: white, red, blue", testsupport::Converter("Blit24To4Mode1"), Bgr({{255, 255, 255}, {255, 0, 0}, {0, 0, 255}}), 3,
         {0xF9, 0xC0}},
        {"count 3 mapped from bytes", testsupport::Converter("Blit8To4Mapped"), {1, 2, 3}, 3, {0x12, 0x30}},
        {"odd 4-bit count stops at a high nibble", testsupport::Converter("Blit4To4Mapped"), {0x12, 0x3F}, 3, {0x12, 0x30}},
        {"count 1 clears the low nibble", testsupport::Converter("Blit4To4Mapped"), {0xF1}, 1, {0xF0}},
        {"map entries above 15 keep to their nibble (8-bit)", testsupport::Converter("Blit8To4Mapped"), {20, 21}, 2, {0x3C}},
        {"map entries above 15 keep to their nibble (4-bit)", testsupport::Converter("Blit4To4Mapped"), {0x45}, 2, {0x3C}},
    };
    for (const PackingCase& c : cases) {
        Vga16Blitter vga(1);
        for (int k = 0; k < 16; ++k) {
            vga.blitter.m_colorMap[k] = static_cast<uint8_t>(k);
        }
        vga.blitter.m_colorMap[20] = 0xA3;
        vga.blitter.m_colorMap[21] = 0x5C;
        vga.blitter.m_colorMap[4] = 0xF3;
        vga.blitter.m_colorMap[5] = 0x7C;
        EXPECT_EQ(vga.Convert(c.fn, c.src, c.count, 0xFF), c.expected) << c.name;
    }
}

struct DitherCase {
    const char* name;
    int column;
    int value;  // all three channels
    int expected;
};

const DitherCase kFirstRowCases[] = {
    {"column 0, offset -126: 253 is dark", 0, 253, 0},
    {"column 0, offset -126: 254 is light", 0, 254, 15},
    {"column 1, offset +66: 64 is light", 1, 64, 15},
    {"column 1, offset +66: 61 is dark", 1, 61, 0},
};

TEST(Vga16OrderedDither, FirstRowCases)
{
    for (BlitterFn fn : {testsupport::Converter("Blit24To4Mode3"), testsupport::Converter("Blit24To4Mode0")}) {
        for (const DitherCase& c : kFirstRowCases) {
            Vga16Blitter vga(fn == testsupport::Converter("Blit24To4Mode3") ? 3 : 0);
            vga.blitter.m_rowCounter = 0;
            std::vector<uint8_t> src(3 * static_cast<size_t>(c.column + 1), 0);
            std::fill(src.end() - 3, src.end(), static_cast<uint8_t>(c.value));
            const std::vector<uint8_t> row = vga.Convert(fn, src, c.column + 1);
            const int index = c.column % 2 == 0 ? row[c.column / 2] >> 4 : row[c.column / 2] & 15;
            EXPECT_EQ(index, c.expected) << ConverterName(fn) << ": " << c.name;
        }
    }
}

TEST(Vga16Diffusion, DarkGreyRows)
{
    Vga16Blitter vga(2);
    vga.AllocateErrorRow(4);
    const std::vector<uint8_t> src = Bgr({{64, 64, 64}, {64, 64, 64}, {64, 64, 64}, {64, 64, 64}});
    EXPECT_EQ(vga.Convert(testsupport::Converter("Blit24To4Mode2"), src, 4), (std::vector<uint8_t>{0x00, 0x00})) << "first row";
    const std::vector<int> carried = ErrorRowAfter({64, 92, 104, 108});
    for (int i = 0; i < 4; ++i) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(vga.ErrorTerm(i, c), carried[i]) << "first row, pixel " << i << " channel " << c;
        }
    }
    vga.blitter.m_rowCounter = 1;
    EXPECT_EQ(vga.Convert(testsupport::Converter("Blit24To4Mode2"), src, 4), (std::vector<uint8_t>{0x0F, 0x0F})) << "second row";
}

TEST(Vga16Diffusion, OrangeFirstRow)
{
    Vga16Blitter vga(2);
    vga.AllocateErrorRow(2);
    const std::vector<uint8_t> src = Bgr({{200, 100, 30}, {200, 100, 30}});
    EXPECT_EQ(vga.Convert(testsupport::Converter("Blit24To4Mode2"), src, 2), (std::vector<uint8_t>{0x9B}))
        << "red light only, then red and green";
    const std::vector<int> errors[3] = {{-52, -76}, {100, -112}, {28, 40}};
    for (int c = 0; c < 3; ++c) {
        const std::vector<int> carried = ErrorRowAfter(errors[c]);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(vga.ErrorTerm(i, c), carried[i]) << "pixel " << i << " channel " << c;
        }
    }
}

struct TwoColorCase {
    const char* name;
    std::array<uint8_t, 6> colors;  // colours 0 and 1, red, green, blue
    int bitOffset;
    std::vector<uint8_t> src;
    int count;
    std::vector<uint8_t> expected;
};

TEST(Vga16TwoColors, NamedCases)
{
    const TwoColorCase cases[] = {
        {"black and white, 0xA0", {0, 0, 0, 255, 255, 255}, 0, {0xA0}, 4, {0xF0, 0xF0}},
        {"black and red, 0xA0", {0, 0, 0, 255, 0, 0}, 0, {0xA0}, 4, {0x90, 0x90}},
        {"offset 2", {0, 0, 0, 255, 255, 255}, 2, {0x28}, 4, {0xF0, 0xF0}},
        {"offset 6 across a byte", {0, 0, 0, 255, 255, 255}, 6, {0x02, 0x80}, 4, {0xF0, 0xF0}},
        {"colour 0 lit: green and blue", {0, 128, 255, 0, 0, 0}, 0, {0x80}, 3, {0x0E, 0xE0}},
    };
    for (const TwoColorCase& c : cases) {
        for (int mode : {0, 1, 2, 3}) {
            Vga16Blitter vga(mode, 2);
            std::vector<uint8_t> palette(c.colors.begin(), c.colors.end());
            vga.UsePalette(palette);
            vga.blitter.m_srcBitOffset = c.bitOffset;
            vga.blitter.m_rowCounter = 3;
            std::memset(vga.blitter.m_colorMap, 7, sizeof vga.blitter.m_colorMap);
            EXPECT_EQ(vga.Convert(dibdraw::Blit1To4, c.src, c.count), c.expected) << c.name << ", mode " << mode;
        }
    }
}

// ---------------------------------------------------------------------------
// Selection on a 16-colour display

// Stands for an earlier choice that a failed selection must leave in place.
void EarlierConverter(VyrBlitter*, const uint8_t*, uint8_t*, int32_t) {}

struct SelectionCase {
    int srcBits;
    int flag;
    int ditherMode;
    const char* expected;  // nullptr: unsupported
};

TEST(Vga16Selection, Table)
{
    const SelectionCase cases[] = {
        {1, 0, 0, "Blit1To4"},        {1, 1, 2, "Blit1To4"},        {1, 0, 7, "Blit1To4"},
        {4, 1, 0, "Blit4To4Mapped"},  {4, 2, 9, "Blit4To4Mapped"},  {4, 0, 0, "Blit4To4Mode0"},
        {4, 0, 1, "Blit4To4Mode1"},   {4, 0, 2, "Blit4To4Mode2"},   {4, 0, 3, "Blit4To4Mode3"},
        {4, 0, 4, nullptr},           {8, 1, 3, "Blit8To4Mapped"},  {8, 0, 0, "Blit8To4Mode0"},
        {8, 0, 1, "Blit8To4Mode1"},   {8, 0, 2, "Blit8To4Mode2"},   {8, 0, 3, "Blit8To4Mode3"},
        {8, 0, -1, nullptr},          {24, 0, 0, "Blit24To4Mode0"}, {24, 1, 1, "Blit24To4Mode1"},
        {24, 0, 2, "Blit24To4Mode2"}, {24, 1, 3, "Blit24To4Mode3"}, {24, 1, 5, nullptr},
        {16, 0, 0, nullptr},
    };
    for (const SelectionCase& c : cases) {
        Vga16Blitter vga(c.ditherMode);
        std::vector<uint8_t> grey(3 * 256, 128);  // a grey table: this display has no grey variants
        vga.UsePalette(grey);
        vga.blitter.m_convert = EarlierConverter;
        const short result = vga.blitter.AssignBlitterFn(c.srcBits, c.flag);
        const std::string name = std::to_string(c.srcBits) + "-bit, flag " + std::to_string(c.flag) + ", mode " +
                                 std::to_string(c.ditherMode);
        if (c.expected == nullptr) {
            EXPECT_EQ(result, kBlitUnsupported) << name;
            EXPECT_EQ(vga.blitter.m_convert, EarlierConverter) << name << ": converter changed";
        } else {
            EXPECT_EQ(result, kBlitOk) << name;
            EXPECT_STREQ(ConverterName(vga.blitter.m_convert), c.expected) << name;
        }
    }
}

}  // namespace
