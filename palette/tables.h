// The library's constant colour tables, shared by every object. Each is built
// at compile time from the rule that defines it.
#pragma once

#include <array>
#include <cstdint>

#include "dibplatform.h"

namespace dibdraw {

namespace tables {

constexpr std::array<RGBQUAD, 256> MakeFixedPalette()
{
    std::array<RGBQUAD, 256> palette{};
    for (int i = 0; i < 216; ++i) {
        palette[i].rgbRed = static_cast<uint8_t>(255 - 51 * (i % 6));
        palette[i].rgbGreen = static_cast<uint8_t>(255 - 51 * ((i / 6) % 6));
        palette[i].rgbBlue = static_cast<uint8_t>(255 - 51 * (i / 36));
    }
    for (int i = 216; i <= 246; ++i) {
        const auto grey = static_cast<uint8_t>(8 * (i - 215));
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = grey;
    }
    return palette;  // entries 247..255 stay black
}

constexpr std::array<uint8_t, 256> MakeCubeLevel()
{
    std::array<uint8_t, 256> level{};
    for (int v = 0; v < 256; ++v) {
        const int nearest = (2 * v + 51) / 102;  // round(v / 51); no value lies half-way
        level[v] = static_cast<uint8_t>(5 - nearest);
    }
    return level;
}

constexpr std::array<uint8_t, 256> MakeLuma(int weightPercent)
{
    std::array<uint8_t, 256> luma{};
    for (int v = 0; v < 256; ++v) {
        luma[v] = static_cast<uint8_t>((weightPercent * v + 50) / 100);
    }
    return luma;
}

}  // namespace tables

// 8 x 8 Bayer matrix times 4; entry 8 * column + row.
inline constexpr std::array<uint8_t, 64> kDitherMatrix = {
    0,   128, 32,  160, 8,   136, 40,  168,  //
    192, 64,  224, 96,  200, 72,  232, 104,  //
    48,  176, 16,  144, 56,  184, 24,  152,  //
    240, 112, 208, 80,  248, 120, 216, 88,   //
    12,  140, 44,  172, 4,   132, 36,  164,  //
    204, 76,  236, 108, 196, 68,  228, 100,  //
    60,  188, 28,  156, 52,  180, 20,  148,  //
    252, 124, 220, 92,  244, 116, 212, 84,
};

// 6 x 6 x 6 colour cube (red fastest, levels 255 down to 0), 31 greys, 9 blacks.
inline constexpr std::array<RGBQUAD, 256> kFixedPalette = tables::MakeFixedPalette();
// Channel value to the index (0..5) of the nearest cube level 255, 204, ..., 0.
inline constexpr std::array<uint8_t, 256> kCubeLevel = tables::MakeCubeLevel();
// Colour code 4R + 2G + B to the standard 16-colour palette index.
inline constexpr std::array<uint8_t, 8> kBrightVgaIndex = {0, 12, 10, 14, 9, 13, 11, 15};
// Luminance contributions 0.30, 0.59 and 0.11 of a channel value, rounded half up.
inline constexpr std::array<uint8_t, 256> kLumaRed = tables::MakeLuma(30);
inline constexpr std::array<uint8_t, 256> kLumaGreen = tables::MakeLuma(59);
inline constexpr std::array<uint8_t, 256> kLumaBlue = tables::MakeLuma(11);

}  // namespace dibdraw
