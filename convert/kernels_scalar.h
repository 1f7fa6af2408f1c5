// The scalar kernels: a pixel at a time, written as plainly as the entries
// of KernelSet describe them. They are the reference every vector set is
// tested against, and what runs where SSE2 is disabled.
#pragma once

#include "convert/kernels.h"

namespace dibdraw {

int32_t QuantizeRgb24BlocksScalar(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                  const BlockDither* dither);
int32_t JudgeRgb24BlocksScalar(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither);
int32_t ThresholdRgb24BlocksScalar(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits);
void LuminanceRgb24BlocksScalar(const uint8_t* src, int16_t* luminance, int32_t count);
void PackLightCodesScalar(const int16_t* codes, uint8_t* dst, int32_t count);
void DiffusionStepIndicesScalar(const int16_t* values, const int32_t* incoming, uint16_t* indices, int32_t count,
                                const StepIndexing& indexing);
void SumRunErrorsScalar(const int16_t* outcomes, int carry, int32_t* entries, int32_t count);
void MapBytesScalar(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* map);

}  // namespace dibdraw
