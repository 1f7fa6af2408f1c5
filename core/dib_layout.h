// Where a packed DIB keeps its header, colour table and rows, which of its
// bytes a blit reads, and the checks by which the bounds-checked overloads
// refuse a DIB whose header promises more than its length holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// Colour-table entries: 2^bits up to 8 bits per pixel, none above.
int64_t ColorCount(const BITMAPINFOHEADER& bitmap);
// Bytes from the start of the header to the first (bottom) row.
int64_t RowsOffset(const BITMAPINFOHEADER& bitmap);
// Bytes per row, padded to a multiple of 4.
int64_t RowStride(const BITMAPINFOHEADER& bitmap);

// The bytes of a row that a blit copies for `count` pixels from pixel `left`
// on: from `offset`, `length` bytes.
struct RowBytes {
    int64_t offset;
    int64_t length;
};
RowBytes CopiedBytes(int bits, int64_t left, int64_t count);

// Clips a source rectangle to the bitmap in place. Returns false, leaving the
// rectangle as it was, when it starts right of or below the bitmap.
bool ClipSource(const BITMAPINFOHEADER& bitmap, RECT& rect);

// Whether `dibBytes` bytes hold the header (of at least 40 bytes), and one
// plane and the whole colour table of its bit count.
bool PaletteFits(const BITMAPINFOHEADER* bitmap, size_t dibBytes);
// Whether they hold all that a blit of `srcRect` reads: PaletteFits, a
// drawable bit count and width, and every row of the clipped rectangle.
bool BlitFits(const BITMAPINFOHEADER* bitmap, size_t dibBytes, const RECT& srcRect);

}  // namespace dibdraw
