// The 24-bit to cube kernel. A block's 48 bytes are worked on as they lie,
// blue, green, red, without separating the channels: the dither offset of
// each byte, the channel weight (36, 6, 1) of each byte and the places of
// the sums all repeat with the block, so they are vectors built once per row.
#include "convert/kernels_sse2.h"

#include <emmintrin.h>

#include <cstring>

#include "palette/tables.h"

namespace dibdraw {

namespace {

constexpr int kBlockPixels = kDitherBlockPixels;
constexpr int kBlockBytes = 3 * kBlockPixels;

// The nearest cube level, counted up from 0, of a channel value v is
// floor(5 (v + 26) / 256): one 16-bit multiply-high by 5 x 256.
constexpr int NearestLevel(int v)
{
    return (5 * (v + 26)) >> 8;
}

constexpr bool NearestLevelMatchesTable()
{
    for (int v = 0; v < 256; ++v) {
        if (5 - NearestLevel(v) != kCubeLevel[static_cast<size_t>(v)]) {
            return false;
        }
    }
    return true;
}
static_assert(NearestLevelMatchesTable());

// Byte j of a block is channel j mod 3 of pixel j / 3: blue, green, red.
constexpr int16_t ChannelWeight(int byte)
{
    constexpr int16_t kWeights[3] = {36, 6, 1};
    return kWeights[byte % 3];
}

// The weights of the even (Odd false) or odd bytes of the vector starting
// at firstByte, one per 16-bit lane.
__m128i WeightsOf(int firstByte, bool odd)
{
    alignas(16) int16_t lanes[8];
    for (int k = 0; k < 8; ++k) {
        lanes[k] = ChannelWeight(firstByte + 2 * k + (odd ? 1 : 0));
    }
    return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
}

// The sum of the weighted levels of the pixel at each third byte, from the
// weighted levels of this vector and the next.
__m128i SumTriples(__m128i weighted, __m128i next)
{
    const __m128i second = _mm_or_si128(_mm_srli_si128(weighted, 1), _mm_slli_si128(next, 15));
    const __m128i third = _mm_or_si128(_mm_srli_si128(weighted, 2), _mm_slli_si128(next, 14));
    return _mm_add_epi8(weighted, _mm_add_epi8(second, third));
}

template <bool Dithered>
void QuantizeBlocks(const uint8_t* src, uint8_t* dst, int32_t blocks, const uint8_t* colorMap,
                    const BlockDither* dither)
{
    // Weighted levels add up to 215 - cube entry: taken from 215 in the
    // vector, they are the entries, looked up in the colour map itself. (A
    // reversed copy of the colour map, made for each call, left the ordered
    // converter 30 % slower at 1920 pixels a row.)
    const __m128i highestEntry = _mm_set1_epi8(static_cast<char>(215));
    const BlockByteOffsets offsets(dither);
    __m128i evenWeights[3];
    __m128i oddWeights[3];
    for (int m = 0; m < 3; ++m) {
        evenWeights[m] = WeightsOf(16 * m, false);
        oddWeights[m] = WeightsOf(16 * m, true);
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i levelBias = _mm_set1_epi16(26);
    const __m128i levelScale = _mm_set1_epi16(5 * 256);

    alignas(16) uint8_t entries[kBlockBytes];
    for (int32_t b = 0; b < blocks; ++b, src += kBlockBytes, dst += kBlockPixels) {
        __m128i weighted[3];
        for (int m = 0; m < 3; ++m) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16 * m));
            if constexpr (Dithered) {
                bytes = offsets.Apply(bytes, m);
            }
            // Even and odd bytes in 16-bit lanes by masking and shifting,
            // which keeps the shuffle unit free for the sums below.
            __m128i even = _mm_and_si128(bytes, lowBytes);
            __m128i odd = _mm_srli_epi16(bytes, 8);
            even = _mm_mulhi_epu16(_mm_add_epi16(even, levelBias), levelScale);
            odd = _mm_mulhi_epu16(_mm_add_epi16(odd, levelBias), levelScale);
            even = _mm_mullo_epi16(even, evenWeights[m]);
            odd = _mm_mullo_epi16(odd, oddWeights[m]);
            weighted[m] = _mm_or_si128(even, _mm_slli_epi16(odd, 8));
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(entries),
                        _mm_sub_epi8(highestEntry, SumTriples(weighted[0], weighted[1])));
        _mm_store_si128(reinterpret_cast<__m128i*>(entries + 16),
                        _mm_sub_epi8(highestEntry, SumTriples(weighted[1], weighted[2])));
        _mm_store_si128(reinterpret_cast<__m128i*>(entries + 32),
                        _mm_sub_epi8(highestEntry, SumTriples(weighted[2], zero)));
        // Four output bytes to a word, each word built on its own: byte
        // stores side by side are merged by the compiler into one chain of
        // sixteen shifts, which would bound the loop.
        for (int word = 0; word < kBlockPixels / 4; ++word) {
            const uint8_t* four = entries + 12 * word;
            const uint32_t indices = uint32_t{colorMap[four[0]]} | (uint32_t{colorMap[four[3]]} << 8) |
                                     (uint32_t{colorMap[four[6]]} << 16) | (uint32_t{colorMap[four[9]]} << 24);
            std::memcpy(dst + 4 * word, &indices, 4);
        }
    }
}

}  // namespace

int32_t QuantizeRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    const int32_t blocks = pixels / kBlockPixels;
    if (blocks == 0) {
        return 0;
    }
    if (dither != nullptr) {
        QuantizeBlocks<true>(src, dst, blocks, colorMap, dither);
    } else {
        QuantizeBlocks<false>(src, dst, blocks, colorMap, dither);
    }
    return pixels;
}

}  // namespace dibdraw
