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

size_t PixelCount(const Surface& screen)
{
    return static_cast<size_t>(screen.width) * static_cast<size_t>(screen.height);
}

}  // namespace

namespace vd {

size_t ReadScreenColors(void* rgbx, size_t capacity)
{
    auto lock = Lock();
    const State& state = TheState();
    const Surface& screen = state.screen;
    const size_t size = 4 * PixelCount(screen);
    if (rgbx == nullptr || capacity < size) {
        return size;
    }
    auto* out = static_cast<uint8_t*>(rgbx);
    const uint32_t* pixels = screen.pixels.data();
    const std::vector<Rgb> colours = ShownColors(state, screen.kind);
    if (colours.empty()) {
        for (size_t i = 0; i < PixelCount(screen); ++i) {
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
    for (size_t i = 0; i < PixelCount(screen); ++i) {
        std::memcpy(out + 4 * i, &shown[pixels[i] & (shown.size() - 1)], 4);
    }
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
    const size_t size = PixelCount(screen);
    if (indices != nullptr && capacity >= size) {
        auto* out = static_cast<uint8_t*>(indices);
        for (size_t i = 0; i < size; ++i) {
            out[i] = static_cast<uint8_t>(screen.pixels[i]);
        }
    }
    return size;
}

}  // namespace vd
