// Converters for 256-colour displays: every output byte is an index into the
// display palette. Mapped converters translate source indices through the
// colour map; the others reduce each pixel to an entry of the fixed palette
// (a cube entry for colour, a grey-ramp entry for grey tables), dithered or
// not, and translate that entry through the colour map.
#include <algorithm>
#include <array>
#include <cstddef>
#include <type_traits>

#include "convert/converter_table.h"
#include "convert/converters.h"
#include "convert/cube_sse2.h"
#include "convert/diffusion.h"
#include "convert/dither.h"
#include "convert/pixel_source.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

// Fixed-palette entry of the cube colour nearest to a colour.
inline int CubeIndex(int red, int green, int blue)
{
    return kCubeLevel[red] + 6 * kCubeLevel[green] + 36 * kCubeLevel[blue];
}

// Fixed-palette entry of the grey step at or below a grey level: entry 215 is
// black and entries 216..246 the greys 8..248.
inline int GreyIndex(int level)
{
    return 215 + (level >> 3);
}

// Converts the leading whole blocks of a 24-bit row with the vector kernel
// and returns how many pixels that was. The ordered modes qualify when their
// column period divides the block, so the pattern starts afresh at the first
// pixel left over. Other sources and error diffusion convert nothing here.
template <typename Mode, typename Source>
int32_t QuantizeLeadingBlocks(const VyrBlitter& blitter, Source source, uint8_t* dst, int32_t count)
{
    if constexpr (std::is_same_v<Source, Rgb24Source> && !std::is_same_v<Mode, ErrorDiffusion>) {
        if constexpr (std::is_same_v<Mode, NoDither>) {
            return QuantizeRgb24Blocks(source.row, dst, count, blitter.m_colorMap, nullptr);
        } else {
            if (std::is_same_v<Mode, PeriodicDither> &&
                (blitter.m_ditherColsMod == 0 || kCubeBlockPixels % blitter.m_ditherColsMod != 0)) {
                return 0;
            }
            BlockDither block;
            MatrixRow matrix = Mode::Row(blitter);
            for (int8_t& offset : block.offsets) {
                offset = static_cast<int8_t>(matrix.NextOffset());
            }
            return QuantizeRgb24Blocks(source.row, dst, count, blitter.m_colorMap, &block);
        }
    } else {
        return 0;
    }
}

// Error diffusion onto the cube. Each channel's adjusted value is
// (16 v + E[i] + 7 carry) >> 4, clamped, where 16 v + E[i] is known before
// the carry; one look-up per channel then gives the clamped value and its
// weighted cube level. The shown colour of every cube entry (the display
// palette entry that the colour map picks for it) is gathered once per row.
// That keeps the serial chain from one pixel's error to the next at: add,
// shift, look-up, sum, look-up, subtract, look-up (truncation and times 7).
namespace cube_steps {

// Truncated colour errors lie within +-252.
constexpr int kCarryReach = 7 * 252;
// Beyond these, every carry gives the adjusted value 0, or 255.
constexpr int kLowestBase = -kCarryReach - 1;
constexpr int kHighestBase = 16 * 256 + kCarryReach;
constexpr int kLowestSum = (kLowestBase - kCarryReach) >> 4;
constexpr int kHighestSum = (kHighestBase + kCarryReach) >> 4;

struct Level {
    uint8_t value;     // the adjusted value, clamped to 0..255
    uint8_t red;       // its cube level as the red part of a cube entry
    uint8_t green;     // ... times 6 as the green part
    uint8_t blue;      // ... times 36 as the blue part
};

using Levels = std::array<Level, kHighestSum - kLowestSum + 1>;

constexpr Levels MakeLevels()
{
    Levels levels{};
    for (int sum = kLowestSum; sum <= kHighestSum; ++sum) {
        const int value = ClampChannel(sum);
        const int level = kCubeLevel[static_cast<size_t>(value)];
        levels[static_cast<size_t>(sum - kLowestSum)] = {static_cast<uint8_t>(value), static_cast<uint8_t>(level),
                                                         static_cast<uint8_t>(6 * level),
                                                         static_cast<uint8_t>(36 * level)};
    }
    return levels;
}

constexpr Levels kLevels = MakeLevels();

// The level of a channel whose base 16 v + E[i] is clamped to
// kLowestBase..kHighestBase, with 7 carry added. Pointer-wide arithmetic
// lets the table's offset ride in the load's address.
inline const Level& LevelOf(ptrdiff_t base, ptrdiff_t sevenCarry)
{
    return kLevels[static_cast<size_t>(((base + sevenCarry) >> 4) - kLowestSum)];
}

// A channel's error against the shown colour, truncated, and 7 times it:
// one look-up on the serial chain instead of the truncation and the multiply.
struct Carry {
    int16_t error;
    int16_t sevenErrors;
};

using Carries = std::array<Carry, 2 * 255 + 1>;

constexpr Carries MakeCarries()
{
    Carries carries{};
    for (int difference = -255; difference <= 255; ++difference) {
        const int error = TruncateError(difference);
        carries[static_cast<size_t>(difference + 255)] = {static_cast<int16_t>(error), static_cast<int16_t>(7 * error)};
    }
    return carries;
}

constexpr Carries kCarries = MakeCarries();

inline const Carry& CarryOf(ptrdiff_t difference)
{
    return kCarries[static_cast<size_t>(difference + 255)];
}

}  // namespace cube_steps

