// How the converters obtain pixel i of a source row. A converter family is one
// template over a source type; its members differ only in the source. Each
// source opens a row of the blitter's image with Open(blitter, row).
#pragma once

#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

struct Rgb {
    int red;
    int green;
    int blue;
};

// 24-bit rows: blue, green, red per pixel.
struct Rgb24Source {
    const uint8_t* row;

    static Rgb24Source Open(const VyrBlitter&, const uint8_t* row) { return {row}; }

    Rgb Color(int32_t i) const
    {
        const uint8_t* pixel = row + 3 * i;
        return {pixel[2], pixel[1], pixel[0]};
    }
};

// 8-bit rows: one colour-table index per byte.
struct Index8 {
    const uint8_t* row;

    static Index8 Open(const VyrBlitter&, const uint8_t* row) { return {row}; }

    int Index(int32_t i) const { return row[i]; }
};

// 4-bit rows: the even pixel in the high nibble, the odd one in the low nibble.
struct Index4 {
    const uint8_t* row;

    static Index4 Open(const VyrBlitter&, const uint8_t* row) { return {row}; }

    int Index(int32_t i) const
    {
        const uint8_t pair = row[i >> 1];
        return (i & 1) != 0 ? (pair & 0x0F) : (pair >> 4);
    }
};

// An indexed row looked up in a red, green, blue triple table; opened on the
// image's colour table.
template <typename Indexed>
struct PaletteSource {
    Indexed pixels;
    const uint8_t* palette;

    static PaletteSource Open(const VyrBlitter& blitter, const uint8_t* row)
    {
        return {Indexed::Open(blitter, row), blitter.m_imagePalette};
    }

    Rgb Color(int32_t i) const
    {
        const uint8_t* entry = palette + 3 * pixels.Index(i);
        return {entry[0], entry[1], entry[2]};
    }
    // For grey tables, where red stands for all three channels.
    int Grey(int32_t i) const { return palette[3 * pixels.Index(i)]; }
};

using Palette8Source = PaletteSource<Index8>;
using Palette4Source = PaletteSource<Index4>;

// Calls visit(i, bit) for the `count` bits of a 1-bit row starting at bit
// `bitOffset` (0..7, from the most significant bit) of byte 0, reading exactly
// the bytes that hold those pixels.
template <typename Visit>
inline void ForEachBit(const uint8_t* row, int32_t bitOffset, int32_t count, Visit&& visit)
{
    const int32_t offset = bitOffset & 7;
    unsigned bits = 0;
    if (offset != 0 && count > 0) {
        bits = static_cast<unsigned>(*row++) << offset;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (((offset + i) & 7) == 0) {
            bits = *row++;
        }
        visit(i, (bits & 0x80) != 0);
        bits <<= 1;
    }
}

constexpr int ClampChannel(int value)
{
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

// Error diffusion carries errors truncated toward zero to a multiple of 4:
// a negative error is raised by 3 before its low bits are cleared, which
// needs no branch on the sign.
constexpr int TruncateError(int error)
{
    return (error + ((error >> 31) & 3)) & ~3;
}

}  // namespace dibdraw
