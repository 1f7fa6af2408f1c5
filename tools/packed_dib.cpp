#include "tools/packed_dib.h"

namespace dibtool {

std::string CheckImageSize(int64_t width, int64_t height)
{
    if (width <= 0) {
        return "width " + std::to_string(width) + " is not positive";
    }
    if (height <= 0) {
        return "height " + std::to_string(height) + " is not positive";
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width > kMaxImageSide || height > kMaxImageSide) {
        return "size " + size + " is too large (at most " + std::to_string(kMaxImageSide) + " pixels on a side)";
    }
    if (width * height > kMaxImagePixels) {
        return "size " + size + " is too large (at most " + std::to_string(kMaxImagePixels) + " pixels)";
    }
    return {};
}

std::string NotEnoughMemoryFor(int64_t width, int64_t height)
{
    return "not enough memory for a " + std::to_string(width) + "\u00D7" + std::to_string(height) + " image";
}

PackedDib::PackedDib(int width, int height, int bits)
    : m_width(width), m_height(height), m_bits(bits), m_stride(StrideOf(width, bits))
{
    m_pixelOffset = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<size_t>(colorCount());
    m_bytes.assign(m_pixelOffset + m_stride * static_cast<size_t>(height), 0);
    BITMAPINFOHEADER* h = header();
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(bits);
    h->biCompression = BI_RGB;
    h->biSizeImage = static_cast<DWORD>(m_stride * static_cast<size_t>(height));
    h->biXPelsPerMeter = 2835;  // 72 dots per inch
    h->biYPelsPerMeter = 2835;
}

void PutIndex(uint8_t* row, int x, int bits, uint32_t index)
{
    switch (bits) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>((index & 1) != 0 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case 4:
        if ((x & 1) != 0) {
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 15));
        } else {
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((index & 15) << 4));
        }
        break;
    default:
        row[x] = static_cast<uint8_t>(index);
        break;
    }
}

uint32_t GetIndex(const uint8_t* row, int x, int bits)
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

uint32_t PackedDib::Pixel(int x, int y) const
{
    const uint8_t* row = Row(y);
    if (m_bits == 24) {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
    return GetIndex(row, x, m_bits);
}

void PackedDib::SetPixel(int x, int y, uint32_t value)
{
    uint8_t* row = Row(y);
    if (m_bits == 24) {
        uint8_t* p = row + 3 * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        return;
    }
    PutIndex(row, x, m_bits, value);
}

}  // namespace dibtool
