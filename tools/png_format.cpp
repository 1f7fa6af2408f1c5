#include "tools/png_format.h"

#include <cstring>
#include <utility>

namespace dibtool {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

bool HasPngSignature(std::span<const uint8_t> file)
{
    return file.size() >= sizeof kSignature && std::memcmp(file.data(), kSignature, sizeof kSignature) == 0;
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

}  // namespace dibtool
