// The screen as a packed DIB, and as a BMP file, in the device's own format,
// through the project's one BMP writer. The DIB is written straight into the
// caller's memory, a row at a time by a loop chosen once for the display's
// kind.
#include <cstdio>

#include "common/bmp_file.h"
#include "display_state.h"

using namespace vd::detail;
using vd::Kind;

namespace {

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

struct ScreenDibLayout {
    dibkit::BmpLayout layout;
    std::vector<dibkit::BmpColor> table;
};

ScreenDibLayout LayoutOf(const State& state)
{
    const Surface& screen = state.screen;
    const int bits = DibBitCount(screen.kind);
    std::vector<dibkit::BmpColor> table;
    if (bits <= 8) {
        for (const Rgb& c : DeviceColorTable(state, screen.kind)) {
            table.push_back({c.r, c.g, c.b});
        }
    }
    return {dibkit::BmpLayout(screen.width, screen.height, bits, table.size()), std::move(table)};
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

// A writer of the screen's rows through `pack`, which takes them as 32-bit pixels.
template <typename Pack>
dibkit::BmpRowWriter RowsThrough(const Surface& screen, Pack pack)
{
    return [&screen, pack = std::move(pack), pixels = std::vector<uint32_t>(static_cast<size_t>(screen.width))](
               int y, uint8_t* row) mutable {
        screen.ReadRow(y, 0, screen.width, pixels.data());
        pack(pixels.data(), screen.width, row);
    };
}

template <int Bits>
dibkit::BmpRowWriter IndexPacker(const Surface& screen)
{
    return RowsThrough(screen, &PackIndices<Bits>);
}

// Packs the screen's rows in the DIB's format. A DIB is always blue, green,
// red, whatever the driver's order.
dibkit::BmpRowWriter RowPacker(const State& state, int bits)
{
    const Surface& screen = state.screen;
    switch (bits) {
    case 1: return IndexPacker<1>(screen);
    case 4: return IndexPacker<4>(screen);
    case 8: return IndexPacker<8>(screen);
    default: break;
    }
    std::vector<Rgb> shown = ShownColors(state, screen.kind);
    if (shown.empty()) {
        return RowsThrough(screen, &PackTrueColour);
    }
    return RowsThrough(screen, [shown = std::move(shown)](const uint32_t* pixels, int width, uint8_t* row) {
        PackThroughTable(pixels, width, row, shown);
    });
}

}  // namespace

namespace vd {

size_t ReadScreenDib(void* dib, size_t capacity)
{
    auto lock = Lock();
    const State& state = TheState();
    const ScreenDibLayout screen = LayoutOf(state);
    if (dib != nullptr && capacity >= screen.layout.dibSize) {
        dibkit::WritePackedDib(screen.layout, screen.table, RowPacker(state, screen.layout.bits),
                               static_cast<uint8_t*>(dib));
    }
    return screen.layout.dibSize;
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
    std::vector<uint8_t> file;
    {
        auto lock = Lock();
        const State& state = TheState();
        const ScreenDibLayout screen = LayoutOf(state);
        file = dibkit::EncodeBmp(screen.layout, screen.table, RowPacker(state, screen.layout.bits));
    }
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace vd
