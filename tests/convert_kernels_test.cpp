// Every kernel set the processor runs, the scalar reference included: the
// 24-bit kernels against slow references of their families (cube entries
// through a colour map, the 16 bright colours, monochrome thresholds,
// luminance), byte for byte over every width up to 100 and some long rows,
// with random colour maps, dither offsets and limits, the byte map against
// its table, the doubling against its source pixels, and the diffusion
// kernels against the scalar set. Sources end exactly at the row, so that a
// read past it is caught by the sanitizer, and destinations have guard
// bytes. Failures print the seed and the first
// differing pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "convert/byte_pairs.h"
#include "convert/kernels.h"
#include "palette/tables.h"
#include "support/guarded_buffer.h"
#include "support/luminance.h"
#include "support/random.h"

using testsupport::GuardedBuffer;
using testsupport::Random;

namespace {

std::vector<const dibdraw::KernelSet*> AllSets()
{
    const auto all = dibdraw::KernelSets();
    return {all.begin(), all.end()};
}

const dibdraw::KernelSet& ScalarSet()
{
    return dibdraw::kScalarKernels;
}

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

class KernelSetTest : public ::testing::TestWithParam<const dibdraw::KernelSet*> {
protected:
    void SetUp() override
    {
        if (!GetParam()->supported()) {
            GTEST_SKIP() << "this processor or system cannot run the " << GetParam()->name << " kernels";
        }
    }

    const dibdraw::KernelSet& Set() const { return *GetParam(); }

    std::string Where(const char* family, uint64_t seed, int width) const
    {
        return std::string(Set().name) + " " + family + " seed " + std::to_string(seed) + " width " +
               std::to_string(width);
    }

