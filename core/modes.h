// The two modes a blitter is made with, by name, and what each means to the
// code that follows it. The object keeps both as the ints its caller gave,
// values outside the named ones included; everything else reads them through
// this header.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace dibdraw {

// How a palettized display approximates colours it cannot show.
enum class DitherMode : int32_t {
    Ordered = 0,         // the matrix with the object's row and column periods
    None = 1,            // each pixel quantized by itself
    ErrorDiffusion = 2,  // Floyd-Steinberg, carried right and into the row below
    Ordered8x8 = 3,      // the matrix with a fixed 8 x 8 period
};

struct DitherTraits {
    DitherMode mode;
    const char* name;
    // Carries each pixel's error to its neighbours, on both sides of a row.
    bool diffuses;
    // A source row that scaling repeats converts to the same output, so it is
    // converted once.
    bool reusesRepeatedRows;
    // How often the output repeats along a row: 0 for the object's own
    // column period; 1 where each pixel stands alone or the mode diffuses.
    int32_t columnPeriod;
};

inline constexpr std::array<DitherTraits, 4> kDitherModes = {{
    {DitherMode::Ordered, "ordered", false, false, 0},
    {DitherMode::None, "none", false, true, 1},
    {DitherMode::ErrorDiffusion, "Floyd-Steinberg", true, false, 1},
    {DitherMode::Ordered8x8, "ordered 8x8", false, false, 8},
}};

// The named mode of an object's value; none for a value outside them, which
// no converter that depends on the mode serves.
constexpr std::optional<DitherMode> DitherModeOf(int value)
{
    if (value < 0 || value >= static_cast<int>(kDitherModes.size())) {
        return std::nullopt;
    }
    return static_cast<DitherMode>(value);
}

constexpr const DitherTraits& TraitsOf(DitherMode mode)
{
    return kDitherModes[static_cast<size_t>(mode)];
}

// Whether a blit in the object's dither mode converts a repeated row once.
constexpr bool ReusesRepeatedRows(int ditherMode)
{
    const std::optional<DitherMode> mode = DitherModeOf(ditherMode);
    return mode && TraitsOf(*mode).reusesRepeatedRows;
}

// Whose colours a 256-colour display shows.
enum class PaletteMode : int32_t {
    Fixed = 0,         // the fixed palette's; every value but 1 and 2 works so
    ImageRealized = 1, // the image's own, whose palette the caller realizes
    ImageAsShown = 2,  // the image's own, against whatever the display holds
};

constexpr PaletteMode PaletteModeOf(int value)
{
    switch (value) {
    case static_cast<int>(PaletteMode::ImageRealized):
        return PaletteMode::ImageRealized;
    case static_cast<int>(PaletteMode::ImageAsShown):
        return PaletteMode::ImageAsShown;
    default:
        return PaletteMode::Fixed;
    }
}

constexpr int ToInt(PaletteMode mode)
{
    return static_cast<int>(mode);
}

// Whether a display of `displayDepth` may show the image's colours through
// the mapped converters when the display's palette matches them well: on
// 256 colours in the two image modes; on 16 colours in every mode but the
// fixed one's own value, 0.
constexpr bool AsksForImageColors(int paletteMode, int displayDepth)
{
    if (displayDepth == 4) {
        return paletteMode != ToInt(PaletteMode::Fixed);
    }
    return PaletteModeOf(paletteMode) != PaletteMode::Fixed;
}

}  // namespace dibdraw
