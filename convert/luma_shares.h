// A channel's share of the luminance, as the vector kernels compute it:
// floor((w v + 50) / 100), for w v + 50 < 2^16, is ((w v + 50) * 5243) >> 19,
// a 16-bit multiply-high (which keeps bits 16 and up) and a shift by 3. It
// rounds each channel on its own, exactly as kLumaRed, kLumaGreen and
// kLumaBlue have it.
#pragma once

#include "palette/tables.h"

namespace dibdraw {

// Each channel's weight in hundredths, in the order of a 24-bit pixel's
// bytes: blue, green, red.
constexpr int kLumaWeights[3] = {11, 59, 30};
constexpr int kLumaReciprocal = 5243;
constexpr int kLumaRounding = 50;

constexpr int LumaShare(int weight, int v)
{
    return ((weight * v + kLumaRounding) * kLumaReciprocal) >> 19;
}

constexpr bool LumaSharesMatchTables()
{
    if (LumaShare(0, 255) != 0) {
        return false;
    }
    for (int v = 0; v < 256; ++v) {
        const auto at = static_cast<size_t>(v);
        if (LumaShare(kLumaWeights[2], v) != kLumaRed[at] || LumaShare(kLumaWeights[1], v) != kLumaGreen[at] ||
            LumaShare(kLumaWeights[0], v) != kLumaBlue[at]) {
            return false;
        }
    }
    return true;
}
static_assert(LumaSharesMatchTables());

}  // namespace dibdraw
