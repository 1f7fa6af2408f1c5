#include "tools/png_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>

namespace dibtool {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kMaxStoredBlock = 65535;

std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void PutChunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(std::span<const uint8_t>(out.data() + typeAt, out.size() - typeAt)));
}

}  // namespace

bool HasPngSignature(std::span<const uint8_t> file)
{
    return file.size() >= sizeof kSignature && std::memcmp(file.data(), kSignature, sizeof kSignature) == 0;
}

uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc)
{
    static const std::array<uint32_t, 256> kTable = MakeCrcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (uint8_t b : bytes) {
        c = kTable[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(std::span<const uint8_t> bytes, uint32_t adler)
{
    constexpr uint32_t kBase = 65521;
    // 5552 bytes is the longest run whose sums cannot overflow 32 bits.
    constexpr size_t kRun = 5552;
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    for (size_t at = 0; at < bytes.size();) {
        const size_t end = std::min(bytes.size(), at + kRun);
        for (; at < end; ++at) {
            a += bytes[at];
            b += a;
        }
        a %= kBase;
        b %= kBase;
    }
    return (b << 16) | a;
}

PngImage PngImage::Rgb(int width, int height, std::vector<uint8_t> rgb)
{
    return PngImage{width, height, 8, {}, std::move(rgb)};
}

PngImage PngImage::Indexed(int width, int height, int bits, std::vector<uint8_t> indices,
                           std::vector<PALETTEENTRY> palette)
{
    return PngImage{width, height, bits, std::move(palette), std::move(indices)};
}

int PngImage::IndexBitsFor(size_t entries)
{
    int bits = 1;
    while (bits < 8 && entries > (size_t{1} << bits)) {
        bits *= 2;
    }
    return bits;
}

size_t PngImage::RowBytes() const
{
    const size_t w = static_cast<size_t>(width);
    return indexed() ? (w * static_cast<size_t>(bits) + 7) / 8 : w * 3;
}

void PngImage::PackRow(int y, uint8_t* out) const
{
    const size_t w = static_cast<size_t>(width);
    const uint8_t* in = samples.data() + static_cast<size_t>(y) * (indexed() ? w : w * 3);
    if (!indexed() || bits == 8) {
        std::memcpy(out, in, RowBytes());
        return;
    }
    std::memset(out, 0, RowBytes());
    const int perByte = 8 / bits;
    for (size_t x = 0; x < w; ++x) {
        const int shift = 8 - bits * (static_cast<int>(x % static_cast<size_t>(perByte)) + 1);
        out[x / static_cast<size_t>(perByte)] |= static_cast<uint8_t>(in[x] << shift);
    }
}

std::vector<uint8_t> EncodeStoredPng(const PngImage& picture)
{
    const size_t rowBytes = picture.RowBytes();
    std::vector<uint8_t> raw((rowBytes + 1) * static_cast<size_t>(picture.height), 0);
    for (int y = 0; y < picture.height; ++y) {
        // Each row: filter type 0, then the row.
        picture.PackRow(y, raw.data() + static_cast<size_t>(y) * (rowBytes + 1) + 1);
    }

    // zlib header: deflate with a 32K window, no dictionary, check bits set.
    std::vector<uint8_t> zlib = {0x78, 0x01};
    zlib.reserve(raw.size() + raw.size() / kMaxStoredBlock * 5 + 16);
    size_t at = 0;
    do {
        const size_t length = std::min(kMaxStoredBlock, raw.size() - at);
        const bool last = at + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + length));
        at += length;
    } while (at < raw.size());
    PutBigEndian(zlib, Adler32(raw));

    std::vector<uint8_t> header;
    PutBigEndian(header, static_cast<uint32_t>(picture.width));
    PutBigEndian(header, static_cast<uint32_t>(picture.height));
    // Bit depth, colour type (3 indexed, 2 RGB), deflate, filter 0, no interlace.
    header.insert(header.end(), {static_cast<uint8_t>(picture.bits), static_cast<uint8_t>(picture.indexed() ? 3 : 2),
                                 0, 0, 0});

    std::vector<uint8_t> file(std::begin(kSignature), std::end(kSignature));
    PutChunk(file, "IHDR", header);
    if (picture.indexed()) {
        std::vector<uint8_t> palette;
        for (const PALETTEENTRY& e : picture.palette) {
            palette.insert(palette.end(), {e.peRed, e.peGreen, e.peBlue});
        }
        PutChunk(file, "PLTE", palette);
    }
    PutChunk(file, "IDAT", zlib);
    PutChunk(file, "IEND", {});
    return file;
}

}  // namespace dibtool
