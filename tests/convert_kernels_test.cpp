// The 24-bit vector kernels, SSE2 and AVX-512 alike, against slow references
// of their families (cube entries through a colour map, the 16 bright
// colours, monochrome thresholds, luminance), byte for byte over every width
// up to 100 and some long rows, with random colour maps, dither offsets and
// limits. Sources end
// exactly at the row, so that a read past it is caught by the sanitizer,
// and destinations have guard bytes. Failures print the seed and the first
// differing pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert/cube_sse2.h"
#include "convert/mono_sse2.h"
#include "convert/rgb24_avx512.h"
#include "convert/vector_isa.h"
#include "convert/vga16_sse2.h"
#include "palette/tables.h"
#include "support/guarded_buffer.h"
#include "support/luminance.h"
#include "support/random.h"

using testsupport::GuardedBuffer;
using testsupport::Random;

namespace {

struct Kernels {
    const char* name;
    bool byteTables;  // needs ByteTableVectorsAvailable()
    int32_t (*quantize)(const uint8_t*, uint8_t*, int32_t, const uint8_t*, const dibdraw::BlockDither*);
    int32_t (*judge)(const uint8_t*, uint8_t*, int32_t, const dibdraw::BlockDither*);
    int32_t (*threshold)(const uint8_t*, uint8_t*, int32_t, const uint8_t*);
    void (*luminance)(const uint8_t*, int16_t*, int32_t);

    friend void PrintTo(const Kernels& kernels, std::ostream* os) { *os << kernels.name; }
};

const Kernels kKernels[] = {
    {"Sse2", false, dibdraw::QuantizeRgb24BlocksSse2, dibdraw::JudgeRgb24BlocksSse2,
     dibdraw::ThresholdRgb24BlocksSse2, dibdraw::LuminanceRgb24BlocksSse2},
    {"Avx512", true, dibdraw::QuantizeRgb24BlocksAvx512, dibdraw::JudgeRgb24BlocksAvx512,
     dibdraw::ThresholdRgb24BlocksAvx512, dibdraw::LuminanceRgb24BlocksAvx512},
};

const std::vector<int> kWidths = [] {
    std::vector<int> widths;
    for (int width = 0; width <= 100; ++width) {
        widths.push_back(width);
    }
    widths.insert(widths.end(), {127, 128, 129, 191, 192, 193, 255, 256, 257, 1000});
    return widths;
}();

int Clamp(int v) { return std::clamp(v, 0, 255); }

// A pixel is stored blue, green, red.
int ReferenceLuminance(const uint8_t* pixel)
{
    return testsupport::Luminance(pixel[2], pixel[1], pixel[0]);
}

uint8_t ReferenceCube(const uint8_t* pixel, int offset, const uint8_t* colorMap)
{
    auto level = [&](int v) { return dibdraw::kCubeLevel[static_cast<size_t>(Clamp(v + offset))]; };
    return colorMap[level(pixel[2]) + 6 * level(pixel[1]) + 36 * level(pixel[0])];
}

// Black or one of the seven bright colours: each channel light from 128 on,
// with the offset added.
uint8_t ReferenceBright(const uint8_t* pixel, int offset)
{
    auto light = [&](int v) { return v + offset >= 128 ? 1 : 0; };
    return dibdraw::kBrightVgaIndex[static_cast<size_t>(4 * light(pixel[2]) + 2 * light(pixel[1]) + light(pixel[0]))];
}

// Random offsets of a block, with both extremes among them.
dibdraw::BlockDither RandomDither(Random& random)
{
    dibdraw::BlockDither dither{};
    for (int8_t& offset : dither.offsets) {
        offset = static_cast<int8_t>(random.Byte());
    }
    dither.offsets[0] = -128;
    dither.offsets[1] = 127;
    return dither;
}

class Rgb24KernelTest : public ::testing::TestWithParam<Kernels> {
protected:
    void SetUp() override
    {
        if (GetParam().byteTables && !dibdraw::ByteTableVectorsAvailable()) {
            GTEST_SKIP() << "this processor has no AVX-512 byte look-ups";
        }
    }

    std::string Where(const char* family, uint64_t seed, int width) const
    {
        return std::string(GetParam().name) + " " + family + " seed " + std::to_string(seed) + " width " +
               std::to_string(width);
    }
};

// A seeded case of a kernel family: a random row of `width` pixels, exactly
// as long as its pixels, and the case's random source for the rest.
struct KernelCase {
    uint64_t seed;
    int width;
    int repeat;
    Random random;
    std::vector<uint8_t> src;

