// The 24-bit to monochrome kernels. Each channel's luminance share is
// rounded on its own by a multiply-high (convert/luma_shares.h).
//
// The luminance kernel spreads each 16-byte load so that its four pixels have
// a 32-bit lane each (blue, green, red and a byte of the next pixel). The
// threshold, which needs only a bit a pixel, takes the bytes of a block as
// they lie instead: every byte gets the share of the channel its place gives
// it (blue, green, red in turn), each pixel's three shares are summed into
// its first byte, and the bits of the first bytes are gathered.
#include "convert/kernels_sse2.h"

#include <emmintrin.h>

#include <array>

#include "convert/luma_shares.h"

namespace dibdraw {

namespace {

// Pixel k of the 12 bytes loaded starts at byte 3k and belongs at byte 4k:
// shifted up by k bytes.
inline __m128i SpreadPixels(__m128i bytes)
{
    const __m128i lane0 = _mm_setr_epi32(-1, 0, 0, 0);
    const __m128i lane1 = _mm_setr_epi32(0, -1, 0, 0);
    const __m128i lane2 = _mm_setr_epi32(0, 0, -1, 0);
    const __m128i lane3 = _mm_setr_epi32(0, 0, 0, -1);
    return _mm_or_si128(
        _mm_or_si128(_mm_and_si128(bytes, lane0), _mm_and_si128(_mm_slli_si128(bytes, 1), lane1)),
        _mm_or_si128(_mm_and_si128(_mm_slli_si128(bytes, 2), lane2), _mm_and_si128(_mm_slli_si128(bytes, 3), lane3)));
}

// The luminance shares of channel values in 16-bit lanes, each lane weighted
// by its own weight.
inline __m128i LumaShares(__m128i values, __m128i weights)
{
    const __m128i scaled = _mm_add_epi16(_mm_mullo_epi16(values, weights), _mm_set1_epi16(kLumaRounding));
    return _mm_srli_epi16(_mm_mulhi_epu16(scaled, _mm_set1_epi16(kLumaReciprocal)), 3);
}

// Luminance of the four pixels of the 32-bit lanes.
inline __m128i Luminance4(__m128i pixels)
{
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    // 16-bit lanes: blue and red of each pixel, then green and the stray byte.
    const __m128i blueRed = _mm_and_si128(pixels, lowBytes);
    const __m128i greenStray = _mm_srli_epi16(pixels, 8);
    const __m128i blueRedShares = LumaShares(blueRed, _mm_set1_epi32((kLumaWeights[2] << 16) | kLumaWeights[0]));
    // The stray byte's weight is 0 and its share rounds to 0.
    const __m128i greenShares = LumaShares(greenStray, _mm_set1_epi32(kLumaWeights[1]));
    return _mm_madd_epi16(_mm_add_epi16(blueRedShares, greenShares), _mm_set1_epi16(1));
}

// The luminance of the sixteen pixels of a block, four to a vector in
// 32-bit lanes, in order.
inline void LuminanceBlock(const uint8_t* src, __m128i (&luminance)[4])
{
    for (int k = 0; k < 4; ++k) {
        luminance[k] = Luminance4(SpreadPixels(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12 * k))));
    }
}

// The weights of the bytes of a block from byte `first` on, a 16-bit lane
// each: byte j is blue, green or red as j mod 3 is 0, 1 or 2.
inline __m128i ByteWeights(int first)
{
    auto weight = [&](int j) { return static_cast<int16_t>(kLumaWeights[(first + j) % 3]); };
    return _mm_setr_epi16(weight(0), weight(1), weight(2), weight(3), weight(4), weight(5), weight(6), weight(7));
}

// The luminance shares of the sixteen bytes of vector V (0 to 2) of a block,
// a byte each (at most 150).
template <int V>
inline __m128i ByteShares(const uint8_t* block)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * V));
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(LumaShares(_mm_unpacklo_epi8(bytes, zero), ByteWeights(16 * V)),
                            LumaShares(_mm_unpackhi_epi8(bytes, zero), ByteWeights(16 * V + 8)));
}

// Each byte plus the two after it, the last ones taken from `next`. Three
// shares that follow each other sum to at most 254, so no byte overflows.
inline __m128i SumOfThree(__m128i shares, __m128i next)
{
    const __m128i second = _mm_or_si128(_mm_srli_si128(shares, 1), _mm_slli_si128(next, 15));
    const __m128i third = _mm_or_si128(_mm_srli_si128(shares, 2), _mm_slli_si128(next, 14));
    return _mm_add_epi8(shares, _mm_add_epi8(second, third));
}

