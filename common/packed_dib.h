// A packed device-independent bitmap built in memory: the 40-byte header, a
// colour table of exactly 2^bits entries for 1, 4 and 8 bits, then the rows,
// bottom-up (or top-down) and padded to 4 bytes, all in one buffer of exactly
// that size (so that AddressSanitizer catches a read past the last row). The
// tool, the tests and the benchmarks build the images they hand to the
// library and to the virtual display with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dibplatform.h"

namespace dibkit {

// Stores an index of `bits` bits (1, 4 or 8) as pixel x of a packed row, left
// pixel in the most significant bits.
inline void PutIndex(uint8_t* row, int x, int bits, uint32_t index)
{
    switch (bits) {
    case 1: {
        const auto bit = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>((index & 1) != 0 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case 4:
        row[x >> 1] = static_cast<uint8_t>((x & 1) != 0 ? (row[x >> 1] & 0xF0) | (index & 15)
                                                        : (row[x >> 1] & 0x0F) | ((index & 15) << 4));
        break;
    default:
        row[x] = static_cast<uint8_t>(index);
        break;
    }
}

inline uint32_t GetIndex(const uint8_t* row, int x, int bits)
{
    switch (bits) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) != 0 ? row[x >> 1] & 15u : static_cast<uint32_t>(row[x >> 1] >> 4);
    default:
        return row[x];
    }
}

constexpr uint32_t RgbOf(const RGBQUAD& color)
{
    return uint32_t{color.rgbRed} << 16 | uint32_t{color.rgbGreen} << 8 | color.rgbBlue;
}

class PackedDib {
public:
    PackedDib() = default;
    // A zeroed image (every colour-table entry black) of 1, 4, 8, 16, 24 or
    // 32 bits. A negative height makes a top-down image of |height| rows.
    PackedDib(int width, int height, int bits)
        : m_width(width), m_height(height < 0 ? -height : height), m_topDown(height < 0), m_bits(bits),
          m_stride(StrideOf(width, bits)),
          m_pixelOffset(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<size_t>(ColorCountOf(bits)))
    {
        const auto rows = static_cast<size_t>(m_height);
        m_bytes.assign(m_pixelOffset + m_stride * rows, 0);
        BITMAPINFOHEADER* h = header();
        h->biSize = sizeof(BITMAPINFOHEADER);
        h->biWidth = width;
        h->biHeight = height;
        h->biPlanes = 1;
        h->biBitCount = static_cast<WORD>(bits);
        h->biCompression = BI_RGB;
        h->biSizeImage = static_cast<DWORD>(m_stride * rows);
        h->biXPelsPerMeter = 2835;  // 72 dots per inch
        h->biYPelsPerMeter = 2835;
    }

    static size_t StrideOf(int width, int bits)
    {
        return static_cast<size_t>((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4);
    }
    static int ColorCountOf(int bits) { return bits <= 8 ? 1 << bits : 0; }

    bool empty() const { return m_bytes.empty(); }
    // The whole DIB's length in bytes.
    size_t size() const { return m_bytes.size(); }
    int width() const { return m_width; }
    // The number of rows, whichever way they are stored.
    int height() const { return m_height; }
    bool topDown() const { return m_topDown; }
    int bits() const { return m_bits; }
    int colorCount() const { return ColorCountOf(m_bits); }
    size_t stride() const { return m_stride; }

    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(m_bytes.data()); }
    const BITMAPINFOHEADER* header() const { return reinterpret_cast<const BITMAPINFOHEADER*>(m_bytes.data()); }
    // The header and colour table, and the rows, as StretchDIBits takes them.
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(m_bytes.data()); }
    const uint8_t* pixels() const { return m_bytes.data() + m_pixelOffset; }

