// Result codes of the dibdraw32 operations: a signed 16-bit value, zero on
// success; callers test against zero.
#pragma once

#include "dibplatform.h"

constexpr short kBlitOk = 0;
constexpr short kBlitNoMemory = -1007;     // an allocation failed
constexpr short kBlitUnsupported = -1032;  // more than one plane, or no converter for
                                           // the display depth, source depth and dither mode

// A short English description of a result code, for messages.
DIBDRAW32_API const char* BlitResultText(short result);
