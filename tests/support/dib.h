// Packed DIBs built in memory for tests: header, full colour table, bottom-up
// rows padded to 4 bytes, in one exactly sized buffer so that a read past the
// last row is caught by AddressSanitizer.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "dibplatform.h"
#include "support/test_support.h"

namespace testsupport {

class Dib {
public:
    Dib(int width, int height, int bits)
        : m_width(width), m_height(height), m_bits(bits),
          m_colors(bits <= 8 ? 1 << bits : 0),
          m_stride(((static_cast<int64_t>(width) * bits + 31) / 8) & ~int64_t{3}),
          m_bytes(sizeof(BITMAPINFOHEADER) + 4 * static_cast<size_t>(m_colors) +
                  static_cast<size_t>(m_stride * (height > 0 ? height : -height)))
    {
        BITMAPINFOHEADER* h = header();
        h->biSize = sizeof(BITMAPINFOHEADER);
        h->biWidth = width;
        h->biHeight = height;
        h->biPlanes = 1;
        h->biBitCount = static_cast<WORD>(bits);
        h->biCompression = BI_RGB;
    }

    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(m_bytes.data()); }
    RGBQUAD* colors() { return reinterpret_cast<RGBQUAD*>(m_bytes.data() + sizeof(BITMAPINFOHEADER)); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int bits() const { return m_bits; }
    // The DIB's length in bytes: header, colour table and rows.
    size_t size() const { return m_bytes.size(); }
    int64_t stride() const { return m_stride; }

    void SetColor(int index, uint8_t red, uint8_t green, uint8_t blue, uint8_t reserved = 0)
    {
        colors()[index] = RGBQUAD{blue, green, red, reserved};
    }

    // Image row y, 0 at the top.
    uint8_t* Row(int y)
    {
        return m_bytes.data() + sizeof(BITMAPINFOHEADER) + 4 * static_cast<size_t>(m_colors) +
               static_cast<size_t>((m_height - 1 - y) * m_stride);
    }

    // Index (1, 4, 8 bits) or 0xRRGGBB (24 bits) of pixel (x, y).
    uint32_t Pixel(int x, int y)
    {
        const uint8_t* row = Row(y);
        switch (m_bits) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4:
            return (x & 1) != 0 ? (row[x >> 1] & 15) : (row[x >> 1] >> 4);
        case 8:
            return row[x];
        default:
            return (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
        }
    }

    void SetPixel(int x, int y, uint32_t value)
    {
        uint8_t* row = Row(y);
        switch (m_bits) {
        case 1: {
            const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
            row[x >> 3] = static_cast<uint8_t>(value != 0 ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
            break;
        }
        case 4:
            row[x >> 1] = static_cast<uint8_t>((x & 1) != 0 ? ((row[x >> 1] & 0xF0) | (value & 15))
                                                          : ((row[x >> 1] & 0x0F) | ((value & 15) << 4)));
            break;
        case 8:
            row[x] = static_cast<uint8_t>(value);
            break;
        default:
            row[3 * x] = static_cast<uint8_t>(value);
            row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
            break;
        }
    }

    // The colour of pixel (x, y) as 0xRRGGBB.
    uint32_t Color(int x, int y)
    {
        const uint32_t value = Pixel(x, y);
        if (m_bits > 8) {
            return value;
        }
        const RGBQUAD& c = colors()[value];
        return (uint32_t{c.rgbRed} << 16) | (uint32_t{c.rgbGreen} << 8) | c.rgbBlue;
    }

    void Randomize(Random& random)
    {
        for (int i = 0; i < m_colors; ++i) {
            SetColor(i, random.Byte(), random.Byte(), random.Byte());
        }
        for (int y = 0; y < m_height; ++y) {
            uint8_t* row = Row(y);
            for (int64_t k = 0; k < m_stride; ++k) {
                row[k] = random.Byte();
            }
        }
    }

private:
    int m_width;
    int m_height;
    int m_bits;
    int m_colors;
    int64_t m_stride;
    std::vector<uint8_t> m_bytes;
};

inline uint32_t ToRgb(COLORREF color)
{
    return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

// A channel kept to its top `bits` bits and widened again by repeating them,
// as a display of that many bits per channel shows it.
inline uint32_t KeepTopBits(uint32_t channel, int bits)
{
    const uint32_t kept = channel >> (8 - bits);
    uint32_t widened = 0;
    for (int shift = 8 - bits; shift > -bits; shift -= bits) {
        widened |= shift >= 0 ? kept << shift : kept >> -shift;
    }
    return widened & 0xFF;
}

// The colour (0xRRGGBB) a direct-colour screen of the current kind shows for
// a colour; palette kinds are not covered.
inline uint32_t DeviceRendition(uint32_t rgb)
{
    int redBits = 8, greenBits = 8, blueBits = 8;
    switch (vd::CurrentConfig().kind) {
    case vd::Kind::Rgb565:
        redBits = 5, greenBits = 6, blueBits = 5;
        break;
    case vd::Kind::Rgb332:
        redBits = 3, greenBits = 3, blueBits = 2;
        break;
    default:
        return rgb;
    }
    return (KeepTopBits(rgb >> 16, redBits) << 16) | (KeepTopBits((rgb >> 8) & 0xFF, greenBits) << 8) |
           KeepTopBits(rgb & 0xFF, blueBits);
}

}  // namespace testsupport