    RGBQUAD* colors() { return reinterpret_cast<RGBQUAD*>(m_bytes.data() + sizeof(BITMAPINFOHEADER)); }
    const RGBQUAD* colors() const
    {
        return reinterpret_cast<const RGBQUAD*>(m_bytes.data() + sizeof(BITMAPINFOHEADER));
    }

    void SetColor(int index, uint8_t red, uint8_t green, uint8_t blue, uint8_t reserved = 0)
    {
        colors()[index] = RGBQUAD{blue, green, red, reserved};
    }
    // `rgb` is 0xRRGGBB.
    void SetColor(int index, uint32_t rgb, uint8_t reserved = 0)
    {
        SetColor(index, static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb),
                 reserved);
    }
    // Colour-table entry `index` as 0xRRGGBB.
    uint32_t TableColor(int index) const { return RgbOf(colors()[index]); }

    // Image row y, 0 at the top.
    uint8_t* Row(int y) { return StoredRow(m_topDown ? y : m_height - 1 - y); }
    const uint8_t* Row(int y) const { return StoredRow(m_topDown ? y : m_height - 1 - y); }
    // Row i in memory order, 0 at the bottom of a bottom-up image.
    uint8_t* StoredRow(int i) { return m_bytes.data() + m_pixelOffset + static_cast<size_t>(i) * m_stride; }
    const uint8_t* StoredRow(int i) const
    {
        return m_bytes.data() + m_pixelOffset + static_cast<size_t>(i) * m_stride;
    }

    // Pixel (x, y), 0 at the top: an index (1, 4, 8 bits), or the pixel's
    // bytes as stored, little-endian (16, 24, 32 bits), which for 24 bits is
    // 0xRRGGBB.
    uint32_t Pixel(int x, int y) const
    {
        const uint8_t* row = Row(y);
        if (m_bits <= 8) {
            return GetIndex(row, x, m_bits);
        }
        const uint8_t* p = row + static_cast<size_t>(m_bits / 8) * static_cast<size_t>(x);
        uint32_t value = 0;
        for (int i = 0; i < m_bits / 8; ++i) {
            value |= uint32_t{p[i]} << (8 * i);
        }
        return value;
    }
    void SetPixel(int x, int y, uint32_t value)
    {
        uint8_t* row = Row(y);
        if (m_bits <= 8) {
            PutIndex(row, x, m_bits, value);
            return;
        }
        uint8_t* p = row + static_cast<size_t>(m_bits / 8) * static_cast<size_t>(x);
        for (int i = 0; i < m_bits / 8; ++i) {
            p[i] = static_cast<uint8_t>(value >> (8 * i));
        }
    }
    // The colour of pixel (x, y) as 0xRRGGBB: from the colour table, from
    // 5-5-5 channels widened by repeating their top bits (16 bits), or the
    // low three bytes (24 and 32 bits).
    uint32_t Color(int x, int y) const
    {
        const uint32_t value = Pixel(x, y);
        switch (m_bits) {
        case 16: {
            auto widen = [](uint32_t five) { return (five << 3) | (five >> 2); };
            return widen((value >> 10) & 31) << 16 | widen((value >> 5) & 31) << 8 | widen(value & 31);
        }
        case 24:
        case 32:
            return value & 0xFFFFFF;
        default:
            return TableColor(static_cast<int>(value));
        }
    }

    // Random colours and pixel bytes, padding included, from any generator
    // with a Byte() member.
    template <class Random>
    void Randomize(Random& random)
    {
        for (int i = 0; i < colorCount(); ++i) {
            SetColor(i, random.Byte(), random.Byte(), random.Byte());
        }
        for (int y = 0; y < m_height; ++y) {
            uint8_t* row = Row(y);
            for (size_t k = 0; k < m_stride; ++k) {
                row[k] = random.Byte();
            }
        }
    }

private:
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
    int m_bits = 0;
    size_t m_stride = 0;
    size_t m_pixelOffset = 0;
    std::vector<uint8_t> m_bytes;
};

}  // namespace dibkit
