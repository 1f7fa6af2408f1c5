#include "common/bmp_file.h"

#include <cstring>

namespace dibkit {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kPelsPerMeter = 2835;  // 72 dots per inch

void PutLe(uint8_t* out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

BmpLayout::BmpLayout(int width, int height, int bits, size_t colors)
    : width(width), height(height), bits(bits), colors(colors),
      stride((static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32 * 4),
      pixelOffset(kInfoHeaderBytes + 4 * colors), dibSize(pixelOffset + stride * static_cast<size_t>(height))
{
}

void WritePackedDib(const BmpLayout& layout, std::span<const BmpColor> table, const BmpRowWriter& writeRow,
                    uint8_t* out)
{
    std::memset(out, 0, layout.pixelOffset);
    PutLe(out, kInfoHeaderBytes, 4);
    PutLe(out + 4, static_cast<uint32_t>(layout.width), 4);
    PutLe(out + 8, static_cast<uint32_t>(layout.height), 4);
    PutLe(out + 12, 1, 2);
    PutLe(out + 14, static_cast<uint32_t>(layout.bits), 2);
    PutLe(out + 16, kBiRgb, 4);
    PutLe(out + 20, static_cast<uint32_t>(layout.stride * static_cast<size_t>(layout.height)), 4);
    PutLe(out + 24, kPelsPerMeter, 4);
    PutLe(out + 28, kPelsPerMeter, 4);
    PutLe(out + 32, static_cast<uint32_t>(layout.colors), 4);
    for (size_t i = 0; i < layout.colors; ++i) {
        uint8_t* entry = out + kInfoHeaderBytes + 4 * i;
        entry[0] = table[i].blue;
        entry[1] = table[i].green;
        entry[2] = table[i].red;
    }
    const size_t written = (static_cast<size_t>(layout.width) * static_cast<size_t>(layout.bits) + 7) / 8;
    for (int y = 0; y < layout.height; ++y) {
        uint8_t* row = out + layout.pixelOffset + static_cast<size_t>(layout.height - 1 - y) * layout.stride;
        std::memset(row + written, 0, layout.stride - written);
        writeRow(y, row);
    }
}

std::array<uint8_t, 14> BmpFileHeader(const BmpLayout& layout)
{
    std::array<uint8_t, 14> header{'B', 'M'};
    PutLe(header.data() + 2, static_cast<uint32_t>(kFileHeaderBytes + layout.dibSize), 4);
    PutLe(header.data() + 10, static_cast<uint32_t>(kFileHeaderBytes + layout.pixelOffset), 4);
    return header;
}

std::vector<uint8_t> EncodeBmp(const BmpLayout& layout, std::span<const BmpColor> table,
                               const BmpRowWriter& writeRow)
{
    const std::array<uint8_t, 14> header = BmpFileHeader(layout);
    std::vector<uint8_t> file(header.size() + layout.dibSize);
    std::memcpy(file.data(), header.data(), header.size());
    WritePackedDib(layout, table, writeRow, file.data() + header.size());
    return file;
}

std::vector<uint8_t> EncodeBmp24(int width, int height, std::span<const uint8_t> rgb)
{
    return EncodeBmp(BmpLayout(width, height, 24, 0), {}, [&](int y, uint8_t* row) {
        const uint8_t* samples = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = samples[3 * x + 2];
            row[3 * x + 1] = samples[3 * x + 1];
            row[3 * x + 2] = samples[3 * x];
        }
    });
}

std::vector<uint8_t> EncodeBmp8(int width, int height, std::span<const uint8_t> indices,
                                std::span<const BmpColor> table)
{
    return EncodeBmp(BmpLayout(width, height, 8, table.size()), table, [&](int y, uint8_t* row) {
        std::memcpy(row, indices.data() + static_cast<size_t>(y) * static_cast<size_t>(width),
                    static_cast<size_t>(width));
    });
}

}  // namespace dibkit
