// The screen as a packed DIB, and as a BMP file, in the device's own format.
// The DIB is written straight into the caller's memory, a row at a time by a
// loop chosen once for the display's kind.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display_state.h"

using namespace vd::detail;
using vd::Kind;

namespace {

void PutLe(uint8_t* out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Bits per pixel of the DIB: indexed at the device's own depth on colour-
// table kinds (the four-grey display as a 4-bit DIB with four colours, a
// depth every reader knows), 24-bit true colour otherwise.
int DibBitCount(Kind kind)
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

struct DibLayout {
    int bitCount;
    std::vector<Rgb> table;
    size_t stride;
    size_t pixelOffset;
    size_t size;
};

DibLayout LayoutOf(const State& state)
{
    const Surface& screen = state.screen;
    DibLayout layout;
    layout.bitCount = DibBitCount(screen.kind);
    if (layout.bitCount <= 8) {
        layout.table = DeviceColorTable(state, screen.kind);
    }
    layout.stride = (static_cast<size_t>(screen.width) * static_cast<size_t>(layout.bitCount) + 31) / 32 * 4;
    layout.pixelOffset = 40 + 4 * layout.table.size();
    layout.size = layout.pixelOffset + layout.stride * static_cast<size_t>(screen.height);
    return layout;
}

// Device pixel values (palette indices) packed from the most significant bit.
template <int Bits>
void PackIndices(const uint32_t* pixels, int width, uint8_t* row)
{
    constexpr int kPerByte = 8 / Bits;
    for (int x = 0; x < width; x += kPerByte) {
        uint8_t byte = 0;
        for (int k = 0; k < kPerByte; ++k) {
            const uint32_t pixel = x + k < width ? pixels[x + k] : 0;
            byte = static_cast<uint8_t>(byte | (pixel & ((1u << Bits) - 1)) << (8 - Bits * (k + 1)));
        }
        row[x / kPerByte] = byte;
    }
}

// 0x00RRGGBB device pixels as blue, green, red.
void PackTrueColour(const uint32_t* pixels, int width, uint8_t* row)
{
    for (int x = 0; x < width; ++x) {
        const uint32_t pixel = pixels[x];
        row[3 * x] = static_cast<uint8_t>(pixel);
        row[3 * x + 1] = static_cast<uint8_t>(pixel >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(pixel >> 16);
    }
}

// Device pixels of at most 16 bits through a table of the colours they show.
void PackThroughTable(const uint32_t* pixels, int width, uint8_t* row, const std::vector<Rgb>& shown)
{
    for (int x = 0; x < width; ++x) {
        const Rgb c = shown[pixels[x] & (shown.size() - 1)];
        row[3 * x] = c.b;
        row[3 * x + 1] = c.g;
        row[3 * x + 2] = c.r;
    }
}

// Writes the header, the colour table and the rows, bottom row first. A DIB
// is always blue, green, red, whatever the driver's order.
void EncodeScreen(const State& state, const DibLayout& layout, uint8_t* out)
{
    const Surface& screen = state.screen;
    std::memset(out, 0, layout.pixelOffset);
    PutLe(out, 40, 4);
    PutLe(out + 4, static_cast<uint32_t>(screen.width), 4);
    PutLe(out + 8, static_cast<uint32_t>(screen.height), 4);
    PutLe(out + 12, 1, 2);
    PutLe(out + 14, static_cast<uint32_t>(layout.bitCount), 2);
    PutLe(out + 16, BI_RGB, 4);
    PutLe(out + 20, static_cast<uint32_t>(layout.stride * static_cast<size_t>(screen.height)), 4);
    PutLe(out + 24, 2835, 4);  // 72 dots per inch
    PutLe(out + 28, 2835, 4);
    PutLe(out + 32, static_cast<uint32_t>(layout.table.size()), 4);
    for (size_t i = 0; i < layout.table.size(); ++i) {
        const Rgb& c = layout.table[i];
        out[40 + 4 * i] = c.b;
        out[40 + 4 * i + 1] = c.g;
        out[40 + 4 * i + 2] = c.r;
    }

    const std::vector<Rgb> shown = layout.bitCount == 24 ? ShownColors(state, screen.kind) : std::vector<Rgb>{};
    // The packers write every byte of a row up to its padding.
    const size_t written = (static_cast<size_t>(screen.width) * static_cast<size_t>(layout.bitCount) + 7) / 8;
    for (int y = 0; y < screen.height; ++y) {
        uint8_t* row = out + layout.pixelOffset + static_cast<size_t>(screen.height - 1 - y) * layout.stride;
        const uint32_t* pixels = screen.Row(y);
        std::memset(row + written, 0, layout.stride - written);
        switch (layout.bitCount) {
        case 1: PackIndices<1>(pixels, screen.width, row); break;
        case 4: PackIndices<4>(pixels, screen.width, row); break;
        case 8: PackIndices<8>(pixels, screen.width, row); break;
        default:
            if (shown.empty()) {
                PackTrueColour(pixels, screen.width, row);
            } else {
                PackThroughTable(pixels, screen.width, row, shown);
            }
        }
    }
}

}  // namespace

namespace vd {

size_t ReadScreenDib(void* dib, size_t capacity)
{
    auto lock = Lock();
    const State& state = TheState();
    const DibLayout layout = LayoutOf(state);
    if (dib != nullptr && capacity >= layout.size) {
        EncodeScreen(state, layout, static_cast<uint8_t*>(dib));
    }
    return layout.size;
}

std::vector<uint8_t> ScreenDib()
{
    std::vector<uint8_t> dib;
    // Another thread may change the screen between the two calls.
    while (ReadScreenDib(dib.data(), dib.size()) != dib.size()) {
        dib.resize(ReadScreenDib(nullptr, 0));
    }
    return dib;
}

bool WriteScreenBmp(const char* path)
{
    if (path == nullptr) {
        return false;
    }
    const std::vector<uint8_t> dib = ScreenDib();
    // biClrUsed, at offset 32, counts the colour table's entries.
    const uint32_t colors = dib[32] | dib[33] << 8 | dib[34] << 16 | uint32_t{dib[35]} << 24;
    uint8_t header[14] = {'B', 'M'};
    PutLe(header + 2, static_cast<uint32_t>(sizeof header + dib.size()), 4);
    PutLe(header + 10, static_cast<uint32_t>(sizeof header + 40 + 4 * colors), 4);
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(header, 1, sizeof header, file) == sizeof header &&
                         std::fwrite(dib.data(), 1, dib.size(), file) == dib.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace vd
