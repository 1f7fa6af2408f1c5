// What the converter references read from a source row: pixel i's entry of
// the image's colour table, or its colour.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/packed_dib.h"

namespace testsupport {

// The colour-table index of pixel i of a row of 1, 4 or 8 bits; a 1-bit
// row's first pixel stands at bit `bitOffset` of its first byte.
inline int SourceIndex(int bits, const std::vector<uint8_t>& row, int i, int bitOffset = 0)
{
    return static_cast<int>(dibkit::GetIndex(row.data(), bits == 1 ? bitOffset + i : i, bits));
}

// Pixel i's red, green and blue. A 24-bit row stores blue, green, red; the
// other rows name an entry of `palette`, red, green, blue triples.
inline std::array<int, 3> SourceColor(int bits, const std::vector<uint8_t>& row, const uint8_t* palette, int i,
                                      int bitOffset = 0)
{
    if (bits == 24) {
        return {row[3 * i + 2], row[3 * i + 1], row[3 * i]};
    }
    const uint8_t* entry = palette + 3 * SourceIndex(bits, row, i, bitOffset);
    return {entry[0], entry[1], entry[2]};
}

}  // namespace testsupport
