// The scalar kernels: a pixel at a time, written as plainly as the entries
// of KernelSet describe them. They are the reference every vector set is
// tested against, and what runs where SSE2 is disabled.
#include "convert/kernels_sse2.h"

#include <algorithm>
#include <cstring>

#include "palette/tables.h"

namespace dibdraw {

namespace {

// A channel with a signed offset added, clamped to 0..255.
int Offset(uint8_t channel, int offset)
{
    return std::clamp(channel + offset, 0, 255);
}

int BlockOffset(const BlockDither* dither, int32_t i)
{
    return dither != nullptr ? dither->offsets[i % kDitherBlockPixels] : 0;
}

// Source pixels are blue, green, red.
int Luminance(const uint8_t* pixel)
{
    return kLumaBlue[pixel[0]] + kLumaGreen[pixel[1]] + kLumaRed[pixel[2]];
}

int32_t QuantizeRgb24BlocksScalar(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                  const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    for (int32_t i = 0; i < pixels; ++i) {
        const uint8_t* pixel = src + 3 * i;
        const int d = BlockOffset(dither, i);
        auto level = [&](int channel) { return int{kCubeLevel[static_cast<size_t>(Offset(pixel[channel], d))]}; };
        dst[i] = colorMap[level(2) + 6 * level(1) + 36 * level(0)];
    }
    return pixels;
}

int32_t JudgeRgb24BlocksScalar(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    for (int32_t i = 0; i < pixels; ++i) {
        const uint8_t* pixel = src + 3 * i;
        const int d = BlockOffset(dither, i);
        auto light = [&](int channel) { return Offset(pixel[channel], d) >= 128 ? 1 : 0; };
        const uint8_t index = kBrightVgaIndex[static_cast<size_t>(4 * light(2) + 2 * light(1) + light(0))];
        dst[i / 2] = i % 2 == 0 ? static_cast<uint8_t>(index << 4) : static_cast<uint8_t>(dst[i / 2] | index);
    }
    return pixels;
}

int32_t ThresholdRgb24BlocksScalar(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits)
{
    const int32_t pixels = Rgb24BlockPixels(count);
    for (int32_t i = 0; i < pixels; ++i) {
        const int light = Luminance(src + 3 * i) > limits[i % 8] ? 1 : 0;
        const auto bit = static_cast<uint8_t>(light << (7 - i % 8));
        dst[i / 8] = i % 8 == 0 ? bit : static_cast<uint8_t>(dst[i / 8] | bit);
    }
    return pixels;
}

void LuminanceRgb24BlocksScalar(const uint8_t* src, int16_t* luminance, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        luminance[i] = static_cast<int16_t>(Luminance(src + 3 * i));
    }
}

void PackLightCodesScalar(const int16_t* codes, uint8_t* dst, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const auto bit = static_cast<uint8_t>((codes[i] & 1) << (7 - i % 8));
        dst[i / 8] = i % 8 == 0 ? bit : static_cast<uint8_t>(dst[i / 8] | bit);
    }
}

uint16_t StepIndex(int value, int incoming, const StepIndexing& indexing)
{
    const int base = std::clamp(16 * value + incoming, int{indexing.lowestBase}, int{indexing.highestBase});
    return static_cast<uint16_t>(base - indexing.lowestIndex);
}

void DiffusionStepIndicesScalar(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                                const StepIndexing& indexing)
{
    for (int32_t j = 0; j < count; ++j) {
        indices[j] = StepIndex(values[j], incoming[j], indexing);
    }
}

// Source pixels are blue, green, red; error terms red, green, blue.
void ColorStepIndicesScalar(const uint8_t* bgr, const int16_t* incoming, uint16_t* indices, int32_t count,
                            const StepIndexing& indexing)
{
    for (int32_t k = 0; k < 3 * count; ++k) {
        const int32_t channel = k % 3;
        indices[k] = StepIndex(bgr[k - channel + 2 - channel], incoming[k], indexing);
    }
}

// Terms `Stride` apart belong to neighbouring pixels.
template <int Stride, typename Entry>
void SumTerms(const int16_t* outcomes, const int* carries, Entry* entries, int32_t count)
{
    const int32_t terms = Stride * count;
    auto error = [&](int32_t k) { return k < 0 ? carries[k + Stride] : k < terms ? outcomes[k] >> 3 : 0; };
    for (int32_t k = 0; k < terms; ++k) {
        entries[k] = static_cast<Entry>(5 * error(k) + error(k - Stride) + 3 * error(k + Stride));
    }
}

void SumRunErrorsScalar(const int16_t* outcomes, int carry, int32_t* entries, int32_t count)
{
    SumTerms<1>(outcomes, &carry, entries, count);
}

void SumColorRunErrorsScalar(const int16_t* outcomes, const int* carries, int16_t* entries, int32_t count)
{
    SumTerms<3>(outcomes, carries, entries, count);
}

}  // namespace

void MapBytesScalar(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* map)
{
    // Unrolled: called through the table, the loop as written ran at half
    // the speed it had inlined into the converter (1.8 against 3.5 Gpix/s
    // here), unrolled by four at 3.2.
#pragma GCC unroll 4
    for (int32_t i = 0; i < count; ++i) {
        dst[i] = map[src[i]];
    }
}

// The twelve bytes of four source pixels, read as exactly twelve bytes,
// become the 24 bytes of eight output pixels in three 8-byte stores.
void DoubleRgb24Scalar(const uint8_t* src, uint8_t* dst, int32_t groups)
{
    for (int32_t g = 0; g < groups; ++g, src += 12, dst += 24) {
        uint64_t first8 = 0;
        uint32_t last4 = 0;
        std::memcpy(&first8, src, 8);
        std::memcpy(&last4, src + 8, 4);
        const uint64_t a = first8 & 0xFFFFFF;
        const uint64_t b = (first8 >> 24) & 0xFFFFFF;
        const uint64_t c = (first8 >> 48) | (uint64_t{last4 & 0xFF} << 16);
        const uint64_t d = last4 >> 8;
        // Three separate stores: one 24-byte copy of the three words would
        // be compiled as a 16-byte reload of two 8-byte stores, which stalls.
        const uint64_t first = a | (a << 24) | (b << 48);
        const uint64_t middle = (b >> 16) | (b << 8) | (c << 32) | (c << 56);
        const uint64_t last = (c >> 8) | (d << 16) | (d << 40);
        std::memcpy(dst, &first, 8);
        std::memcpy(dst + 8, &middle, 8);
        std::memcpy(dst + 16, &last, 8);
    }
}

constexpr Rgb24Kernels kScalarRgb24 = {QuantizeRgb24BlocksScalar, JudgeRgb24BlocksScalar, ThresholdRgb24BlocksScalar,
                                       LuminanceRgb24BlocksScalar};
constexpr DiffusionKernels kScalarDiffusion = {PackLightCodesScalar, DiffusionStepIndicesScalar, SumRunErrorsScalar,
                                               ColorStepIndicesScalar, SumColorRunErrorsScalar};
constinit const KernelSet kScalarKernels = {"scalar",         AlwaysSupported, kScalarRgb24, kScalarDiffusion,
                                            MapBytesScalar,   true,            CopyBytesScalar,
                                            DoubleRgb24Scalar};

}  // namespace dibdraw