    // Calls check(count, random, where) for every run length that is a
    // multiple of `step`, up to the longest run, each with its own seed.
    template <typename Check>
    void ForEachRun(int32_t step, uint64_t firstSeed, const char* family, Check&& check) const
    {
        for (int32_t count = step; count <= dibdraw::kDiffusionRunPixels; count += step) {
            const uint64_t seed = firstSeed + static_cast<uint64_t>(count);
            Random random(seed);
            check(count, random, Where(family, seed, count));
        }
    }
};

// 8 times a truncated error out to the kernels' extremes, plus a code.
int16_t RandomOutcome(Random& random)
{
    return static_cast<int16_t>(random.Between(-3640 * 8, 3640 * 8 + 7));
}

int RandomCarry(Random& random)
{
    return random.Between(-3640, 3640);
}

// Bounds of a base around those of every rule.
dibdraw::StepIndexing RandomIndexing(Random& random)
{
    const auto lowestBase = static_cast<int16_t>(random.Between(-6000, 0));
    return {lowestBase, static_cast<int16_t>(random.Between(4080, 10000)),
            static_cast<int16_t>(lowestBase - random.Between(0, 100))};
}

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

TEST_P(KernelSetTest, CubeEntriesMatchTheReference)
{
    ForEachCase(41000, 3, [&](KernelCase& c) {
        const std::vector<uint8_t> colorMap = c.random.Bytes(256);
        const dibdraw::BlockDither dither = RandomDither(c.random);
        const bool dithered = c.repeat != 0;
        GuardedBuffer dst(static_cast<size_t>(c.width));
        const int32_t done =
            Set().rgb24.quantize(c.src.data(), dst.data(), c.width, colorMap.data(), dithered ? &dither : nullptr);
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

TEST_P(KernelSetTest, BrightColoursMatchTheReference)
{
    ForEachCase(44000, 3, [&](KernelCase& c) {
        const dibdraw::BlockDither dither = RandomDither(c.random);
        const bool dithered = c.repeat != 0;
        GuardedBuffer dst(static_cast<size_t>(c.width / 16 * 8));
        const int32_t done = Set().rgb24.judge(c.src.data(), dst.data(), c.width, dithered ? &dither : nullptr);
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

TEST_P(KernelSetTest, ThresholdBitsMatchTheReference)
{
    ForEachCase(42000, 3, [&](KernelCase& c) {
        std::vector<uint8_t> limits = c.random.Bytes(8);
        limits[0] = 0;
        limits[1] = 255;
        GuardedBuffer dst(static_cast<size_t>(dibdraw::Rgb24BlockPixels(c.width) / 8));
        const int32_t done = Set().rgb24.threshold(c.src.data(), dst.data(), c.width, limits.data());
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

TEST_P(KernelSetTest, LuminanceMatchesTheWeights)
{
    ForEachCase(43000, 1, [&](KernelCase& c) {
        const int32_t count = dibdraw::Rgb24BlockPixels(c.width);
        GuardedBuffer dst(2 * static_cast<size_t>(count));
        auto* luminance = reinterpret_cast<int16_t*>(dst.data());
        Set().rgb24.luminance(c.src.data(), luminance, count);
        const std::string where = Where("luminance", c.seed, c.width);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(luminance[i], ReferenceLuminance(c.Pixel(i))) << where << ": first difference at pixel " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

TEST_P(KernelSetTest, MappedBytesMatchTheMap)
{
    ForEachCase(46000, 1, [&](KernelCase& c) {
        // The row's bytes as indices: a row of `width` pixels of 3 bytes.
        const int count = 3 * c.width;
        const std::vector<uint8_t> map = c.random.Bytes(256);
        GuardedBuffer dst(static_cast<size_t>(count));
        Set().mapBytes(c.src.data(), dst.data(), count, map.data());
        const std::string where = Where("byte map", c.seed, count);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(dst[static_cast<size_t>(i)], map[c.src[static_cast<size_t>(i)]])
                << where << ": first difference at byte " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

// The pair table of a random map, from and to every alignment, against the
// map byte by byte; and once over every pair of bytes.
TEST(BytePairMap, MapsEveryByteAsTheMapDoes)
{
    std::vector<uint16_t> pairs(dibdraw::kBytePairEntries);
    ForEachCase(47000, 2, [&](KernelCase& c) {
        const int skipped = c.repeat == 0 ? 0 : std::min(c.random.Between(1, 7), 3 * c.width);
        const int shift = c.repeat == 0 ? 0 : c.random.Between(1, 7);
        const int count = 3 * c.width - skipped;
        const std::vector<uint8_t> map = c.random.Bytes(256);
        dibdraw::BuildBytePairMap(map.data(), pairs.data());
        GuardedBuffer dst(static_cast<size_t>(shift + count));
        dibdraw::MapBytePairs(c.src.data() + skipped, dst.data() + shift, count, pairs.data());
        const std::string where = "byte pairs seed " + std::to_string(c.seed) + " count " + std::to_string(count);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(dst[static_cast<size_t>(shift + i)], map[c.src[static_cast<size_t>(skipped + i)]])
                << where << ": first difference at byte " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
    Random random(47999);
    const std::vector<uint8_t> map = random.Bytes(256);
    dibdraw::BuildBytePairMap(map.data(), pairs.data());
    std::vector<uint8_t> everyPair(2 * size_t{dibdraw::kBytePairEntries});
    for (size_t k = 0; k < everyPair.size(); ++k) {
        everyPair[k] = static_cast<uint8_t>(k % 2 == 0 ? k / 2 % 256 : k / 512);
    }
    std::vector<uint8_t> mapped(everyPair.size());
    dibdraw::MapBytePairs(everyPair.data(), mapped.data(), static_cast<int32_t>(everyPair.size()), pairs.data());
    for (size_t k = 0; k < everyPair.size(); ++k) {
        ASSERT_EQ(mapped[k], map[everyPair[k]]) << "every pair: first difference at byte " << k;
    }
}

// Copies from and to every alignment, a whole vector block or not.
TEST_P(KernelSetTest, CopiedBytesAreTheRow)
{
    ForEachCase(46500, 2, [&](KernelCase& c) {
        const int skipped = c.repeat == 0 ? 0 : std::min(c.random.Between(1, 63), 3 * c.width);
        const int shift = c.repeat == 0 ? 0 : c.random.Between(1, 63);
        const int count = 3 * c.width - skipped;
        GuardedBuffer dst(static_cast<size_t>(shift + count), 0x5A);
        Set().copyBytes(c.src.data() + skipped, dst.data() + shift, count);
        const std::string where = Where("copy", c.seed, count);
        for (int i = 0; i < shift; ++i) {
            ASSERT_EQ(dst[static_cast<size_t>(i)], 0x5A) << where << ": wrote before the row at byte " << i;
        }
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(dst[static_cast<size_t>(shift + i)], c.src[static_cast<size_t>(skipped + i)])
                << where << ": first difference at byte " << i;
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

// Each output pixel of a doubled row is its source pixel, the source read
// no further than its whole groups of four (for widths that are multiples
// of four the row ends there).
TEST_P(KernelSetTest, DoubledPixelsShowTheirSourcePixelTwice)
{
    ForEachCase(47000, 1, [&](KernelCase& c) {
        const size_t groups = c.src.size() / 12;
        GuardedBuffer dst(24 * groups);
        Set().doubleRgb24(c.src.data(), dst.data(), static_cast<int32_t>(groups));
        const std::string where = Where("doubling", c.seed, c.width);
        for (size_t i = 0; i < 8 * groups; ++i) {
            for (size_t channel = 0; channel < 3; ++channel) {
                ASSERT_EQ(dst[3 * i + channel], c.Pixel(static_cast<int>(i / 2))[channel])
                    << where << ": first difference at output pixel " << i;
            }
        }
        ASSERT_TRUE(dst.GuardsIntact()) << where << ": wrote past the row";
    });
}

// The diffusion kernels against the scalar set, over every run length they
// take, with errors and incoming entries out to their extremes.
TEST_P(KernelSetTest, DiffusionRunsMatchTheScalarSet)
{
    constexpr int32_t kRun = dibdraw::kDiffusionRunPixels;
    ForEachRun(8, 45000, "diffusion run", [&](int32_t count, Random& random, const std::string& where) {
        std::vector<int16_t> values(kRun), outcomes(kRun);
        std::vector<int32_t> incoming(kRun);
        for (int32_t j = 0; j < count; ++j) {
            values[j] = static_cast<int16_t>(random.Byte());
            incoming[j] = j % 7 == 0 ? random.Between(-100000, 100000) : random.Between(-4000, 4000);
            outcomes[j] = RandomOutcome(random);
        }
        const dibdraw::StepIndexing indexing = RandomIndexing(random);
        const int carry = RandomCarry(random);

        std::vector<uint16_t> indices(kRun), expectedIndices(kRun);
        Set().diffusion.stepIndices(values.data(), incoming.data(), indices.data(), count, indexing);
        ScalarSet().diffusion.stepIndices(values.data(), incoming.data(), expectedIndices.data(), count, indexing);
        std::vector<int32_t> entries(kRun), expectedEntries(kRun);
        Set().diffusion.sumRunErrors(outcomes.data(), carry, entries.data(), count);
        ScalarSet().diffusion.sumRunErrors(outcomes.data(), carry, expectedEntries.data(), count);
        std::vector<uint8_t> packed(kRun / 8), expectedPacked(kRun / 8);
        Set().diffusion.packLightCodes(outcomes.data(), packed.data(), count);
        ScalarSet().diffusion.packLightCodes(outcomes.data(), expectedPacked.data(), count);
        for (int32_t j = 0; j < count; ++j) {
            ASSERT_EQ(indices[j], expectedIndices[j]) << where << ": step index of pixel " << j;
            ASSERT_EQ(entries[j], expectedEntries[j]) << where << ": error entry of pixel " << j;
        }
        ASSERT_EQ(packed, expectedPacked) << where << ": packed codes";
    });
}

// The colour passes against the scalar grey passes run on each channel
// alone: the step index of channel c of pixel j from the source byte that
// holds it (red is the third), and each channel's entries from its own
// errors. The source ends exactly at the run; the outputs have guard bytes.
TEST_P(KernelSetTest, ColorDiffusionRunsMatchTheGreyPassesPerChannel)
{
    constexpr int32_t kRun = dibdraw::kDiffusionRunPixels;
    ForEachRun(16, 46000, "colour diffusion run", [&](int32_t count, Random& random, const std::string& where) {
        const size_t terms = 3 * static_cast<size_t>(count);
        const std::vector<uint8_t> bgr = random.Bytes(terms);
        std::vector<int16_t> incoming(terms), outcomes(terms);
        for (size_t k = 0; k < terms; ++k) {
            const int reach = k % 7 == 0 ? 32767 : 4000;
            incoming[k] = static_cast<int16_t>(random.Between(-reach - 1, reach));
            outcomes[k] = RandomOutcome(random);
        }
        const dibdraw::StepIndexing indexing = RandomIndexing(random);
        const int carries[3] = {RandomCarry(random), RandomCarry(random), RandomCarry(random)};

        GuardedBuffer indexBytes(2 * terms), entryBytes(2 * terms);
        auto* indices = reinterpret_cast<uint16_t*>(indexBytes.data());
        auto* entries = reinterpret_cast<int16_t*>(entryBytes.data());
        Set().diffusion.colorStepIndices(bgr.data(), incoming.data(), indices, count, indexing);
        Set().diffusion.sumColorRunErrors(outcomes.data(), carries, entries, count);
        ASSERT_TRUE(indexBytes.GuardsIntact()) << where << ": step indices written past the run";
        ASSERT_TRUE(entryBytes.GuardsIntact()) << where << ": entries written past the run";

        for (int c = 0; c < 3; ++c) {
            std::vector<int16_t> values(kRun), channelOutcomes(kRun);
            std::vector<int32_t> channelIncoming(kRun);
            for (int32_t j = 0; j < count; ++j) {
                values[j] = bgr[3 * static_cast<size_t>(j) + 2 - c];
                channelIncoming[j] = incoming[3 * static_cast<size_t>(j) + c];
                channelOutcomes[j] = outcomes[3 * static_cast<size_t>(j) + c];
            }
            std::vector<uint16_t> expectedIndices(kRun);
            std::vector<int32_t> expectedEntries(kRun);
            ScalarSet().diffusion.stepIndices(values.data(), channelIncoming.data(), expectedIndices.data(), count,
                                              indexing);
            ScalarSet().diffusion.sumRunErrors(channelOutcomes.data(), carries[c], expectedEntries.data(), count);
            for (int32_t j = 0; j < count; ++j) {
                const size_t k = 3 * static_cast<size_t>(j) + static_cast<size_t>(c);
                ASSERT_EQ(indices[k], expectedIndices[j])
                    << where << ": step index of channel " << c << ", pixel " << j;
                ASSERT_EQ(entries[k], expectedEntries[j]) << where << ": entry of channel " << c << ", pixel " << j;
            }
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Kernels, KernelSetTest, ::testing::ValuesIn(AllSets()),
                         [](const auto& info) { return std::string(info.param->name); });

// The set this process runs is the widest that is supported and that
// DIBDRAW_DISABLE does not name, as the suites rerun under that variable
// rely on.
TEST(KernelChoice, ActiveSetIsTheWidestNotDisabled)
{
    const char* variable = std::getenv("DIBDRAW_DISABLE");
    std::vector<std::string> disabled;
    std::istringstream list(variable != nullptr ? variable : "");
    for (std::string name; std::getline(list, name, ',');) {
        disabled.push_back(name);
    }
    const dibdraw::KernelSet* expected = &ScalarSet();
    for (const dibdraw::KernelSet* set : dibdraw::KernelSets()) {
        if (set->supported() && std::find(disabled.begin(), disabled.end(), set->name) == disabled.end()) {
            expected = set;
            break;
        }
    }
    EXPECT_STREQ(dibdraw::ActiveKernels().name, expected->name) << "DIBDRAW_DISABLE=" << (variable != nullptr ? variable : "");
}

}  // namespace