    const uint8_t* Pixel(int i) const { return &src[3 * static_cast<size_t>(i)]; }
};

// Calls check(kernelCase) for `repeats` cases of every width.
template <typename Check>
void ForEachCase(uint64_t firstSeed, int repeats, Check&& check)
{
    uint64_t seed = firstSeed;
    for (const int width : kWidths) {
        for (int repeat = 0; repeat < repeats; ++repeat, ++seed) {
            KernelCase kernelCase{seed, width, repeat, Random(seed), {}};
            kernelCase.src = kernelCase.random.Bytes(3 * static_cast<size_t>(width));
            check(kernelCase);
            if (::testing::Test::HasFatalFailure()) {
                return;
            }
        }
    }
}

TEST_P(Rgb24KernelTest, CubeEntriesMatchTheReference)
{
    ForEachCase(41000, 3, [&](KernelCase& c) {
        const std::vector<uint8_t> colorMap = c.random.Bytes(256);
        const dibdraw::BlockDither dither = RandomDither(c.random);
        const bool dithered = c.repeat != 0;
        GuardedBuffer dst(static_cast<size_t>(c.width));
        const int32_t done =
            GetParam().quantize(c.src.data(), dst.data(), c.width, colorMap.data(), dithered ? &dither : nullptr);
        const std::string where = Where(dithered ? "dithered" : "undithered", c.seed, c.width);
        ASSERT_EQ(done, c.width / 16 * 16) << where;
        for (int i = 0; i < done; ++i) {
            const int offset = dithered ? dither.offsets[i % 16] : 0;
            ASSERT_EQ(dst[static_cast<size_t>(i)], ReferenceCube(c.Pixel(i), offset, colorMap.data()))
                << where << ": first difference at pixel " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

TEST_P(Rgb24KernelTest, BrightColoursMatchTheReference)
{
    ForEachCase(44000, 3, [&](KernelCase& c) {
        const dibdraw::BlockDither dither = RandomDither(c.random);
        const bool dithered = c.repeat != 0;
        GuardedBuffer dst(static_cast<size_t>(c.width / 16 * 8));
        const int32_t done = GetParam().judge(c.src.data(), dst.data(), c.width, dithered ? &dither : nullptr);
        const std::string where = Where(dithered ? "bright, dithered" : "bright, undithered", c.seed, c.width);
        ASSERT_EQ(done, c.width / 16 * 16) << where;
        for (int i = 0; i < done; ++i) {
            const int offset = dithered ? dither.offsets[i % 16] : 0;
            const uint8_t pair = dst[static_cast<size_t>(i / 2)];
            ASSERT_EQ(i % 2 == 0 ? pair >> 4 : pair & 15, ReferenceBright(c.Pixel(i), offset))
                << where << ": first difference at pixel " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

TEST_P(Rgb24KernelTest, ThresholdBitsMatchTheReference)
{
    ForEachCase(42000, 3, [&](KernelCase& c) {
        std::vector<uint8_t> limits = c.random.Bytes(8);
        limits[0] = 0;
        limits[1] = 255;
        GuardedBuffer dst(static_cast<size_t>(dibdraw::Rgb24BlockPixels(c.width) / 8));
        const int32_t done = GetParam().threshold(c.src.data(), dst.data(), c.width, limits.data());
        const std::string where = Where("threshold", c.seed, c.width);
        ASSERT_EQ(done, dibdraw::Rgb24BlockPixels(c.width)) << where;
        for (int i = 0; i < done; ++i) {
            const bool light = ReferenceLuminance(c.Pixel(i)) > limits[i % 8];
            ASSERT_EQ((dst[static_cast<size_t>(i / 8)] >> (7 - i % 8)) & 1, light ? 1 : 0)
                << where << ": first difference at pixel " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

TEST_P(Rgb24KernelTest, LuminanceMatchesTheWeights)
{
    ForEachCase(43000, 1, [&](KernelCase& c) {
        const int32_t count = dibdraw::Rgb24BlockPixels(c.width);
        GuardedBuffer dst(2 * static_cast<size_t>(count));
        auto* luminance = reinterpret_cast<int16_t*>(dst.data());
        GetParam().luminance(c.src.data(), luminance, count);
        const std::string where = Where("luminance", c.seed, c.width);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(luminance[i], ReferenceLuminance(c.Pixel(i))) << where << ": first difference at pixel " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

INSTANTIATE_TEST_SUITE_P(Kernels, Rgb24KernelTest, ::testing::ValuesIn(kKernels),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