template <typename Source>
void DiffuseToCube(const VyrBlitter& blitter, Source source, uint8_t* dst, int32_t count)
{
    if (count <= 0) {
        return;
    }
    const uint8_t* colorMap = blitter.m_colorMap;
    // Four bytes per entry, so that an entry's address is a scaled index.
    uint8_t shownColors[216][4];
    for (int entry = 0; entry < 216; ++entry) {
        const uint8_t* shown = blitter.m_systemPalette + 3 * colorMap[entry];
        shownColors[entry][0] = shown[0];
        shownColors[entry][1] = shown[1];
        shownColors[entry][2] = shown[2];
        shownColors[entry][3] = 0;
    }
    ColorErrorRow errors(blitter.m_errorRow);
    // 7 times each channel's carry, as the next look-up wants it.
    ptrdiff_t redSevenCarries = 0;
    ptrdiff_t greenSevenCarries = 0;
    ptrdiff_t blueSevenCarries = 0;
    auto levelOf = [](const ColorErrorChannel& channel, int value, int32_t i, ptrdiff_t sevenCarry) -> const auto& {
        const int base =
            std::clamp(16 * value + channel.Incoming(i), cube_steps::kLowestBase, cube_steps::kHighestBase);
        return cube_steps::LevelOf(base, sevenCarry);
    };
    auto spread = [](ColorErrorChannel& channel, int value, int shown, int32_t i) {
        const cube_steps::Carry& next = cube_steps::CarryOf(ptrdiff_t{value} - shown);
        channel.Spread(next.error, i);
        return ptrdiff_t{next.sevenErrors};
    };
    for (int32_t i = 0; i < count; ++i) {
        const Rgb color = source.Color(i);
        const cube_steps::Level& red = levelOf(errors.red, color.red, i, redSevenCarries);
        const cube_steps::Level& green = levelOf(errors.green, color.green, i, greenSevenCarries);
        const cube_steps::Level& blue = levelOf(errors.blue, color.blue, i, blueSevenCarries);
        const size_t cube = size_t{red.red} + green.green + blue.blue;
        dst[i] = colorMap[cube];
        redSevenCarries = spread(errors.red, red.value, shownColors[cube][0], i);
        greenSevenCarries = spread(errors.green, green.value, shownColors[cube][1], i);
        blueSevenCarries = spread(errors.blue, blue.value, shownColors[cube][2], i);
    }
    errors.Finish();
}