// Bits 0, 3, 6, ..., 45 of `bits` as bits 0 to 15, each group gathered
// next to its neighbour, two, four and eight at a time.
inline unsigned EveryThirdBit(uint64_t bits)
{
    bits &= 0x249249249249;
    bits = (bits | bits >> 2) & 0x0C30C30C30C3;
    bits = (bits | bits >> 4) & 0x00F00F00F00F;
    bits = (bits | bits >> 8) & 0x0000FF0000FF;
    return static_cast<unsigned>((bits | bits >> 16) & 0xFFFF);
}

// Each byte with its bits in reverse order: the gathered bits hold the first
// pixel lowest, a monochrome row wants it highest.
constexpr auto kReversedBits = [] {
    std::array<uint8_t, 256> reversed{};
    for (int v = 0; v < 256; ++v) {
        int r = 0;
        for (int bit = 0; bit < 8; ++bit) {
            r |= ((v >> bit) & 1) << (7 - bit);
        }
        reversed[static_cast<size_t>(v)] = static_cast<uint8_t>(r);
    }
    return reversed;
}();

}  // namespace

int32_t ThresholdRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits)
{
    const int32_t blocks = Rgb24BlockPixels(count) / kMonoBlockPixels;
    // Pixel k of a block starts at byte 3k; its limit stands there, and 255
    // (never exceeded) in the bytes between.
    std::array<uint8_t, 3 * kMonoBlockPixels> firstByteLimits;
    firstByteLimits.fill(255);
    for (int k = 0; k < kMonoBlockPixels; ++k) {
        firstByteLimits[static_cast<size_t>(3 * k)] = limits[k % 8];
    }
    __m128i byteLimits[3];
    for (int v = 0; v < 3; ++v) {
        byteLimits[v] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(firstByteLimits.data() + 16 * v));
    }
    for (int32_t b = 0; b < blocks; ++b, src += 3 * kMonoBlockPixels, dst += 2) {
        const __m128i shares[3] = {ByteShares<0>(src), ByteShares<1>(src), ByteShares<2>(src)};
        // The last pixel starts at byte 45, so the third vector needs nothing
        // after it.
        const __m128i sums[3] = {SumOfThree(shares[0], shares[1]), SumOfThree(shares[1], shares[2]),
                                 SumOfThree(shares[2], _mm_setzero_si128())};
        uint64_t dark = 0;
        for (int v = 0; v < 3; ++v) {
            const __m128i notAbove = _mm_cmpeq_epi8(_mm_subs_epu8(sums[v], byteLimits[v]), _mm_setzero_si128());
            dark |= static_cast<uint64_t>(_mm_movemask_epi8(notAbove)) << (16 * v);
        }
        const unsigned light = EveryThirdBit(~dark);
        dst[0] = kReversedBits[light & 0xFF];
        dst[1] = kReversedBits[light >> 8];
    }
    return blocks * kMonoBlockPixels;
}

void LuminanceRgb24BlocksSse2(const uint8_t* src, int16_t* luminance, int32_t count)
{
    for (int32_t i = 0; i < count; i += kMonoBlockPixels, src += 3 * kMonoBlockPixels) {
        __m128i lanes[4];
        LuminanceBlock(src, lanes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(luminance + i), _mm_packs_epi32(lanes[0], lanes[1]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(luminance + i + 8), _mm_packs_epi32(lanes[2], lanes[3]));
    }
}

void PackLightCodesSse2(const int16_t* codes, uint8_t* dst, int32_t count)
{
    for (int32_t i = 0; i < count; i += 8) {
        const __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes + i));
        // Bit 0 of each code to the sign, the eight codes reversed so that
        // the first lands in the most significant bit of the mask.
        __m128i signs = _mm_slli_epi16(lanes, 15);
        signs = _mm_shuffle_epi32(signs, _MM_SHUFFLE(1, 0, 3, 2));
        signs = _mm_shufflehi_epi16(_mm_shufflelo_epi16(signs, _MM_SHUFFLE(0, 1, 2, 3)), _MM_SHUFFLE(0, 1, 2, 3));
        dst[i / 8] = static_cast<uint8_t>(_mm_movemask_epi8(_mm_packs_epi16(signs, signs)));
    }
}

}  // namespace dibdraw
