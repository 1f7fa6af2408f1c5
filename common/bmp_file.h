// Uncompressed bottom-up BMP files and the packed DIBs inside them: a
// BITMAPINFOHEADER, a colour table of any length up to 2^bits, then the rows,
// bottom row first and padded to 4 bytes. The virtual display writes its
// screen with it and the Windows build of the tool the real display's, so
// both write the same bytes. Plain bytes only: the virtual display compiles
// it without the tool and the Windows tool without the virtual display.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace dibkit {

struct BmpColor {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Where a DIB of `bits` bits per pixel (1, 4, 8 or 24) and `colors` table
// entries keeps its parts.
struct BmpLayout {
    BmpLayout(int width, int height, int bits, size_t colors);

    int width;
    int height;
    int bits;
    size_t colors;
    size_t stride;       // bytes per row, padded to a multiple of 4
    size_t pixelOffset;  // from the start of the header to the bottom row
    size_t dibSize;      // header, colour table and rows
};

// Fills image row `y` (0 at the top): every byte that holds a pixel, unused
// low bits of the last one cleared. The writer clears the padding after it.
using BmpRowWriter = std::function<void(int y, uint8_t* row)>;

// Writes the packed DIB, `layout.dibSize` bytes, to `out`; `table` holds
// `layout.colors` entries, stored with a reserved byte of 0.
void WritePackedDib(const BmpLayout& layout, std::span<const BmpColor> table, const BmpRowWriter& writeRow,
                    uint8_t* out);

// The 14-byte file header that makes such a DIB a BMP file.
std::array<uint8_t, 14> BmpFileHeader(const BmpLayout& layout);

// The whole file: the file header, then the packed DIB.
std::vector<uint8_t> EncodeBmp(const BmpLayout& layout, std::span<const BmpColor> table,
                               const BmpRowWriter& writeRow);

// A 24-bit file of `rgb` (3 bytes a pixel, red first, top row first).
std::vector<uint8_t> EncodeBmp24(int width, int height, std::span<const uint8_t> rgb);

// An 8-bit file of `indices` (a byte a pixel, top row first) with `table`
// (at most 256 entries) as colour table.
std::vector<uint8_t> EncodeBmp8(int width, int height, std::span<const uint8_t> indices,
                                std::span<const BmpColor> table);

}  // namespace dibkit
