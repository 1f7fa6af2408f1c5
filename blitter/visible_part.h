// The part of a blit's destination that is converted and sent. A destination
// may be far larger than what its device context shows; rows and columns
// outside the visible area are skipped wherever the visible pixels cannot
// depend on them, so a blit costs what can show, and what shows is exactly
// what the whole destination would show there.
#pragma once

#include <cstdint>

#include "blitter/selection.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// Rows and columns counted from the destination's top-left corner.
struct VisiblePart {
    int32_t width = 0;         // of the whole destination
    bool diffused = false;
    int32_t firstRow = 0;      // first row converted
    int32_t firstSentRow = 0;  // rows from here to endRow are sent
    int32_t endRow = 0;        // rows from here on are neither converted nor sent
    int32_t firstColumn = 0;   // first column converted
    int32_t firstSentColumn = 0;
    int32_t endColumn = 0;     // end of the columns sent

    bool Empty() const { return firstSentRow >= endRow || firstSentColumn >= endColumn; }

    // End of the columns converted on `row`. Error diffusion passes 3/16 of
    // each pixel's error to the pixel below and to the left, so a visible
    // pixel depends on one more column to its right for every row above it.
    int32_t ConvertedEnd(int32_t row) const
    {
        if (!diffused) {
            return endColumn;
        }
        const int64_t end = int64_t{endColumn} + (endRow - 1 - row);
        return end < width ? static_cast<int32_t>(end) : width;
    }
    // Pixels of the widest converted row, the first.
    int32_t WidestRow() const { return ConvertedEnd(firstRow) - firstColumn; }
};

// The visible part of a destination of dstW x dstH pixels at `dst` in the
// device context's clip box, for a converter of the given reach and a band
// of `bandBits` bits per pixel. Error diffusion is converted from the first
// row and column, as its carried errors need; ordered dithers start on a
// whole column period, so every pixel meets the same threshold as in the
// whole destination. The sent columns start on a whole band byte.
VisiblePart FindVisiblePart(HDC dc, const RECT& dst, int32_t dstW, int32_t dstH, const ConverterReach& reach,
                            int bandBits);

}  // namespace dibdraw
