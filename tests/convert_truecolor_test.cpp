// The true-colour display converters against a slow reference: each source
// pixel expanded to three bytes in plain (blue, green, red) or swapped (red,
// green, blue) order, the 1-bit source through the two display colours.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "convert/converters.h"
#include "support/named_case.h"
#include "support/test_support.h"
#include "support/converter_named.h"

using namespace testsupport;

namespace {

using testsupport::PrintTo;

struct TrueColorConverter {
    BlitterFn fn;  // names the case
    int srcBits;
    bool swapped;
};

const TrueColorConverter kConverters[] = {
    {dibdraw::Blit24To24, 24, false}, {testsupport::Converter("Blit24To24Swap"), 24, true},
    {testsupport::Converter("Blit8To24"), 8, false},   {testsupport::Converter("Blit8To24Swap"), 8, true},
    {testsupport::Converter("Blit4To24"), 4, false},   {testsupport::Converter("Blit4To24Swap"), 4, true},
    {dibdraw::Blit1To24, 1, false},
};

struct Triple {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

struct SourceColours {
    std::vector<uint8_t> palette;  // red, green, blue triples
    uint32_t mono0;
    uint32_t mono1;
};

// The reference: pixel by pixel from the layout of each source depth.
std::vector<uint8_t> Reference(const TrueColorConverter& converter, const std::vector<uint8_t>& src, int count,
                               int offset, const SourceColours& colours)
{
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        if (converter.srcBits == 1) {
            const int bit = offset + i;
            const uint32_t colour = ((src[bit / 8] >> (7 - bit % 8)) & 1) != 0 ? colours.mono1 : colours.mono0;
            out.push_back(static_cast<uint8_t>(colour & 0xFF));
            out.push_back(static_cast<uint8_t>((colour >> 8) & 0xFF));
            out.push_back(static_cast<uint8_t>((colour >> 16) & 0xFF));
            continue;
        }
        Triple pixel;
        if (converter.srcBits == 24) {
            pixel = {src[3 * i + 2], src[3 * i + 1], src[3 * i]};
        } else {
            const int index = converter.srcBits == 8 ? src[i] : (i % 2 == 0 ? src[i / 2] >> 4 : src[i / 2] & 15);
            pixel = {colours.palette[3 * index], colours.palette[3 * index + 1], colours.palette[3 * index + 2]};
        }
        if (converter.swapped) {
            out.insert(out.end(), {pixel.red, pixel.green, pixel.blue});
        } else {
            out.insert(out.end(), {pixel.blue, pixel.green, pixel.red});
        }
    }
    return out;
}

// A blitter on a true-colour display whose palette pointer is released
// before it is destroyed.
struct TrueColorDisplay {
    TrueColorDisplay() { ConfigureDisplay(vd::Kind::Rgb24); }
};

struct TrueColorBlitter : TrueColorDisplay {
    TrueColorBlitter() : blitter(0, 0) {}
    ~TrueColorBlitter() { blitter.m_imagePalette = nullptr; }
    VyrBlitter blitter;
};

const int kWidths[] = {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 23, 24, 25, 31, 32, 33, 47, 63, 64, 65, 70};

class TrueColorConverterTest : public ::testing::TestWithParam<TrueColorConverter> {};

TEST_P(TrueColorConverterTest, MatchesTheReference)
{
    const TrueColorConverter& converter = GetParam();
    const int offsets = converter.srcBits == 1 ? 8 : 1;
    int caseIndex = 0;
    for (const int width : kWidths) {
        for (int offset = 0; offset < offsets; ++offset) {
            for (int repeat = 0; repeat < 4; ++repeat, ++caseIndex) {
                const uint64_t seed = 1000u * static_cast<uint64_t>(converter.srcBits * 2 + converter.swapped) +
                                      caseIndex;
                Random random(seed);
                TrueColorBlitter owner;
                VyrBlitter& blitter = owner.blitter;
                SourceColours colours;
                // Exactly the entries the source depth can name.
                colours.palette = random.Bytes(converter.srcBits == 8 ? 768 : 48);
                colours.mono0 = static_cast<uint32_t>(random.Next());
                colours.mono1 = static_cast<uint32_t>(random.Next());
                blitter.m_imagePalette = converter.srcBits == 24 ? nullptr : colours.palette.data();
                blitter.m_monoColor0 = colours.mono0;
                blitter.m_monoColor1 = colours.mono1;
                blitter.m_srcBitOffset = offset;
                blitter.m_rowCounter = random.Between(0, 1000);

                const std::vector<uint8_t> src = random.Bytes(SourceRowBytes(converter.srcBits, width, offset));
                GuardedBuffer dst(3 * static_cast<size_t>(width));
                for (size_t b = 0; b < dst.size(); ++b) {
                    dst[b] = random.Byte();
                }
                converter.fn(&blitter, src.data(), dst.data(), width);

                const std::string where = NameOf(converter) + " seed " + std::to_string(seed) +
                                          " width " + std::to_string(width) + " offset " + std::to_string(offset);
                const std::string difference =
                    FirstDifference(dst.data(), Reference(converter, src, width, offset, colours), 24);
                ASSERT_TRUE(difference.empty()) << where << ": " << difference;
                ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past " << dst.size() << " bytes";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Every, TrueColorConverterTest, ::testing::ValuesIn(kConverters), CaseName());

// ---- Worked cases -------------------------------------------------------

struct WorkedCase {
    const char* name;
    BlitterFn fn;
    std::vector<uint8_t> src;  // exactly the bytes the converter may read
    int count;
    int offset;
    std::vector<uint8_t> expected;
};

void RunWorkedCases(const std::vector<WorkedCase>& cases, std::vector<uint8_t> palette, uint32_t mono0 = 0,
                    uint32_t mono1 = 0)
{
    for (const WorkedCase& c : cases) {
        TrueColorBlitter owner;
        owner.blitter.m_imagePalette = palette.data();
        owner.blitter.m_monoColor0 = mono0;
        owner.blitter.m_monoColor1 = mono1;
        owner.blitter.m_srcBitOffset = c.offset;
        std::vector<uint8_t> src = c.src;
        GuardedBuffer dst(c.expected.size(), 0x5A);
        c.fn(&owner.blitter, src.data(), dst.data(), c.count);
        EXPECT_EQ(std::vector<uint8_t>(dst.data(), dst.data() + dst.size()), c.expected) << c.name;
        EXPECT_TRUE(dst.GuardsIntact()) << c.name << ": wrote past " << c.expected.size() << " bytes";
    }
}

TEST(TrueColorWorkedCases, ByteOrder)
{
    std::vector<uint8_t> palette(768, 0x77);
    palette[3 * 9] = 255;  // entry 9: red 255, green 0, blue 0
    palette[3 * 9 + 1] = 0;
    palette[3 * 9 + 2] = 0;
    RunWorkedCases(
        {
            {"24-bit pixel plain", dibdraw::Blit24To24, {0x10, 0x20, 0x30}, 1, 0, {0x10, 0x20, 0x30}},
            {"24-bit pixel swapped", testsupport::Converter("Blit24To24Swap"), {0x10, 0x20, 0x30}, 1, 0, {0x30, 0x20, 0x10}},
            {"8-bit red entry plain", testsupport::Converter("Blit8To24"), {9}, 1, 0, {0x00, 0x00, 0xFF}},
            {"8-bit red entry swapped", testsupport::Converter("Blit8To24Swap"), {9}, 1, 0, {0xFF, 0x00, 0x00}},
        },
        palette);
}

TEST(TrueColorWorkedCases, FourBitNibbles)
{
    std::vector<uint8_t> palette(48);
    for (int k = 0; k < 16; ++k) {
        palette[3 * k] = static_cast<uint8_t>(0x10 + k);  // red
        palette[3 * k + 1] = static_cast<uint8_t>(0x40 + k);
        palette[3 * k + 2] = static_cast<uint8_t>(0x80 + k);
    }
    RunWorkedCases(
        {
            {"0x3A, count 2: entries 3 then 10", testsupport::Converter("Blit4To24"), {0x3A}, 2, 0,
             {0x83, 0x43, 0x13, 0x8A, 0x4A, 0x1A}},
            {"0x3A, count 2, swapped", testsupport::Converter("Blit4To24Swap"), {0x3A}, 2, 0, {0x13, 0x43, 0x83, 0x1A, 0x4A, 0x8A}},
            {"0x3A, count 1: entry 3 only", testsupport::Converter("Blit4To24"), {0x3A}, 1, 0, {0x83, 0x43, 0x13}},
            {"0x3A, count 1, swapped", testsupport::Converter("Blit4To24Swap"), {0x3A}, 1, 0, {0x13, 0x43, 0x83}},
        },
        palette);
}

TEST(TrueColorWorkedCases, OneBitExpansion)
{
    const std::vector<uint8_t> c1 = {0x11, 0x22, 0x33};
    const std::vector<uint8_t> c0 = {0xAA, 0xBB, 0xCC};
    auto pixels = [&](std::initializer_list<int> bits) {
        std::vector<uint8_t> out;
        for (const int bit : bits) {
            const std::vector<uint8_t>& colour = bit != 0 ? c1 : c0;
            out.insert(out.end(), colour.begin(), colour.end());
        }
        return out;
    };
    RunWorkedCases(
        {
            {"offset 3, count 5 of 0x14 reads one byte", dibdraw::Blit1To24, {0x14}, 5, 3,
             pixels({1, 0, 1, 0, 0})},
            {"offset 3, count 6 takes the second byte's top bit", dibdraw::Blit1To24, {0x14, 0x80}, 6, 3,
             pixels({1, 0, 1, 0, 0, 1})},
            {"offset 3, count 6, second byte's top bit clear", dibdraw::Blit1To24, {0x14, 0x7F}, 6, 3,
             pixels({1, 0, 1, 0, 0, 0})},
        },
        {}, 0x99CCBBAA, 0x88332211);
    RunWorkedCases({{"0x80, count 2, white and black", dibdraw::Blit1To24, {0x80}, 2, 0,
                     {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}}},
                   {}, 0x00000000, 0x7FFFFFFF);
    RunWorkedCases({{"high bytes never reach the output", dibdraw::Blit1To24, {0x40}, 2, 0,
                     {0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF}}},
                   {}, 0xEE000000, 0xFFFFFFFF);
}

}  // namespace
