// The whole screen at once, in the layouts image libraries keep pixels in:
// the colours shown, 4 bytes a pixel, or a palette display's indices, a byte
// a pixel; top row first.
#include <algorithm>
#include <cstring>

#include "display_state.h"

using namespace vd::detail;
using vd::Kind;

namespace {

// Red, green, blue, 255 in memory order.
uint32_t Rgbx(const Rgb& c)
{
    const uint8_t bytes[4] = {c.r, c.g, c.b, 255};
    uint32_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Calls visit(pixels, count) with the screen's rows as one run of its own pixel type.
template <typename Visit>
void WithEveryPixel(const Surface& screen, Visit&& visit)
{
    WithPixelType(screen, [&](auto pixel) { visit(screen.Row<decltype(pixel)>(0), screen.PixelCount()); });
}

}  // namespace

namespace vd {

size_t ReadScreenColors(void* rgbx, size_t capacity)
{
    auto lock = Lock();
    const State& state = TheState();
    const Surface& screen = state.screen;
    const size_t size = 4 * screen.PixelCount();
    if (rgbx == nullptr || capacity < size) {
        return size;
    }
    auto* out = static_cast<uint8_t*>(rgbx);
    const std::vector<Rgb> colours = ShownColors(state, screen.kind);
    if (colours.empty()) {
        const uint32_t* pixels = screen.Row<uint32_t>(0);
        for (size_t i = 0; i < screen.PixelCount(); ++i) {
            out[4 * i] = static_cast<uint8_t>(pixels[i] >> 16);
            out[4 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
            out[4 * i + 2] = static_cast<uint8_t>(pixels[i]);
            out[4 * i + 3] = 255;
        }
        return size;
    }
    // Every other kind has at most 16 bits a pixel: one look-up each.
    std::vector<uint32_t> shown(colours.size());
    std::transform(colours.begin(), colours.end(), shown.begin(), Rgbx);
    WithEveryPixel(screen, [&](const auto* pixels, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            std::memcpy(out + 4 * i, &shown[pixels[i] & (shown.size() - 1)], 4);
        }
    });
    return size;
}

size_t ReadScreenIndices(void* indices, size_t capacity)
{
    auto lock = Lock();
    const State& state = TheState();
    const Surface& screen = state.screen;
    if (DeviceColorTable(state, screen.kind).empty()) {
        return 0;
    }
    const size_t size = screen.PixelCount();
    if (indices != nullptr && capacity >= size) {
        WithEveryPixel(screen, [&](const auto* pixels, size_t count) {
            std::transform(pixels, pixels + count, static_cast<uint8_t*>(indices),
                           [](auto pixel) { return static_cast<uint8_t>(pixel); });
        });
    }
    return size;
}

}  // namespace vd
