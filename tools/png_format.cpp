#include "tools/png_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

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

std::vector<uint8_t> EncodeStoredPng(int width, int height, std::span<const uint8_t> rgb)
{
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const uint8_t* row = rgb.data() + static_cast<size_t>(y) * rowBytes;
        raw.insert(raw.end(), row, row + rowBytes);
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
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filter 0, no interlace

    std::vector<uint8_t> file(std::begin(kSignature), std::end(kSignature));
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", zlib);
    PutChunk(file, "IEND", {});
    return file;
}

}  // namespace dibtool
