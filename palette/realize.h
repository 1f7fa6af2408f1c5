// Building and realizing a 256-colour palette from an image's colours.
#pragma once

#include <cstdint>

#include "dibplatform.h"

namespace dibdraw {

short RealizeImagePalette(HWND window, const RGBQUAD* colors, int32_t count);
short BuildPalette(const RGBQUAD* colors, int32_t count, RGBQUAD* output);
int32_t ReduceColors(uint8_t* work, uint8_t mask, int32_t count);
short AddColor(uint8_t* work, const uint8_t* triple, int32_t slot);
void FillNearGreys(uint8_t* work, int32_t slot);
uint32_t GetStaticColor(int32_t index);
int CompareTriples(const uint8_t* a, const uint8_t* b);

}  // namespace dibdraw
