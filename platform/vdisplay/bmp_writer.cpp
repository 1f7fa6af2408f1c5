// The screen as a packed DIB, and as a BMP file, in the device's own format.
#include <algorithm>
#include <cstdio>

#include "display_state.h"

using namespace vd::detail;
using vd::Kind;

namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// Bits per pixel of the file: indexed at the device's own depth on colour-
// table kinds (the four-grey display as a 4-bit file with four colours, a
// depth every reader knows), 24-bit true colour otherwise.
int FileBitCount(Kind kind)
{
    switch (kind) {
    case Kind::Mono: return 1;
    case Kind::Planar4:
    case Kind::Packed4:
    case Kind::Grey2: return 4;
    case Kind::Palette8: return 8;
    default: return 24;
    }
}

std::vector<uint8_t> EncodeScreen(const State& state)
{
    const Surface& screen = state.screen;
    const int bitCount = FileBitCount(screen.kind);
    const std::vector<Rgb> table = bitCount <= 8 ? DeviceColorTable(state, screen.kind) : std::vector<Rgb>{};
    const uint32_t stride = static_cast<uint32_t>((screen.width * bitCount + 31) / 32) * 4;
    const uint32_t imageSize = stride * static_cast<uint32_t>(screen.height);

    std::vector<uint8_t> out;
    out.reserve(40 + 4 * table.size() + imageSize);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<uint32_t>(screen.width), 4);
    PutLe(out, static_cast<uint32_t>(screen.height), 4);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<uint32_t>(bitCount), 2);
    PutLe(out, BI_RGB, 4);
    PutLe(out, imageSize, 4);
    PutLe(out, 2835, 4);  // 72 dots per inch
    PutLe(out, 2835, 4);
    PutLe(out, static_cast<uint32_t>(table.size()), 4);
    PutLe(out, 0, 4);
    for (const Rgb& c : table) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }

    std::vector<uint8_t> row(stride);
    for (int y = screen.height - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        const uint32_t* pixels = screen.Row(y);
        for (int x = 0; x < screen.width; ++x) {
            if (bitCount == 24) {
                // A file is always blue, green, red, whatever the driver's order.
                const Rgb c = PixelColor(state, screen.kind, pixels[x]);
                row[static_cast<size_t>(3 * x)] = c.b;
                row[static_cast<size_t>(3 * x + 1)] = c.g;
                row[static_cast<size_t>(3 * x + 2)] = c.r;
            } else {
                const int perByte = 8 / bitCount;
                const int shift = 8 - bitCount * (x % perByte + 1);
                row[static_cast<size_t>(x / perByte)] |= static_cast<uint8_t>(pixels[x] << shift);
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

namespace vd {

std::vector<uint8_t> ScreenDib()
{
    auto lock = Lock();
    return EncodeScreen(TheState());
}

bool WriteScreenBmp(const char* path)
{
    if (path == nullptr) {
        return false;
    }
    const std::vector<uint8_t> dib = ScreenDib();
    // biClrUsed, at offset 32, counts the colour table's entries.
    const uint32_t colors = dib[32] | dib[33] << 8 | dib[34] << 16 | uint32_t{dib[35]} << 24;
    const uint32_t pixelOffset = 14 + 40 + 4 * colors;
    std::vector<uint8_t> header = {'B', 'M'};
    PutLe(header, static_cast<uint32_t>(14 + dib.size()), 4);
    PutLe(header, 0, 4);
    PutLe(header, pixelOffset, 4);
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
                         std::fwrite(dib.data(), 1, dib.size(), file) == dib.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace vd
