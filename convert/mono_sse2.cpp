// The 24-bit to monochrome kernel. Each 16-byte load is spread so that its
// four pixels have a 32-bit lane each (blue, green, red and a byte of the
// next pixel); each channel's luminance share is rounded on its own by a
// multiply-high (convert/luma_shares.h).
#include "convert/kernels_sse2.h"

#include <emmintrin.h>

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

// Luminance of the four pixels of the 32-bit lanes.
inline __m128i Luminance4(__m128i pixels)
{
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    // 16-bit lanes: blue and red of each pixel, then green and the stray byte.
    const __m128i blueRed = _mm_and_si128(pixels, lowBytes);
    const __m128i greenStray = _mm_srli_epi16(pixels, 8);
    const __m128i rounding = _mm_set1_epi16(kLumaRounding);
    const __m128i reciprocal = _mm_set1_epi16(kLumaReciprocal);
    auto shares = [&](__m128i values, __m128i weights) {
        const __m128i scaled = _mm_add_epi16(_mm_mullo_epi16(values, weights), rounding);
        return _mm_srli_epi16(_mm_mulhi_epu16(scaled, reciprocal), 3);
    };
    const __m128i blueRedShares = shares(blueRed, _mm_set1_epi32((30 << 16) | 11));
    // The stray byte's weight is 0 and its share rounds to 0.
    const __m128i greenShares = shares(greenStray, _mm_set1_epi32(59));
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

}  // namespace

int32_t ThresholdRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits)
{
    const int32_t blocks = Rgb24BlockPixels(count) / kMonoBlockPixels;
    // Lanes reversed, so that after packing the first pixel of each byte
    // lands in its most significant bit.
    const __m128i limitsHigh = _mm_setr_epi32(limits[3], limits[2], limits[1], limits[0]);
    const __m128i limitsLow = _mm_setr_epi32(limits[7], limits[6], limits[5], limits[4]);
    constexpr int kReverse = _MM_SHUFFLE(0, 1, 2, 3);
    for (int32_t b = 0; b < blocks; ++b, src += 3 * kMonoBlockPixels, dst += 2) {
        __m128i luminance[4];
        LuminanceBlock(src, luminance);
        __m128i light[4];
        for (int k = 0; k < 4; ++k) {
            light[k] = _mm_cmpgt_epi32(_mm_shuffle_epi32(luminance[k], kReverse), k % 2 == 0 ? limitsHigh : limitsLow);
        }
        const __m128i firstByte = _mm_packs_epi32(light[1], light[0]);
        const __m128i secondByte = _mm_packs_epi32(light[3], light[2]);
        const int bits = _mm_movemask_epi8(_mm_packs_epi16(firstByte, secondByte));
        dst[0] = static_cast<uint8_t>(bits);
        dst[1] = static_cast<uint8_t>(bits >> 8);
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
