// The SSE2 kernels, which every target has: sixteen pixels at a time for the
// 24-bit rows, eight error entries at a time for diffusion. Each does what
// its entry of KernelSet describes.
#pragma once

#include "convert/kernels.h"

namespace dibdraw {

int32_t QuantizeRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                const BlockDither* dither);
int32_t JudgeRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);
int32_t ThresholdRgb24BlocksSse2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);
void LuminanceRgb24BlocksSse2(const uint8_t* src, int16_t* luminance, int32_t count);
void PackLightCodesSse2(const int16_t* codes, uint8_t* dst, int32_t count);
void DiffusionStepIndicesSse2(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                              const StepIndexing& indexing);
void SumRunErrorsSse2(const int16_t* outcomes, int carry, int32_t* entries, int32_t count);
void ColorStepIndicesSse2(const uint8_t* bgr, const int16_t* incoming, uint16_t* indices, int32_t count,
                          const StepIndexing& indexing);
void SumColorRunErrorsSse2(const int16_t* outcomes, const int* carries, int16_t* entries, int32_t count);

inline constexpr Rgb24Kernels kSse2Rgb24 = {QuantizeRgb24BlocksSse2, JudgeRgb24BlocksSse2, ThresholdRgb24BlocksSse2,
                                             LuminanceRgb24BlocksSse2};

// SSE2 has no byte look-up: its byte map is the scalar loop, which the
// compiler unrolls as well as anything written by hand, and it has no byte
// shuffle, so its doubling is the scalar one too.
void MapBytesScalar(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* map);
void DoubleRgb24Scalar(const uint8_t* src, uint8_t* dst, int32_t groups);

// The row copies (copy_kernels.cpp): the scalar set's is the C library's,
// the vector sets' go a vector at a time; AVX-512 takes AVX2's.
void CopyBytesScalar(const uint8_t* src, uint8_t* dst, int32_t count);
void CopyBytesSse2(const uint8_t* src, uint8_t* dst, int32_t count);
void CopyBytesAvx2(const uint8_t* src, uint8_t* dst, int32_t count);

// AVX2's doubling, which AVX-512 takes too: a doubling needs no more than
// a shuffle of sixteen bytes.
void DoubleRgb24Avx2(const uint8_t* src, uint8_t* dst, int32_t groups);

inline constexpr DiffusionKernels kSse2Diffusion = {PackLightCodesSse2, DiffusionStepIndicesSse2, SumRunErrorsSse2,
                                                    ColorStepIndicesSse2, SumColorRunErrorsSse2};

// AVX2's grey passes (diffusion_avx2.cpp), which AVX-512 takes too; the
// colour passes stay SSE2's.
void PackLightCodesAvx2(const int16_t* codes, uint8_t* dst, int32_t count);
void DiffusionStepIndicesAvx2(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                              const StepIndexing& indexing);
void SumRunErrorsAvx2(const int16_t* outcomes, int carry, int32_t* entries, int32_t count);

inline constexpr DiffusionKernels kAvx2Diffusion = {PackLightCodesAvx2, DiffusionStepIndicesAvx2, SumRunErrorsAvx2,
                                                    ColorStepIndicesSse2, SumColorRunErrorsSse2};

}  // namespace dibdraw
