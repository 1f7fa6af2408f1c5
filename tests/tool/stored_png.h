// PNG files assembled chunk by chunk, the image data in stored (uncompressed)
// deflate blocks: inputs for the PNG decoders that need no PNG library to
// write them, so that the same files reach libpng on Linux and the Windows
// Imaging Component on Windows.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tooltest {

// PNG colour types.
constexpr int kPngGrey = 0;
constexpr int kPngRgb = 2;
constexpr int kPngPalette = 3;
constexpr int kPngGreyAlpha = 4;
constexpr int kPngRgba = 6;

inline int ChannelsOf(int colorType)
{
    switch (colorType) {
    case kPngGreyAlpha: return 2;
    case kPngRgb: return 3;
    case kPngRgba: return 4;
    default: return 1;
    }
}

inline uint32_t Crc32(std::span<const uint8_t> bytes)
{
    static const std::array<uint32_t, 256> kTable = [] {
        std::array<uint32_t, 256> table{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[n] = c;
        }
        return table;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        c = kTable[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

inline uint32_t Adler32(std::span<const uint8_t> bytes)
{
    uint64_t a = 1;
    uint64_t b = 0;
    for (uint8_t byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return static_cast<uint32_t>(b << 16 | a);
}

// Sample values as one PNG row stores them: sub-byte samples packed from the
// most significant bit, 16-bit samples big-endian.
inline std::vector<uint8_t> PackSamples(const std::vector<uint32_t>& samples, int bitDepth)
{
    std::vector<uint8_t> bytes;
    if (bitDepth < 8) {
        bytes.assign((samples.size() * static_cast<size_t>(bitDepth) + 7) / 8, 0);
        for (size_t i = 0; i < samples.size(); ++i) {
            const size_t bit = i * static_cast<size_t>(bitDepth);
            bytes[bit / 8] = static_cast<uint8_t>(bytes[bit / 8] | samples[i] << (8 - bitDepth - bit % 8));
        }
        return bytes;
    }
    for (uint32_t sample : samples) {
        if (bitDepth == 16) {
            bytes.push_back(static_cast<uint8_t>(sample >> 8));
        }
        bytes.push_back(static_cast<uint8_t>(sample));
    }
    return bytes;
}

inline void PutBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

inline void PutChunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(std::span<const uint8_t>(out.data() + typeAt, out.size() - typeAt)));
}

struct StoredPng {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 8;
    int colorType = kPngRgb;
    std::vector<uint8_t> palette;  // PLTE: red, green, blue triples; empty: no PLTE
    std::vector<uint8_t> transparency;  // tRNS as stored; empty: no tRNS
    std::vector<std::vector<uint8_t>> rows;  // packed, top row first

    // The whole file: no interlace, filter 0 on every row, the zlib stream
    // made of stored blocks of at most 65535 bytes.
    std::vector<uint8_t> Encode() const
    {
        std::vector<uint8_t> raw;
        for (const std::vector<uint8_t>& row : rows) {
            raw.push_back(0);
            raw.insert(raw.end(), row.begin(), row.end());
        }
        // zlib header: deflate with a 32K window, no dictionary, check bits set.
        std::vector<uint8_t> zlib = {0x78, 0x01};
        size_t at = 0;
        do {
            const size_t length = std::min<size_t>(65535, raw.size() - at);
            zlib.push_back(at + length == raw.size() ? 1 : 0);
            zlib.insert(zlib.end(), {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                     static_cast<uint8_t>(~length), static_cast<uint8_t>(~length >> 8)});
            zlib.insert(zlib.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + length));
            at += length;
        } while (at < raw.size());
        PutBigEndian(zlib, Adler32(raw));

        std::vector<uint8_t> header;
        PutBigEndian(header, width);
        PutBigEndian(header, height);
        // Bit depth, colour type, deflate, filter method 0, no interlace.
        header.insert(header.end(), {static_cast<uint8_t>(bitDepth), static_cast<uint8_t>(colorType), 0, 0, 0});

        std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        PutChunk(file, "IHDR", header);
        if (!palette.empty()) {
            PutChunk(file, "PLTE", palette);
        }
        if (!transparency.empty()) {
            PutChunk(file, "tRNS", transparency);
        }
        PutChunk(file, "IDAT", zlib);
        PutChunk(file, "IEND", {});
        return file;
    }
};

}  // namespace tooltest
