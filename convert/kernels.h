// The converters' kernels: the inner loops that take whole blocks of a row
// at once. Each instruction set has one table of them, and one table is
// chosen for the whole process the first time a converter asks: the widest
// the processor and the system support, leaving out every set that the
// environment variable DIBDRAW_DISABLE names (a comma list of set names,
// "avx512,avx2" say), so that any lower set can be measured and tested on
// any machine. The scalar set is the reference the others are tested
// against; it is taken only when "sse2" is disabled too.
#pragma once

#include <cstdint>
#include <span>

#include "convert/block_dither.h"

namespace dibdraw {

// The blocks of the monochrome kernels.
constexpr int32_t kMonoBlockPixels = 16;

// How many leading pixels of a 24-bit row of `count` pixels the threshold
// kernel takes: whole blocks of 16, each of which may read 4 bytes past its
// end, so a block is taken only where the row holds them.
constexpr int32_t Rgb24BlockPixels(int32_t count)
{
    return count >= 2 ? (count - 2) / kMonoBlockPixels * kMonoBlockPixels : 0;
}

// The longest run of a grey diffusion taken at once; runs are multiples of 8
// pixels.
constexpr int32_t kDiffusionRunPixels = 1024;

// Where a base lands in a diffusion rule's step table: bases are clamped to
// lowestBase..highestBase and counted from lowestIndex.
struct StepIndexing {
    int16_t lowestBase;
    int16_t highestBase;
    int16_t lowestIndex;
};

// The kernels of 24-bit rows.
struct Rgb24Kernels {
    // Writes colorMap[cube entry of clamp(R + d), clamp(G + d), clamp(B + d)]
    // for the whole blocks of 16 at the start of a 24-bit row, d the block's
    // offset of the pixel (`dither` null: none), and returns how many pixels
    // that was.
    int32_t (*quantize)(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                        const BlockDither* dither);

    // Writes the whole blocks of 16 at the start of a 24-bit row as 16-colour
    // nibbles, two pixels a byte, the first in the high nibble: each channel
    // light when it reaches 128 with the pixel's offset added (`dither` null:
    // none), the three giving black or one of the seven bright colours.
    // Returns how many pixels that was.
    int32_t (*judge)(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);

    // Writes the first Rgb24BlockPixels(count) pixels of a 24-bit row as
    // monochrome bits, the first in the top bit, a pixel light when its
    // luminance exceeds limits[column mod 8]; returns how many pixels that was.
    int32_t (*threshold)(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);

    // The luminance of each of `count` pixels (a multiple of 16, at most
    // Rgb24BlockPixels of the row) of a 24-bit row.
    void (*luminance)(const uint8_t* src, int16_t* luminance, int32_t count);
};

// The passes around the serial chain of a grey diffusion run.
struct DiffusionKernels {
    // Packs bit 0 of each of `count` codes (a multiple of 8) into bytes, the
    // first code in the most significant bit.
    void (*packLightCodes)(const int16_t* codes, uint8_t* dst, int32_t count);

    // indices[j] = clamp(16 values[j] + incoming[j]) - lowestIndex for values
    // 0..255 and `count` a multiple of 8, exact for any incoming entry.
    void (*stepIndices)(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                        const StepIndexing& indexing);

    // entries[j] = 5 e(j) + e(j - 1) + 3 e(j + 1) for j = 0..count-1 (a
    // multiple of 8, at most kDiffusionRunPixels), where e(j) = outcomes[j]
    // >> 3 is a truncated error within +-3640, e(-1) = carry and e(count) = 0.
    void (*sumRunErrors)(const int16_t* outcomes, int carry, int32_t* entries, int32_t count);

    // The same two passes for a colour run of `count` pixels (a multiple of
    // 16, at most kDiffusionRunPixels) of a 24-bit row, whose error row holds
    // red, green and blue terms per pixel: term k = 3 j + c is channel c of
    // pixel j. colorStepIndices reads exactly the run's 3 count source bytes
    // (blue, green, red) and writes indices[k] = clamp(16 v + incoming[k]) -
    // lowestIndex, v channel c of pixel j; sumColorRunErrors writes entries[k]
    // = 5 e(k) + e(k - 3) + 3 e(k + 3), where e(k) = outcomes[k] >> 3 as
    // above, e(k - 3) = carries[c] for the first pixel and e(k + 3) = 0 for
    // the last.
    void (*colorStepIndices)(const uint8_t* bgr, const int16_t* incoming, uint16_t* indices, int32_t count,
                             const StepIndexing& indexing);
    void (*sumColorRunErrors)(const int16_t* outcomes, const int* carries, int16_t* entries, int32_t count);
};

struct KernelSet {
    // As DIBDRAW_DISABLE and the reports spell it: "scalar", "sse2",
    // "avx2", "avx512".
    const char* name;
    bool (*supported)();
    Rgb24Kernels rgb24;
    DiffusionKernels diffusion;

    // dst[i] = map[src[i]] for each of `count` bytes, `map` a 256-byte table.
    void (*mapBytes)(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* map);
    // Whether a long run of bytes maps faster through a table of byte pairs
    // (convert/byte_pairs.h) than through mapBytes: so in the sets whose
    // mapBytes looks each byte up alone.
    bool mapsBytePairsFaster;

    // Copies `count` bytes from src to dst, which do not overlap: the rows
    // that go into the band unchanged.
    void (*copyBytes)(const uint8_t* src, uint8_t* dst, int32_t count);

    // Doubles the 4 groups pixels at the start of a 24-bit row: pixel i of
    // src becomes pixels 2i and 2i + 1 of dst. Reads exactly 12 groups bytes
    // and writes exactly 24 groups.
    void (*doubleRgb24)(const uint8_t* src, uint8_t* dst, int32_t groups);
};

// Each set is defined beside its kernels.
extern const KernelSet kScalarKernels;
extern const KernelSet kSse2Kernels;
extern const KernelSet kAvx2Kernels;
extern const KernelSet kAvx512Kernels;

// For sets that every processor of the targets runs.
inline bool AlwaysSupported()
{
    return true;
}

// Every set, the widest first and the scalar reference last.
std::span<const KernelSet* const> KernelSets();

// The set of this process, chosen once.
const KernelSet& ActiveKernels();

}  // namespace dibdraw