// Colour pixels reduced to the cube. `Source` yields Color(i).
template <typename Mode, typename Source>
void QuantizeColor(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Source source = Source::Open(*blitter, src);
    const uint8_t* colorMap = blitter->m_colorMap;
    const int32_t done = QuantizeLeadingBlocks<Mode>(*blitter, source, dst, count);
    if constexpr (std::is_same_v<Mode, NoDither>) {
        for (int32_t i = done; i < count; ++i) {
            const Rgb color = source.Color(i);
            dst[i] = colorMap[CubeIndex(color.red, color.green, color.blue)];
        }
    } else if constexpr (std::is_same_v<Mode, ErrorDiffusion>) {
        DiffuseToCube(*blitter, source, dst, count);
    } else {
        MatrixRow matrix = Mode::Row(*blitter);
        for (int32_t i = done; i < count; ++i) {
            const Rgb color = source.Color(i);
            const int d = matrix.NextOffset();
            dst[i] = colorMap[CubeIndex(ClampChannel(color.red + d), ClampChannel(color.green + d),
                                        ClampChannel(color.blue + d))];
        }
    }
}

// Grey levels reduced to the grey ramp. `Source` yields Grey(i).
template <typename Mode, typename Source>
void QuantizeGrey(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Source source = Source::Open(*blitter, src);
    const uint8_t* colorMap = blitter->m_colorMap;
    if constexpr (std::is_same_v<Mode, NoDither>) {
        for (int32_t i = 0; i < count; ++i) {
            dst[i] = colorMap[GreyIndex(source.Grey(i))];
        }
    } else if constexpr (std::is_same_v<Mode, ErrorDiffusion>) {
        if (count <= 0) {
            return;
        }
        GreyErrorChannel errors = GreyErrorRow(blitter->m_errorRow);
        for (int32_t i = 0; i < count; ++i) {
            const int level = errors.Adjust(source.Grey(i), i);
            const uint8_t shownIndex = colorMap[GreyIndex(level)];
            dst[i] = shownIndex;
            errors.Record(level - blitter->m_systemPalette[3 * shownIndex], i);
        }
        errors.Finish();
    } else {
        // The ramp's steps are eight levels apart, so the matrix is scaled
        // down to match.
        MatrixRow matrix = Mode::Row(*blitter);
        for (int32_t i = 0; i < count; ++i) {
            const int d = matrix.NextOffset() >> 3;
            dst[i] = colorMap[GreyIndex(ClampChannel(source.Grey(i) + d))];
        }
    }
}

// Source indices translated straight through the colour map. `Indexed`
// yields Index(i).
template <typename Indexed>
void TranslateIndices(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Indexed pixels = Indexed::Open(*blitter, src);
    for (int32_t i = 0; i < count; ++i) {
        dst[i] = blitter->m_colorMap[pixels.Index(i)];
    }
}

// A 1-bit row written as one of two display indices per pixel.
void WriteTwoIndices(const VyrBlitter& blitter, const uint8_t* src, uint8_t* dst, int32_t count,
                     uint8_t clearIndex, uint8_t setIndex)
{
    ForEachBit(src, blitter.m_srcBitOffset, count,
               [&](int32_t i, bool set) { dst[i] = set ? setIndex : clearIndex; });
}

}  // namespace

