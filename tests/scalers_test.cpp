// The horizontal scalers against slow references written from the sampling
// rules: output pixel j is source pixel floor(j * srcCount / dstCount); grey
// level j averages the source pixels i with floor(i * dstCount / srcCount) = j.
//
// Each source row is copied into a heap block of exactly the bytes that hold
// its pixels, so a read past them is an AddressSanitizer error in the
// sanitized build. Every destination is exactly the documented size, filled
// with a pattern and followed by guard bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "blitter/scalers.h"
#include "support/named_case.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

using testsupport::PrintTo;

enum class Format { Rgb24, Index8, Index4, Bit1, Grey };

struct ScalerUnderTest {
    const char* name;
    Format format;
    StretchFn fn;
};

const ScalerUnderTest kScalers[] = {
    {"Stretch24", Format::Rgb24, &dibdraw::Stretch24},
    {"Stretch8", Format::Index8, &dibdraw::Stretch8},
    {"Stretch4", Format::Index4, &dibdraw::Stretch4},
    {"Stretch1", Format::Bit1, &dibdraw::Stretch1},
    {"Shrink1ToGray", Format::Grey, &dibdraw::Shrink1ToGray},
};

bool IsOneBit(Format format) { return format == Format::Bit1 || format == Format::Grey; }

size_t SourceBytes(Format format, int count, int bitOffset)
{
    const int bits = format == Format::Rgb24 ? 24 : format == Format::Index8 ? 8 : format == Format::Index4 ? 4 : 1;
    return SourceRowBytes(bits, count, bitOffset);
}

size_t DestinationBytes(Format format, int count)
{
    if (count <= 0) {
        return 0;
    }
    switch (format) {
    case Format::Rgb24: return 3 * static_cast<size_t>(count);
    case Format::Index8:
    case Format::Grey: return static_cast<size_t>(count);
    case Format::Index4: return (static_cast<size_t>(count) + 1) / 2;
    case Format::Bit1: return (static_cast<size_t>(count) + 7) / 8;
    }
    return 0;
}

int Bit(const std::vector<uint8_t>& row, int position)
{
    return (row[static_cast<size_t>(position / 8)] >> (7 - position % 8)) & 1;
}

