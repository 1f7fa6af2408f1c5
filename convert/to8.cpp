// Converters for 256-colour displays: every output byte is an index into the
// display palette. Mapped converters translate source indices through the
// colour map; the others reduce each pixel to an entry of the fixed palette
// (a cube entry for colour, a grey-ramp entry for grey tables), dithered or
// not, and translate that entry through the colour map.
#include <type_traits>

#include "blitter/selection.h"
#include "convert/converters.h"
#include "convert/cube_sse2.h"
#include "convert/diffusion.h"
#include "convert/pixel_source.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

// The dither modes, by the meaning of m_ditherMode 0..3.
enum class Dither { PeriodicMatrix, None, Diffusion, Matrix8x8 };

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

// Walks the signed matrix entries of one row for the ordered modes, column by
// column from the left edge. The row term is fixed once per row.
template <Dither Mode>
class MatrixWalk {
public:
    explicit MatrixWalk(const VyrBlitter& blitter)
    {
        if constexpr (Mode == Dither::Matrix8x8) {
            m_rowEntries = blitter.m_ditherMatrix + (blitter.m_rowCounter & 7);
            m_columnStride = 8;
            m_columns = 8;
        } else {
            m_rowEntries = blitter.m_ditherMatrix + blitter.m_rowCounter % blitter.m_ditherRowsMod;
            m_columnStride = blitter.m_ditherRowsMod;
            m_columns = blitter.m_ditherColsMod;
        }
    }

    // The entry of the next column.
    int Next()
    {
        const int entry = static_cast<int8_t>(m_rowEntries[m_offset]);
        m_offset += m_columnStride;
        if (++m_column == m_columns) {
            m_column = 0;
            m_offset = 0;
        }
        return entry;
    }

private:
    const uint8_t* m_rowEntries;
    int m_columnStride;
    int m_columns;
    int m_column = 0;
    int m_offset = 0;
};

// Converts the leading whole blocks of a 24-bit row with the vector kernel
// and returns how many pixels that was. The ordered modes qualify when their
// column period divides the block, so the pattern starts afresh at the first
// pixel left over. Other sources and error diffusion convert nothing here.
template <Dither Mode, typename Source>
int32_t QuantizeLeadingBlocks(const VyrBlitter& blitter, Source source, uint8_t* dst, int32_t count)
{
    if constexpr (std::is_same_v<Source, Rgb24Source> && Mode != Dither::Diffusion) {
        if constexpr (Mode == Dither::None) {
            return QuantizeRgb24Blocks(source.row, dst, count, blitter.m_colorMap, nullptr);
        } else {
            if (Mode == Dither::PeriodicMatrix &&
                (blitter.m_ditherColsMod == 0 || kCubeBlockPixels % blitter.m_ditherColsMod != 0)) {
                return 0;
            }
            BlockDither block;
            MatrixWalk<Mode> matrix(blitter);
            for (int8_t& offset : block.offsets) {
                offset = static_cast<int8_t>(matrix.Next());
            }
            return QuantizeRgb24Blocks(source.row, dst, count, blitter.m_colorMap, &block);
        }
    } else {
        return 0;
    }
}

// Colour pixels reduced to the cube. `Source` yields Color(i).
template <Dither Mode, typename Source>
void QuantizeColor(const VyrBlitter& blitter, Source source, uint8_t* dst, int32_t count)
{
    const uint8_t* colorMap = blitter.m_colorMap;
    const int32_t done = QuantizeLeadingBlocks<Mode>(blitter, source, dst, count);
    if constexpr (Mode == Dither::None) {
        for (int32_t i = done; i < count; ++i) {
            const Rgb color = source.Color(i);
            dst[i] = colorMap[CubeIndex(color.red, color.green, color.blue)];
        }
    } else if constexpr (Mode == Dither::Diffusion) {
        if (count <= 0) {
            return;
        }
        ColorErrorRow errors(blitter.m_errorRow);
        for (int32_t i = 0; i < count; ++i) {
            const Rgb color = source.Color(i);
            const int red = errors.red.Adjust(color.red, i);
            const int green = errors.green.Adjust(color.green, i);
            const int blue = errors.blue.Adjust(color.blue, i);
            const uint8_t shownIndex = colorMap[CubeIndex(red, green, blue)];
            dst[i] = shownIndex;
            const uint8_t* shown = blitter.m_systemPalette + 3 * shownIndex;
            errors.red.Record(red - shown[0], i);
            errors.green.Record(green - shown[1], i);
            errors.blue.Record(blue - shown[2], i);
        }
    } else {
        MatrixWalk<Mode> matrix(blitter);
        for (int32_t i = done; i < count; ++i) {
            const Rgb color = source.Color(i);
            const int d = matrix.Next();
            dst[i] = colorMap[CubeIndex(ClampChannel(color.red + d), ClampChannel(color.green + d),
                                        ClampChannel(color.blue + d))];
        }
    }
}

