// BMP files written field by field, so that a test can set any header field
// to any value, including wrong ones.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tooltest {

inline void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

struct Quad {
    uint8_t blue, green, red, reserved;
};

struct BmpFile {
    uint8_t magic[2] = {'B', 'M'};
    std::optional<uint32_t> fileSize;     // default: the real size
    std::optional<uint32_t> pixelOffset;  // default: right after the colour table
    uint32_t headerSize = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t planes = 1;
    uint32_t bits = 8;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> headerMasks;  // stored inside a header of 52 bytes or more
    std::vector<uint32_t> masks;        // stored after the header
    std::vector<Quad> table;            // 3-byte entries with a 12-byte header
    std::vector<uint8_t> pixels;

    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> info;
        if (headerSize == 12) {
            PutU32(info, 12);
            PutU16(info, static_cast<uint32_t>(width));
            PutU16(info, static_cast<uint32_t>(height));
            PutU16(info, planes);
            PutU16(info, bits);
        } else {
            PutU32(info, headerSize);
            PutU32(info, static_cast<uint32_t>(width));
            PutU32(info, static_cast<uint32_t>(height));
            PutU16(info, planes);
            PutU16(info, bits);
            PutU32(info, compression);
            PutU32(info, sizeImage);
            PutU32(info, 2835);
            PutU32(info, 2835);
            PutU32(info, colorsUsed);
            PutU32(info, 0);
            for (uint32_t mask : headerMasks) {
                PutU32(info, mask);
            }
            info.resize(headerSize < 4 ? 4 : headerSize, 0);
        }
        const size_t entryBytes = headerSize == 12 ? 3 : 4;
        const size_t offset = 14 + info.size() + 4 * masks.size() + entryBytes * table.size();
        std::vector<uint8_t> out;
        out.push_back(magic[0]);
        out.push_back(magic[1]);
        PutU32(out, fileSize.value_or(static_cast<uint32_t>(offset + pixels.size())));
        PutU32(out, 0);
        PutU32(out, pixelOffset.value_or(static_cast<uint32_t>(offset)));
        out.insert(out.end(), info.begin(), info.end());
        for (uint32_t mask : masks) {
            PutU32(out, mask);
        }
        for (const Quad& q : table) {
            out.push_back(q.blue);
            out.push_back(q.green);
            out.push_back(q.red);
            if (entryBytes == 4) {
                out.push_back(q.reserved);
            }
        }
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

// A BMP of the given size and bit count; up to 8 bits, its colour table
// holds entry(i) for each of its 2^bits entries.
template <typename Entry>
BmpFile BmpWithTable(int width, int height, int bits, Entry entry)
{
    BmpFile file;
    file.width = width;
    file.height = height;
    file.bits = static_cast<uint32_t>(bits);
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i) {
        file.table.push_back(entry(i));
    }
    return file;
}

inline size_t Stride(int width, int bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

}  // namespace tooltest
