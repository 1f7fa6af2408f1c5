// Nearest-colour matching of colour tables against a 256-triple reference.
#pragma once

#include <cstdint>

#include "dibplatform.h"

namespace dibdraw {

short MatchColors(const uint8_t* colors, const uint8_t* reference, uint8_t* map, int32_t count);
short MatchQuadColors(const RGBQUAD* colors, const uint8_t* reference, uint8_t* map, int32_t count);
int32_t MatchError(const uint8_t* colors, const uint8_t* reference, const uint8_t* map, int32_t count);
int32_t IntSqrt(int32_t n);

}  // namespace dibdraw
