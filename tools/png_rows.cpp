#include "tools/png_rows.h"

#include <algorithm>
#include <cstring>

namespace dibtool {

namespace {

int DibBitsFor(PngRowLayout layout, int indexBits)
{
    switch (layout) {
    case PngRowLayout::Indices:
        return indexBits == 1 ? 1 : indexBits <= 4 ? 4 : 8;
    case PngRowLayout::Grey:
        return 8;
    default:
        return 24;
    }
}

size_t RowBytesOf(PngRowLayout layout, int indexBits, int width)
{
    const size_t w = static_cast<size_t>(width);
    switch (layout) {
    case PngRowLayout::Indices:
        return (w * static_cast<size_t>(indexBits) + 7) / 8;
    case PngRowLayout::Grey:
        return w;
    case PngRowLayout::Bgr:
        return w * 3;
    default:
        return w * 4;
    }
}

}  // namespace

PngDibBuilder::PngDibBuilder(int width, int height, PngRowLayout layout, int indexBits, COLORREF background)
    : m_layout(layout), m_indexBits(indexBits), m_rowBytes(RowBytesOf(layout, indexBits, width)),
      m_background(background), m_image(width, height, DibBitsFor(layout, indexBits))
{
    if (layout == PngRowLayout::Grey) {
        for (int i = 0; i < 256; ++i) {
            m_image.SetColor(i, static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));
        }
    }
}

void PngDibBuilder::SetPalette(std::span<const PngPaletteColor> palette)
{
    const size_t count = std::min(palette.size(), static_cast<size_t>(m_image.colorCount()));
    for (size_t i = 0; i < count; ++i) {
        const PngPaletteColor& c = palette[i];
        m_image.SetColor(static_cast<int>(i), Over(c.alpha, c.red, GetRValue(m_background)),
                         Over(c.alpha, c.green, GetGValue(m_background)),
                         Over(c.alpha, c.blue, GetBValue(m_background)));
    }
}

void PngDibBuilder::PutRow(int y, const uint8_t* row)
{
    uint8_t* out = m_image.Row(y);
    const int width = m_image.width();
    if (m_layout == PngRowLayout::Bgra) {
        for (int x = 0; x < width; ++x, row += 4, out += 3) {
            out[0] = Over(row[3], row[0], GetBValue(m_background));
            out[1] = Over(row[3], row[1], GetGValue(m_background));
            out[2] = Over(row[3], row[2], GetRValue(m_background));
        }
    } else if (m_layout == PngRowLayout::Indices && m_indexBits == 2) {
        // The one depth a DIB lacks: each 2-bit index becomes a 4-bit one.
        for (int x = 0; x < width; ++x) {
            PutIndex(out, x, 4, (row[x >> 2] >> (6 - 2 * (x & 3))) & 3u);
        }
    } else {
        // Every other layout is already the DIB's, packed from the most
        // significant bit like PNG's.
        std::memcpy(out, row, m_rowBytes);
    }
}

}  // namespace dibtool
