// Vector kernels of error diffusion taken in runs on grey error rows (one
// int32_t entry per pixel): the passes before and after the serial chain of
// steps, eight pixels at a time with SSE2, which every target has.
#pragma once

#include <cstdint>

namespace dibdraw {

// The longest run taken at once; runs are multiples of 8 pixels.
constexpr int32_t kDiffusionRunPixels = 512;

// Where a base lands in a rule's step table: bases are clamped to
// lowestBase..highestBase and counted from lowestIndex.
struct StepIndexing {
    int16_t lowestBase;
    int16_t highestBase;
    int16_t lowestIndex;
};

// indices[j] = clamp(16 values[j] + incoming[j]) - lowestIndex for values
// 0..255, exact for any incoming entry.
void DiffusionStepIndices(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                          const StepIndexing& indexing);

// entries[j] = 5 e(j) + e(j - 1) + 3 e(j + 1) for j = 0..count-1, where
// e(j) = outcomes[j] >> 3 is a truncated error, e(-1) = carry and
// e(count) = 0. Errors lie within +-3640, so that the sums fit 16 bits.
void SumRunErrors(const int16_t* outcomes, int carry, int32_t* entries, int32_t count);

}  // namespace dibdraw