int Nibble(const std::vector<uint8_t>& row, int i)
{
    const uint8_t pair = row[static_cast<size_t>(i / 2)];
    return i % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

int NearestLower(int j, int srcCount, int dstCount)
{
    return static_cast<int>(static_cast<int64_t>(j) * srcCount / dstCount);
}

// The expected destination bytes for a source of srcCount pixels and a
// destination of dstCount pixels, given the destination's prior contents.
std::vector<uint8_t> Reference(Format format, const std::vector<uint8_t>& src, int srcCount, int dstCount,
                               int bitOffset, std::vector<uint8_t> dst)
{
    if (srcCount <= 0 || dstCount <= 0) {
        return dst;
    }
    for (int j = 0; j < dstCount; ++j) {
        const int i = NearestLower(j, srcCount, dstCount);
        switch (format) {
        case Format::Rgb24:
            for (int k = 0; k < 3; ++k) {
                dst[static_cast<size_t>(3 * j + k)] = src[static_cast<size_t>(3 * i + k)];
            }
            break;
        case Format::Index8: dst[static_cast<size_t>(j)] = src[static_cast<size_t>(i)]; break;
        case Format::Index4: {
            uint8_t& byte = dst[static_cast<size_t>(j / 2)];
            if (j % 2 == 0) {
                byte = static_cast<uint8_t>(Nibble(src, i) << 4);
            } else {
                byte = static_cast<uint8_t>(byte | Nibble(src, i));
            }
            break;
        }
        case Format::Bit1: {
            uint8_t& byte = dst[static_cast<size_t>(j / 8)];
            if (j % 8 == 0) {
                byte = 0;
            }
            byte = static_cast<uint8_t>(byte | (Bit(src, bitOffset + i) << (7 - j % 8)));
            break;
        }
        case Format::Grey:
            if (srcCount > dstCount) {
                int ones = 0;
                int pixels = 0;
                for (int s = 0; s < srcCount; ++s) {
                    if (NearestLower(s, dstCount, srcCount) == j) {
                        ones += Bit(src, bitOffset + s);
                        ++pixels;
                    }
                }
                dst[static_cast<size_t>(j)] = static_cast<uint8_t>(ones * 255 / pixels);
            } else {
                dst[static_cast<size_t>(j)] = Bit(src, bitOffset + i) != 0 ? 255 : 0;
            }
            break;
        }
    }
    return dst;
}

std::string Describe(const ScalerUnderTest& scaler, uint64_t seed, int srcCount, int dstCount, int bitOffset)
{
    std::ostringstream text;
    text << scaler.name << " seed " << seed << " srcCount " << srcCount << " dstCount " << dstCount
         << " bitOffset " << bitOffset;
    return text.str();
}

// Runs one scaler on `source` and compares with the reference; returns false
// (after reporting) on the first difference.
bool RunAndCompare(const ScalerUnderTest& scaler, const std::vector<uint8_t>& source, int srcCount, int dstCount,
                   int bitOffset, uint8_t fill, const std::string& context)
{
    // A block of exactly the source's bytes: nothing around it may be read.
    std::vector<uint8_t> exactSource(source.begin(),
                                     source.begin() + static_cast<long>(SourceBytes(scaler.format, srcCount, bitOffset)));
    const size_t dstBytes = DestinationBytes(scaler.format, dstCount);
    GuardedBuffer dst(dstBytes, fill);
    scaler.fn(exactSource.data(), dst.data(), srcCount, dstCount, bitOffset);

    const std::vector<uint8_t> expected =
        Reference(scaler.format, source, srcCount, dstCount, bitOffset, std::vector<uint8_t>(dstBytes, fill));
    for (size_t k = 0; k < dstBytes; ++k) {
        if (dst[k] != expected[k]) {
            ADD_FAILURE() << context << ": first difference at destination byte " << k << ": got "
                          << int(dst[k]) << ", expected " << int(expected[k]);
            return false;
        }
    }
    if (!dst.GuardsIntact()) {
        ADD_FAILURE() << context << ": wrote past the " << dstBytes << "-byte destination";
        return false;
    }
    return true;
}

// Enlarging, reducing and equal counts from 0 to 300, each bit offset of a
// 1-bit row, destinations prefilled with 0x00 and 0xFF so that bits and
// nibbles left unset are caught.
class ScalerMatchesReference : public ::testing::TestWithParam<ScalerUnderTest> {};

TEST_P(ScalerMatchesReference, OverChosenCounts)
{
    const ScalerUnderTest& scaler = GetParam();
    const int counts[] = {0, 1, 2, 3, 7, 8, 9, 15, 16, 17, 31, 33, 64, 100, 127, 160, 255, 256, 299, 300};
    const int offsets = IsOneBit(scaler.format) ? 8 : 1;
    uint64_t seed = 0;
    for (int srcCount : counts) {
        for (int dstCount : counts) {
            for (int bitOffset = 0; bitOffset < offsets; ++bitOffset) {
                ++seed;
                Random random(seed);
                const std::vector<uint8_t> source = random.Bytes(SourceBytes(scaler.format, srcCount, bitOffset));
                const uint8_t fill = (seed & 1) != 0 ? 0xFF : 0x00;
                if (!RunAndCompare(scaler, source, srcCount, dstCount, bitOffset, fill,
                                   Describe(scaler, seed, srcCount, dstCount, bitOffset))) {
                    return;
                }
            }
        }
    }
}

TEST_P(ScalerMatchesReference, OverRandomCounts)
{
    const ScalerUnderTest& scaler = GetParam();
    for (uint64_t seed = 1000; seed < 3000; ++seed) {
        Random random(seed);
        const int srcCount = random.Between(0, 300);
        const int dstCount = random.Between(0, 300);
        const int bitOffset = IsOneBit(scaler.format) ? random.Between(0, 7) : 0;
        const std::vector<uint8_t> source = random.Bytes(SourceBytes(scaler.format, srcCount, bitOffset));
        if (!RunAndCompare(scaler, source, srcCount, dstCount, bitOffset, random.Byte(),
                           Describe(scaler, seed, srcCount, dstCount, bitOffset))) {
            return;
        }
    }
}

// Counts that are not positive write nothing and read nothing.
TEST_P(ScalerMatchesReference, NonPositiveCountsWriteNothing)
{
    const ScalerUnderTest& scaler = GetParam();
    const int pairs[][2] = {{0, 5}, {-1, 5}, {-300, 5}, {5, 0}, {5, -1}, {5, -300}, {0, 0}, {-3, -3}};
    for (const auto& pair : pairs) {
        const int srcCount = pair[0];
        const int dstCount = pair[1];
        std::vector<uint8_t> source(SourceBytes(scaler.format, srcCount, 0), 0xFF);
        GuardedBuffer dst(16, 0x3C);
        scaler.fn(source.data(), dst.data(), srcCount, dstCount, 0);
        for (size_t k = 0; k < dst.size(); ++k) {
            ASSERT_EQ(dst[k], 0x3C) << scaler.name << " srcCount " << srcCount << " dstCount " << dstCount
                                    << " wrote byte " << k;
        }
        EXPECT_TRUE(dst.GuardsIntact()) << scaler.name;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryScaler, ScalerMatchesReference, ::testing::ValuesIn(kScalers),
                         testsupport::CaseName());

// A span of a scaled row is that stretch of the whole row, whatever the span's
// start and length; half the cases enlarge by a whole factor, which the
// samplers take in a loop of their own. The span's source is handed over as
// the pipeline does: from its first pixel, 4-bit rows shifted to a whole
// byte, 1-bit rows at the bit offset of that pixel.
struct SpanScalerUnderTest {
    const char* name;
    Format format;
    dibdraw::SpanScaler span;
    StretchFn whole;
};

const SpanScalerUnderTest kSpanScalers[] = {
    {"Stretch24Span", Format::Rgb24, &dibdraw::Stretch24Span, &dibdraw::Stretch24},
    {"Stretch8Span", Format::Index8, &dibdraw::Stretch8Span, &dibdraw::Stretch8},
    {"Stretch4Span", Format::Index4, &dibdraw::Stretch4Span, &dibdraw::Stretch4},
    {"Stretch1Span", Format::Bit1, &dibdraw::Stretch1Span, &dibdraw::Stretch1},
};

// Pixel j of a row, starting at bit `bitOffset` for 1-bit rows.
uint32_t PixelAt(Format format, const uint8_t* row, int64_t j, int bitOffset = 0)
{
    switch (format) {
    case Format::Rgb24: return row[3 * j] | (uint32_t{row[3 * j + 1]} << 8) | (uint32_t{row[3 * j + 2]} << 16);
    case Format::Index4: return (row[j / 2] >> (j % 2 == 0 ? 4 : 0)) & 0x0Fu;
    case Format::Bit1: return (row[(j + bitOffset) / 8] >> (7 - (j + bitOffset) % 8)) & 1u;
    default: return row[j];
    }
}

// Source pixels [begin, end) of a row, as a span scaler receives them.
std::vector<uint8_t> SpanSourceRow(Format format, const std::vector<uint8_t>& row, int64_t begin, int64_t end,
                                   int& bitOffset)
{
    bitOffset = 0;
    switch (format) {
    case Format::Rgb24: return {row.begin() + 3 * begin, row.begin() + 3 * end};
    case Format::Index8: return {row.begin() + begin, row.begin() + end};
    case Format::Bit1:
        bitOffset = static_cast<int>(begin % 8);
        return {row.begin() + begin / 8, row.begin() + (end + 7) / 8};
    default: {
        std::vector<uint8_t> nibbles(static_cast<size_t>(end - begin + 1) / 2);
        for (int64_t j = begin; j < end; ++j) {
            nibbles[static_cast<size_t>(j - begin) / 2] |=
                static_cast<uint8_t>(PixelAt(format, row.data(), j) << ((j - begin) % 2 == 0 ? 4 : 0));
        }
        return nibbles;
    }
    }
}

class SpanScalerMatchesWholeRow : public ::testing::TestWithParam<SpanScalerUnderTest> {};

TEST_P(SpanScalerMatchesWholeRow, OverRandomSpans)
{
    const SpanScalerUnderTest& scaler = GetParam();
    for (uint64_t seed = 0; seed < 800; ++seed) {
        Random random(seed);
        const int srcCount = random.Between(1, 120);
        const int dstCount = seed % 2 == 0 ? srcCount * random.Between(2, 5) : random.Between(1, 400);
        const int first = random.Between(0, dstCount - 1);
        const dibdraw::ScaleSpan span = {srcCount, dstCount, first, random.Between(1, dstCount - first)};
        const std::vector<uint8_t> row = random.Bytes(SourceBytes(scaler.format, srcCount, 0));
        std::vector<uint8_t> whole(DestinationBytes(scaler.format, dstCount));
        scaler.whole(row.data(), whole.data(), srcCount, dstCount, 0);

        const dibdraw::SourceRange range = dibdraw::SpanSource(span, false);
        int bitOffset = 0;
        const std::vector<uint8_t> source = SpanSourceRow(scaler.format, row, range.begin, range.end, bitOffset);
        GuardedBuffer out(DestinationBytes(scaler.format, span.count));
        scaler.span(source.data(), out.data(), span, bitOffset);

        for (int j = 0; j < span.count; ++j) {
            ASSERT_EQ(PixelAt(scaler.format, out.data(), j), PixelAt(scaler.format, whole.data(), first + j))
                << scaler.name << " seed " << seed << ": " << srcCount << " to " << dstCount << ", span of "
                << span.count << " from " << first << ": first difference at span pixel " << j;
        }
        ASSERT_TRUE(out.GuardsIntact()) << scaler.name << " seed " << seed << ": wrote past the span";
    }
}

INSTANTIATE_TEST_SUITE_P(EverySpanScaler, SpanScalerMatchesWholeRow, ::testing::ValuesIn(kSpanScalers),
                         testsupport::CaseName());

// Worked examples, as named cases over 8-bit pixels, nibbles and bits.
struct NamedCase {
    const char* name;
    StretchFn fn;
    std::vector<uint8_t> source;
    int srcCount;
    int dstCount;
    int bitOffset;
    std::vector<uint8_t> expected;
};

class NamedScalerCase : public ::testing::TestWithParam<NamedCase> {};

TEST_P(NamedScalerCase, GivesTheDocumentedOutput)
{
    const NamedCase& c = GetParam();
    GuardedBuffer dst(c.expected.size(), 0x77);
    c.fn(c.source.data(), dst.data(), c.srcCount, c.dstCount, c.bitOffset);
    for (size_t k = 0; k < c.expected.size(); ++k) {
        EXPECT_EQ(int(dst[k]), int(c.expected[k])) << c.name << ": byte " << k;
    }
    EXPECT_TRUE(dst.GuardsIntact()) << c.name << ": wrote past the destination";
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, NamedScalerCase,
    ::testing::Values(
        NamedCase{"Enlarge3To7", &dibdraw::Stretch8, {10, 11, 12}, 3, 7, 0, {10, 10, 10, 11, 11, 12, 12}},
        NamedCase{"Reduce7To3", &dibdraw::Stretch8, {10, 11, 12, 13, 14, 15, 16}, 7, 3, 0, {10, 12, 14}},
        NamedCase{"Enlarge3To7Rgb",
                  &dibdraw::Stretch24,
                  {1, 2, 3, 4, 5, 6, 7, 8, 9},
                  3,
                  7,
                  0,
                  {1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6, 7, 8, 9, 7, 8, 9}},
        NamedCase{"Reduce7To3Nibbles", &dibdraw::Stretch4, {0x01, 0x23, 0x45, 0x60}, 7, 3, 0, {0x02, 0x40}},
        NamedCase{"EqualCountsCopy8", &dibdraw::Stretch8, {9, 8, 7, 6}, 4, 4, 0, {9, 8, 7, 6}},
        NamedCase{"EqualCountsCopyOddNibbles", &dibdraw::Stretch4, {0x12, 0x3F}, 3, 3, 0, {0x12, 0x30}},
        NamedCase{"EqualCountsRealignBits", &dibdraw::Stretch1, {0x1F, 0xE0}, 8, 8, 3, {0xFF}},
        NamedCase{"EqualCountsRealignBitsLowTail", &dibdraw::Stretch1, {0xB5, 0xFF}, 9, 9, 0, {0xB5, 0x80}},
        NamedCase{"NibbleAEnlarged1To3", &dibdraw::Stretch4, {0xAF}, 1, 3, 0, {0xAA, 0xA0}},
        NamedCase{"Enlarge3To7Bits", &dibdraw::Stretch1, {0xA0}, 3, 7, 0, {0b11100110}},
        NamedCase{"GreyGroups8To3", &dibdraw::Shrink1ToGray, {0b11010011}, 8, 3, 0, {170, 85, 255}},
        NamedCase{"GreyGroups8To3AtBitOffset3",
                  &dibdraw::Shrink1ToGray,
                  {0b00011010, 0b01100000},
                  8,
                  3,
                  3,
                  {170, 85, 255}},
        NamedCase{"BitOffset3StartsAtFourthBit", &dibdraw::Stretch1, {0b00011010, 0b01100000}, 8, 8, 3,
                  {0b11010011}}),
    testsupport::CaseName());

}  // namespace

// Doubling the width takes a path of its own for whole groups of pixels:
// every start and length of a doubled span, up to a few groups, must show
// each source pixel twice, write nothing past the span and read nothing
// past its source (an exact heap block).
TEST(Stretch24Doubling, EveryStartAndLengthMatchesTheSamplingRule)
{
    for (int srcCount = 1; srcCount <= 24; ++srcCount) {
        const int dstCount = 2 * srcCount;
        Random random(static_cast<uint64_t>(srcCount));
        const std::vector<uint8_t> row = random.Bytes(3 * static_cast<size_t>(srcCount));
        for (int first = 0; first < dstCount; ++first) {
            for (int count = 1; first + count <= dstCount; ++count) {
                const dibdraw::ScaleSpan span = {srcCount, dstCount, first, count};
                const dibdraw::SourceRange range = dibdraw::SpanSource(span, false);
                const std::vector<uint8_t> source(row.begin() + 3 * range.begin, row.begin() + 3 * range.end);
                GuardedBuffer out(3 * static_cast<size_t>(count), random.Byte());
                dibdraw::Stretch24Span(source.data(), out.data(), span, 0);
                for (int j = 0; j < count; ++j) {
                    ASSERT_EQ(PixelAt(Format::Rgb24, out.data(), j), PixelAt(Format::Rgb24, row.data(), (first + j) / 2))
                        << srcCount << " to " << dstCount << ", span of " << count << " from " << first
                        << ": first difference at span pixel " << j;
                }
                ASSERT_TRUE(out.GuardsIntact()) << srcCount << " to " << dstCount << ", span of " << count << " from "
                                                << first << ": wrote past the span";
            }
        }
    }
}
