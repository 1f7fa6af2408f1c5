// Vector passes around the diffusion chain. Grey entries are 32-bit in the
// error row and fit 16 bits in every state a row can leave, so they are
// worked on in 16-bit lanes, as colour terms are; saturation keeps even an
// entry beyond that exact, since such an entry clamps its base to a bound
// either way.
#include "convert/kernels_sse2.h"

#include <emmintrin.h>

namespace dibdraw {

namespace {

template <typename Lane>
__m128i Load(const Lane* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

template <typename Lane>
void Store(Lane* at, __m128i lanes)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), lanes);
}

// A step index in each 16-bit lane: clamp(16 v + incoming) - lowestIndex.
class StepIndexer {
public:
    explicit StepIndexer(const StepIndexing& indexing)
        : m_lowest(_mm_set1_epi16(indexing.lowestBase)),
          m_highest(_mm_set1_epi16(indexing.highestBase)),
          m_origin(_mm_set1_epi16(indexing.lowestIndex))
    {
    }

    __m128i operator()(__m128i values, __m128i incoming) const
    {
        const __m128i base = _mm_adds_epi16(_mm_slli_epi16(values, 4), incoming);
        return _mm_sub_epi16(_mm_min_epi16(_mm_max_epi16(base, m_lowest), m_highest), m_origin);
    }

private:
    __m128i m_lowest;
    __m128i m_highest;
    __m128i m_origin;
};

// The bytes of one of the three vectors of 16 pixels (48 bytes) whose term k
// is channel k mod 3.
__m128i ChannelMask(int vector, int channel)
{
    alignas(16) uint8_t mask[16];
    for (int i = 0; i < 16; ++i) {
        mask[i] = (16 * vector + i) % 3 == channel ? 0xFF : 0;
    }
    return _mm_load_si128(reinterpret_cast<const __m128i*>(mask));
}

}  // namespace

void DiffusionStepIndicesSse2(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                              const StepIndexing& indexing)
{
    const StepIndexer index(indexing);
    for (int32_t j = 0; j < count; j += 8) {
        const __m128i entries = _mm_packs_epi32(Load(incoming + j), Load(incoming + j + 4));
        Store(indices + j, index(Load(values + j), entries));
    }
}

// Sixteen pixels are three vectors of bytes. A pixel's red byte sits two
// places after the term it belongs to, its blue byte two places before, so
// the terms' bytes are the source shifted by two bytes either way, or not at
// all, chosen by the term's channel; the shifts carry bytes across vectors.
void ColorStepIndicesSse2(const uint8_t* bgr, const int16_t* incoming, uint16_t* indices, int32_t count,
                          const StepIndexing& indexing)
{
    const StepIndexer index(indexing);
    const __m128i zero = _mm_setzero_si128();
    __m128i masks[3][3];
    for (int vector = 0; vector < 3; ++vector) {
        for (int channel = 0; channel < 3; ++channel) {
            masks[vector][channel] = ChannelMask(vector, channel);
        }
    }
    for (int32_t k = 0; k < 3 * count; k += 48) {
        const __m128i source[3] = {Load(bgr + k), Load(bgr + k + 16), Load(bgr + k + 32)};
        for (int vector = 0; vector < 3; ++vector) {
            const __m128i own = source[vector];
            __m128i later = _mm_srli_si128(own, 2);
            __m128i earlier = _mm_slli_si128(own, 2);
            if (vector < 2) {
                later = _mm_or_si128(later, _mm_slli_si128(source[vector + 1], 14));
            }
            if (vector > 0) {
                earlier = _mm_or_si128(earlier, _mm_srli_si128(source[vector - 1], 14));
            }
            const __m128i terms = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(later, masks[vector][0]), _mm_and_si128(own, masks[vector][1])),
                _mm_and_si128(earlier, masks[vector][2]));
            const int32_t at = k + 16 * vector;
            Store(indices + at, index(_mm_unpacklo_epi8(terms, zero), Load(incoming + at)));
            Store(indices + at + 8, index(_mm_unpackhi_epi8(terms, zero), Load(incoming + at + 8)));
        }
    }
}

namespace {

// Terms `Stride` apart belong to neighbouring pixels.
template <int Stride, typename Entry>
void SumTerms(const int16_t* outcomes, const int* carries, Entry* entries, int32_t count)
{
    // The errors with one neighbour on each side: errors[8 - Stride..7] are
    // the carries.
    int16_t errors[8 + 3 * kDiffusionRunPixels + 8];
    const int32_t terms = Stride * count;
    for (int c = 0; c < Stride; ++c) {
        errors[8 - Stride + c] = static_cast<int16_t>(carries[c]);
        errors[8 + terms + c] = 0;
    }
    for (int32_t k = 0; k < terms; k += 8) {
        Store(errors + 8 + k, _mm_srai_epi16(Load(outcomes + k), 3));
    }
    for (int32_t k = 0; k < terms; k += 8) {
        const __m128i own = Load(errors + 8 + k);
        const __m128i left = Load(errors + 8 - Stride + k);
        const __m128i right = Load(errors + 8 + Stride + k);
        const __m128i sums = _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(own, 2), own), left),
                                           _mm_add_epi16(_mm_slli_epi16(right, 1), right));
        if constexpr (sizeof(Entry) == 2) {
            Store(entries + k, sums);
        } else {
            // Sign-extended to 32 bits: each sum in the high half of a lane, then shifted down.
            Store(entries + k, _mm_srai_epi32(_mm_unpacklo_epi16(sums, sums), 16));
            Store(entries + k + 4, _mm_srai_epi32(_mm_unpackhi_epi16(sums, sums), 16));
        }
    }
}

}  // namespace

void SumRunErrorsSse2(const int16_t* outcomes, int carry, int32_t* entries, int32_t count)
{
    SumTerms<1>(outcomes, &carry, entries, count);
}

void SumColorRunErrorsSse2(const int16_t* outcomes, const int* carries, int16_t* entries, int32_t count)
{
    SumTerms<3>(outcomes, carries, entries, count);
}

}  // namespace dibdraw
