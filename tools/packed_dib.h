// The image the tool hands to the library: a packed DIB in one buffer, with a
// 40-byte header, a colour table of exactly 2^bits entries for 1, 4 and 8 bits
// and bottom-up rows padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dibplatform.h"

namespace dibtool {

// The largest image the tool reads or screen it sets up: 32768 pixels on a
// side and 2^26 pixels in all, which keeps every buffer well inside memory.
constexpr int64_t kMaxImageSide = 32768;
constexpr int64_t kMaxImagePixels = int64_t{1} << 26;

// Why an image of this size cannot be handled ("width 0 is not positive"),
// or an empty string when it can.
std::string CheckImageSize(int64_t width, int64_t height);

// What the tool reports when the pixels of an image of this size do not fit
// in memory: "not enough memory for a 32768×2048 image".
std::string NotEnoughMemoryFor(int64_t width, int64_t height);

class PackedDib {
public:
    PackedDib() = default;
    // A zeroed image (all colour-table entries black) of 1, 4, 8 or 24 bits.
    PackedDib(int width, int height, int bits);

    bool empty() const { return m_bytes.empty(); }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int bits() const { return m_bits; }
    int colorCount() const { return m_bits <= 8 ? 1 << m_bits : 0; }
    size_t stride() const { return m_stride; }

    BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(m_bytes.data()); }
    const BITMAPINFOHEADER* header() const
    {
        return reinterpret_cast<const BITMAPINFOHEADER*>(m_bytes.data());
    }
    RGBQUAD* colors() { return reinterpret_cast<RGBQUAD*>(m_bytes.data() + sizeof(BITMAPINFOHEADER)); }
    const RGBQUAD* colors() const
    {
        return reinterpret_cast<const RGBQUAD*>(m_bytes.data() + sizeof(BITMAPINFOHEADER));
    }
    void SetColor(int index, uint8_t red, uint8_t green, uint8_t blue)
    {
        colors()[index] = RGBQUAD{blue, green, red, 0};
    }

    // Image row y, 0 at the top.
    uint8_t* Row(int y) { return StoredRow(m_height - 1 - y); }
    const uint8_t* Row(int y) const { return StoredRow(m_height - 1 - y); }
    // Row i in memory order, 0 at the bottom of the image.
    uint8_t* StoredRow(int i) { return m_bytes.data() + m_pixelOffset + static_cast<size_t>(i) * m_stride; }
    const uint8_t* StoredRow(int i) const
    {
        return m_bytes.data() + m_pixelOffset + static_cast<size_t>(i) * m_stride;
    }

    // Index (1, 4, 8 bits) or 0xRRGGBB (24 bits) of pixel (x, y), 0 at the top.
    uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint32_t value);

    static size_t StrideOf(int width, int bits)
    {
        return static_cast<size_t>((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4);
    }

private:
    int m_width = 0;
    int m_height = 0;
    int m_bits = 0;
    size_t m_stride = 0;
    size_t m_pixelOffset = 0;
    std::vector<uint8_t> m_bytes;
};

// Stores an index of `bits` bits (1, 4 or 8) as pixel x of a packed row, left
// pixel in the most significant bits.
void PutIndex(uint8_t* row, int x, int bits, uint32_t index);
uint32_t GetIndex(const uint8_t* row, int x, int bits);

}  // namespace dibtool
