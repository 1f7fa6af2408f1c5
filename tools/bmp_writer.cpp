#include "tools/bmp_writer.h"

#include <cstring>

#include "tools/packed_dib.h"

namespace dibtool {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// File header and BITMAPINFOHEADER for an uncompressed bottom-up image.
std::vector<uint8_t> Headers(int width, int height, int bits, size_t tableEntries)
{
    const size_t imageSize = PackedDib::StrideOf(width, bits) * static_cast<size_t>(height);
    const uint32_t dataOffset = static_cast<uint32_t>(14 + 40 + 4 * tableEntries);
    std::vector<uint8_t> out;
    out.reserve(dataOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<uint32_t>(dataOffset + imageSize));
    Put32(out, 0);
    Put32(out, dataOffset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, 0);  // BI_RGB
    Put32(out, static_cast<uint32_t>(imageSize));
    Put32(out, 2835);  // 72 dots per inch
    Put32(out, 2835);
    Put32(out, static_cast<uint32_t>(tableEntries));
    Put32(out, 0);
    return out;
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(int width, int height, std::span<const uint8_t> rgb)
{
    std::vector<uint8_t> out = Headers(width, height, 24, 0);
    const size_t stride = PackedDib::StrideOf(width, 24);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
        for (int x = 0; x < width; ++x) {
            out.push_back(row[3 * x + 2]);
            out.push_back(row[3 * x + 1]);
            out.push_back(row[3 * x]);
        }
        out.resize(out.size() + stride - static_cast<size_t>(width) * 3, 0);
    }
    return out;
}

std::vector<uint8_t> EncodeBmp8(int width, int height, std::span<const uint8_t> indices,
                                std::span<const PALETTEENTRY> table)
{
    std::vector<uint8_t> out = Headers(width, height, 8, table.size());
    for (const PALETTEENTRY& e : table) {
        out.insert(out.end(), {e.peBlue, e.peGreen, e.peRed, 0});
    }
    const size_t stride = PackedDib::StrideOf(width, 8);
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = indices.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        out.insert(out.end(), row, row + width);
        out.resize(out.size() + stride - static_cast<size_t>(width), 0);
    }
    return out;
}

}  // namespace dibtool
