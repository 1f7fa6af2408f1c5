// The grey diffusion passes with AVX2, sixteen pixels a step where SSE2 takes
// eight; a run's last eight pixels, where its length is an odd multiple of
// eight, go to the SSE2 passes. The colour passes stay SSE2's: their terms
// cross the halves of a vector, which AVX2's shuffles do not.
//
// Only the functions marked for AVX2 use it, so that no code shared with
// other files is compiled for it.
#include <immintrin.h>

#include "convert/kernels_sse2.h"

namespace dibdraw {

namespace {

constexpr int32_t kStepPixels = 16;

template <typename Lane>
[[gnu::target("avx2")]] __m256i Load(const Lane* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

template <typename Lane>
[[gnu::target("avx2")]] void Store(Lane* at, __m256i lanes)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), lanes);
}

// The whole steps of a run of `count` pixels.
constexpr int32_t WholeSteps(int32_t count)
{
    return count / kStepPixels * kStepPixels;
}

}  // namespace

[[gnu::target("avx2")]]
void DiffusionStepIndicesAvx2(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                              const StepIndexing& indexing)
{
    const __m256i lowest = _mm256_set1_epi16(indexing.lowestBase);
    const __m256i highest = _mm256_set1_epi16(indexing.highestBase);
    const __m256i origin = _mm256_set1_epi16(indexing.lowestIndex);
    const int32_t whole = WholeSteps(count);
    for (int32_t j = 0; j < whole; j += kStepPixels) {
        // Packing works within halves: the entries come out in the order
        // 0-3, 8-11, 4-7, 12-15, which the permute puts right.
        const __m256i entries =
            _mm256_permute4x64_epi64(_mm256_packs_epi32(Load(incoming + j), Load(incoming + j + 8)), 0xD8);
        const __m256i base = _mm256_adds_epi16(_mm256_slli_epi16(Load(values + j), 4), entries);
        Store(indices + j, _mm256_sub_epi16(_mm256_min_epi16(_mm256_max_epi16(base, lowest), highest), origin));
    }
    DiffusionStepIndicesSse2(values + whole, incoming + whole, indices + whole, count - whole, indexing);
}

[[gnu::target("avx2")]]
void SumRunErrorsAvx2(const int16_t* outcomes, int carry, int32_t* entries, int32_t count)
{
    // The truncated errors with one neighbour on each side: errors[7] is the
    // carry and errors[8 + count] the 0 past the run.
    int16_t errors[8 + kDiffusionRunPixels + kStepPixels];
    errors[7] = static_cast<int16_t>(carry);
    errors[8 + count] = 0;
    for (int32_t k = 0; k < count; k += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(errors + 8 + k),
                         _mm_srai_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(outcomes + k)), 3));
    }
    const int32_t whole = WholeSteps(count);
    for (int32_t k = 0; k < whole; k += kStepPixels) {
        const __m256i own = Load(errors + 8 + k);
        const __m256i left = Load(errors + 7 + k);
        const __m256i right = Load(errors + 9 + k);
        const __m256i sums =
            _mm256_add_epi16(_mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(own, 2), own), left),
                             _mm256_add_epi16(_mm256_slli_epi16(right, 1), right));
        Store(entries + k, _mm256_cvtepi16_epi32(_mm256_castsi256_si128(sums)));
        Store(entries + k + 8, _mm256_cvtepi16_epi32(_mm256_extracti128_si256(sums, 1)));
    }
    if (whole < count) {
        SumRunErrorsSse2(outcomes + whole, errors[7 + whole], entries + whole, count - whole);
    }
}

[[gnu::target("avx2")]]
void PackLightCodesAvx2(const int16_t* codes, uint8_t* dst, int32_t count)
{
    // Bit 0 of each code to the sign, each eight codes reversed so that the
    // first lands in the most significant bit of its byte of the mask.
    const __m256i reverse = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1,  //
                                             14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    constexpr int32_t kPackPixels = 2 * kStepPixels;
    const int32_t whole = count / kPackPixels * kPackPixels;
    for (int32_t i = 0; i < whole; i += kPackPixels) {
        const __m256i first = _mm256_shuffle_epi8(_mm256_slli_epi16(Load(codes + i), 15), reverse);
        const __m256i second = _mm256_shuffle_epi8(_mm256_slli_epi16(Load(codes + i + kStepPixels), 15), reverse);
        // Packing within halves gives codes 0-7, 16-23, 8-15, 24-31.
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packs_epi16(first, second), 0xD8);
        const auto mask = static_cast<uint32_t>(_mm256_movemask_epi8(bytes));
        for (int b = 0; b < 4; ++b) {
            dst[i / 8 + b] = static_cast<uint8_t>(mask >> (8 * b));
        }
    }
    PackLightCodesSse2(codes + whole, dst + whole / 8, count - whole);
}

}  // namespace dibdraw
