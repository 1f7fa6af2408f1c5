// What the PNG decoders share (libpng on Linux, the Windows Imaging Component
// on Windows): the DIB a decoded PNG becomes, filled from the rows the
// decoder hands over, with transparency composited over the background.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tools/alpha.h"
#include "tools/packed_dib.h"

namespace dibtool {

// The layouts in which a decoder hands its rows over.
enum class PngRowLayout {
    Indices,  // palette indices packed as the file stores them, 1, 2, 4 or 8 bits each
    Grey,     // one 8-bit grey level a pixel
    Bgr,      // blue, green, red
    Bgra,     // blue, green, red, alpha
};

// A palette entry with its alpha from tRNS (255 for entries tRNS leaves out).
struct PngPaletteColor {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t alpha;
};

// Builds the closest DIB the library draws: palette images keep their
// palette at 1, 4 (2-bit indices widened) or 8 bits, grey images become 8-bit
// with a grey colour table, colour images 24-bit; alpha is composited over
// the background, palette alpha in the colour table.
class PngDibBuilder {
public:
    // `indexBits` is the file's bit depth for Indices and ignored otherwise.
    // The size must have passed CheckImageSize. Throws std::bad_alloc when the
    // pixels do not fit in memory.
    PngDibBuilder(int width, int height, PngRowLayout layout, int indexBits, COLORREF background);

    // The length of one row as the decoder hands it over.
    size_t RowBytes() const { return m_rowBytes; }

    // The colour table of a palette image; entries beyond what the DIB's
    // depth addresses are dropped, missing ones stay black.
    void SetPalette(std::span<const PngPaletteColor> palette);

    // Row y, 0 at the top, in the builder's layout: RowBytes() bytes.
    void PutRow(int y, const uint8_t* row);

    PackedDib& image() { return m_image; }

private:
    PngRowLayout m_layout;
    int m_indexBits;
    size_t m_rowBytes;
    COLORREF m_background;
    PackedDib m_image;
};

}  // namespace dibtool
