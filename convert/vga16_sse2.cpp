// The 24-bit to 16-colour kernel. With its offset added, a channel is light
// when the top bit of its byte is set, so one byte mask per vector judges
// sixteen channels at once; the 48 bits of a block then hold each pixel's
// colour code 4 red + 2 green + blue at bits 3k..3k+2, and two pixels' codes
// look up their output byte in a table of 64.
#include "convert/kernels_sse2.h"

#include <array>

#include "palette/tables.h"

namespace dibdraw {

namespace {

constexpr std::array<uint8_t, 64> MakePairBytes()
{
    std::array<uint8_t, 64> pairs{};
    for (size_t codes = 0; codes < 64; ++codes) {
        pairs[codes] = static_cast<uint8_t>((kBrightVgaIndex[codes & 7] << 4) | kBrightVgaIndex[codes >> 3]);
    }
    return pairs;
}

constexpr std::array<uint8_t, 64> kPairBytes = MakePairBytes();

}  // namespace

int32_t JudgeRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    const BlockByteOffsets offsets(dither);
    for (int32_t i = 0; i < pixels; i += kDitherBlockPixels, src += 3 * kDitherBlockPixels) {
        uint64_t light = 0;
        for (int m = 0; m < 3; ++m) {
            const __m128i bytes = offsets.Apply(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16 * m)), m);
            light |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(bytes))) << (16 * m);
        }
        for (int pair = 0; pair < kDitherBlockPixels / 2; ++pair) {
            dst[i / 2 + pair] = kPairBytes[(light >> (6 * pair)) & 63];
        }
    }
    return pixels;
}

}  // namespace dibdraw