// Grey levels reduced to the grey ramp. `Source` yields Grey(i).
template <Dither Mode, typename Source>
void QuantizeGrey(const VyrBlitter& blitter, Source source, uint8_t* dst, int32_t count)
{
    const uint8_t* colorMap = blitter.m_colorMap;
    if constexpr (Mode == Dither::None) {
        for (int32_t i = 0; i < count; ++i) {
            dst[i] = colorMap[GreyIndex(source.Grey(i))];
        }
    } else if constexpr (Mode == Dither::Diffusion) {
        if (count <= 0) {
            return;
        }
        GreyErrorChannel errors = GreyErrorRow(blitter.m_errorRow);
        for (int32_t i = 0; i < count; ++i) {
            const int level = errors.Adjust(source.Grey(i), i);
            const uint8_t shownIndex = colorMap[GreyIndex(level)];
            dst[i] = shownIndex;
            errors.Record(level - blitter.m_systemPalette[3 * shownIndex], i);
        }
    } else {
        // The ramp's steps are eight levels apart, so the matrix is scaled
        // down to match.
        MatrixWalk<Mode> matrix(blitter);
        for (int32_t i = 0; i < count; ++i) {
            const int d = matrix.Next() >> 3;
            dst[i] = colorMap[GreyIndex(ClampChannel(source.Grey(i) + d))];
        }
    }
}

// Source indices translated straight through the colour map. `Indexed`
// yields Index(i).
template <typename Indexed>
void TranslateIndices(const VyrBlitter& blitter, Indexed pixels, uint8_t* dst, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        dst[i] = blitter.m_colorMap[pixels.Index(i)];
    }
}

// A 1-bit row written as one of two display indices per pixel.
void WriteTwoIndices(const VyrBlitter& blitter, const uint8_t* src, uint8_t* dst, int32_t count,
                     uint8_t clearIndex, uint8_t setIndex)
{
    ForEachBit(src, blitter.m_srcBitOffset, count,
               [&](int32_t i, bool set) { dst[i] = set ? setIndex : clearIndex; });
}

Palette8Source Palette8(const VyrBlitter* blitter, const uint8_t* src)
{
    return Palette8Source{{src}, blitter->m_imagePalette};
}

Palette4Source Palette4(const VyrBlitter* blitter, const uint8_t* src)
{
    return Palette4Source{{src}, blitter->m_imagePalette};
}

}  // namespace

void Blit24To8Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::PeriodicMatrix>(*blitter, Rgb24Source{src}, dst, count);
}

void Blit24To8Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::None>(*blitter, Rgb24Source{src}, dst, count);
}

void Blit24To8Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::Diffusion>(*blitter, Rgb24Source{src}, dst, count);
}

void Blit24To8Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::Matrix8x8>(*blitter, Rgb24Source{src}, dst, count);
}

void Blit8To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    TranslateIndices(*blitter, Index8{src}, dst, count);
}

void Blit8To8Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::PeriodicMatrix>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit8To8Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::None>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit8To8Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::Diffusion>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit8To8Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::Matrix8x8>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit8To8Mode0Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::PeriodicMatrix>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit8To8Mode1Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::None>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit8To8Mode2Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::Diffusion>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit8To8Mode3Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::Matrix8x8>(*blitter, Palette8(blitter, src), dst, count);
}

void Blit4To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    TranslateIndices(*blitter, Index4{src}, dst, count);
}

void Blit4To8Mode0(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::PeriodicMatrix>(*blitter, Palette4(blitter, src), dst, count);
}

void Blit4To8Mode1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::None>(*blitter, Palette4(blitter, src), dst, count);
}

void Blit4To8Mode2(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::Diffusion>(*blitter, Palette4(blitter, src), dst, count);
}

void Blit4To8Mode3(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeColor<Dither::Matrix8x8>(*blitter, Palette4(blitter, src), dst, count);
}

void Blit4To8Mode0Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::PeriodicMatrix>(*blitter, Palette4(blitter, src), dst, count);
}

void Blit4To8Mode1Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::None>(*blitter, Palette4(blitter, src), dst, count);
}

void Blit4To8Mode2Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::Diffusion>(*blitter, Palette4(blitter, src), dst, count);
}

void Blit4To8Mode3Gray(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    QuantizeGrey<Dither::Matrix8x8>(*blitter, Palette4(blitter, src), dst, count);
}

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
