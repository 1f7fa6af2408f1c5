// Vector passes around the diffusion chain. Entries are 32-bit in the error
// row and fit 16 bits in every state a row can leave, so they are worked on
// in 16-bit lanes; saturation keeps even an entry beyond that exact, since
// such an entry clamps its base to a bound either way.
#include "convert/kernels_sse2.h"

#include <emmintrin.h>

namespace dibdraw {

namespace {

__m128i Load(const int16_t* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

__m128i Load(const int32_t* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

template <typename Lane>
void Store(Lane* at, __m128i lanes)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), lanes);
}

}  // namespace

void DiffusionStepIndicesSse2(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                          const StepIndexing& indexing)
{
    const __m128i lowest = _mm_set1_epi16(indexing.lowestBase);
    const __m128i highest = _mm_set1_epi16(indexing.highestBase);
    const __m128i origin = _mm_set1_epi16(indexing.lowestIndex);
    for (int32_t j = 0; j < count; j += 8) {
        const __m128i entries = _mm_packs_epi32(Load(incoming + j), Load(incoming + j + 4));
        const __m128i base = _mm_adds_epi16(_mm_slli_epi16(Load(values + j), 4), entries);
        const __m128i clamped = _mm_min_epi16(_mm_max_epi16(base, lowest), highest);
        Store(indices + j, _mm_sub_epi16(clamped, origin));
    }
}

void SumRunErrorsSse2(const int16_t* outcomes, int carry, int32_t* entries, int32_t count)
{
    // The errors with one neighbour on each side: errors[7] is e(-1).
    int16_t errors[8 + kDiffusionRunPixels + 8];
    errors[7] = static_cast<int16_t>(carry);
    for (int32_t j = 0; j < count; j += 8) {
        Store(errors + 8 + j, _mm_srai_epi16(Load(outcomes + j), 3));
    }
    errors[8 + count] = 0;
    for (int32_t j = 0; j < count; j += 8) {
        const __m128i own = Load(errors + 8 + j);
        const __m128i left = Load(errors + 7 + j);
        const __m128i right = Load(errors + 9 + j);
        const __m128i sums = _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(own, 2), own), left),
                                           _mm_add_epi16(_mm_slli_epi16(right, 1), right));
        // Sign-extended to 32 bits: each sum in the high half of a lane, then shifted down.
        Store(entries + j, _mm_srai_epi32(_mm_unpacklo_epi16(sums, sums), 16));
        Store(entries + j + 4, _mm_srai_epi32(_mm_unpackhi_epi16(sums, sums), 16));
    }
}

}  // namespace dibdraw