constexpr BlitterFn Blit24To8Mode0 = &QuantizeColor<PeriodicDither, Rgb24Source>;
constexpr BlitterFn Blit24To8Mode1 = &QuantizeColor<NoDither, Rgb24Source>;
constexpr BlitterFn Blit24To8Mode2 = &QuantizeColor<ErrorDiffusion, Rgb24Source>;
constexpr BlitterFn Blit24To8Mode3 = &QuantizeColor<Fixed8x8Dither, Rgb24Source>;
constexpr BlitterFn Blit8To8Mapped = &TranslateIndices<Index8>;
constexpr BlitterFn Blit8To8Mode0 = &QuantizeColor<PeriodicDither, Palette8Source>;
constexpr BlitterFn Blit8To8Mode1 = &QuantizeColor<NoDither, Palette8Source>;
constexpr BlitterFn Blit8To8Mode2 = &QuantizeColor<ErrorDiffusion, Palette8Source>;
constexpr BlitterFn Blit8To8Mode3 = &QuantizeColor<Fixed8x8Dither, Palette8Source>;
constexpr BlitterFn Blit8To8Mode0Gray = &QuantizeGrey<PeriodicDither, Palette8Source>;
constexpr BlitterFn Blit8To8Mode1Gray = &QuantizeGrey<NoDither, Palette8Source>;
constexpr BlitterFn Blit8To8Mode2Gray = &QuantizeGrey<ErrorDiffusion, Palette8Source>;
constexpr BlitterFn Blit8To8Mode3Gray = &QuantizeGrey<Fixed8x8Dither, Palette8Source>;
constexpr BlitterFn Blit4To8Mapped = &TranslateIndices<Index4>;
constexpr BlitterFn Blit4To8Mode0 = &QuantizeColor<PeriodicDither, Palette4Source>;
constexpr BlitterFn Blit4To8Mode1 = &QuantizeColor<NoDither, Palette4Source>;
constexpr BlitterFn Blit4To8Mode2 = &QuantizeColor<ErrorDiffusion, Palette4Source>;
constexpr BlitterFn Blit4To8Mode3 = &QuantizeColor<Fixed8x8Dither, Palette4Source>;
constexpr BlitterFn Blit4To8Mode0Gray = &QuantizeGrey<PeriodicDither, Palette4Source>;
constexpr BlitterFn Blit4To8Mode1Gray = &QuantizeGrey<NoDither, Palette4Source>;
constexpr BlitterFn Blit4To8Mode2Gray = &QuantizeGrey<ErrorDiffusion, Palette4Source>;
constexpr BlitterFn Blit4To8Mode3Gray = &QuantizeGrey<Fixed8x8Dither, Palette4Source>;

void Blit1To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    WriteTwoIndices(*blitter, src, dst, count, blitter->m_colorMap[0], blitter->m_colorMap[1]);
}

// A two-colour image is never dithered: each colour has one cube entry.
void Blit1To8(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const uint8_t* colors = blitter->m_imagePalette;
    const uint8_t clearIndex = blitter->m_colorMap[CubeIndex(colors[0], colors[1], colors[2])];
    const uint8_t setIndex = blitter->m_colorMap[CubeIndex(colors[3], colors[4], colors[5])];
    WriteTwoIndices(*blitter, src, dst, count, clearIndex, setIndex);
}

extern const DisplayTable kPalette8Table;
const DisplayTable kPalette8Table = {
    "256-colour",
    {
        {
            .mapped = DIBDRAW_CONVERTER(Blit1To8Mapped),
            .anyMode = DIBDRAW_CONVERTER(Blit1To8),
        },
        {
            .mapped = DIBDRAW_CONVERTER(Blit4To8Mapped),
            .byMode = {DIBDRAW_CONVERTER(Blit4To8Mode0), DIBDRAW_CONVERTER(Blit4To8Mode1),
                       DIBDRAW_CONVERTER(Blit4To8Mode2), DIBDRAW_CONVERTER(Blit4To8Mode3)},
            .byModeGray = {DIBDRAW_CONVERTER(Blit4To8Mode0Gray), DIBDRAW_CONVERTER(Blit4To8Mode1Gray),
                           DIBDRAW_CONVERTER(Blit4To8Mode2Gray), DIBDRAW_CONVERTER(Blit4To8Mode3Gray)},
        },
        {
            .mapped = DIBDRAW_CONVERTER(Blit8To8Mapped),
            .byMode = {DIBDRAW_CONVERTER(Blit8To8Mode0), DIBDRAW_CONVERTER(Blit8To8Mode1),
                       DIBDRAW_CONVERTER(Blit8To8Mode2), DIBDRAW_CONVERTER(Blit8To8Mode3)},
            .byModeGray = {DIBDRAW_CONVERTER(Blit8To8Mode0Gray), DIBDRAW_CONVERTER(Blit8To8Mode1Gray),
                           DIBDRAW_CONVERTER(Blit8To8Mode2Gray), DIBDRAW_CONVERTER(Blit8To8Mode3Gray)},
        },
        {
            .byMode = {DIBDRAW_CONVERTER(Blit24To8Mode0), DIBDRAW_CONVERTER(Blit24To8Mode1),
                       DIBDRAW_CONVERTER(Blit24To8Mode2), DIBDRAW_CONVERTER(Blit24To8Mode3)},
        },
    },
};

}  // namespace dibdraw
