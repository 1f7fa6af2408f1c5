// Setting up the virtual display for a test, naming its kinds in messages,
// and reading its device pixels back.
#pragma once

#include <cstdint>
#include <vector>

#include "vdisplay/vdisplay.h"

namespace testsupport {

inline void ConfigureDisplay(vd::Kind kind, int width = 64, int height = 64, bool swapped = false,
                             vd::Vectors widestVectors = vd::Vectors::Avx512)
{
    vd::Config config;
    config.kind = kind;
    config.width = width;
    config.height = height;
    config.swappedRgb = swapped;
    config.widestVectors = widestVectors;
    vd::Configure(config);
}

// The device pixels of a rectangle of the screen, row by row; by default
// the whole screen.
inline std::vector<uint32_t> DevicePixels(const RECT& area)
{
    std::vector<uint32_t> pixels;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            pixels.push_back(vd::DevicePixel(x, y));
        }
    }
    return pixels;
}

inline std::vector<uint32_t> DevicePixels()
{
    const vd::Config config = vd::CurrentConfig();
    return DevicePixels(RECT{0, 0, config.width, config.height});
}

inline const char* KindName(vd::Kind kind)
{
    switch (kind) {
    case vd::Kind::Mono: return "Mono";
    case vd::Kind::Planar4: return "Planar4";
    case vd::Kind::Packed4: return "Packed4";
    case vd::Kind::Palette8: return "Palette8";
    case vd::Kind::Rgb332: return "Rgb332";
    case vd::Kind::Rgb565: return "Rgb565";
    case vd::Kind::Rgb24: return "Rgb24";
    case vd::Kind::Rgb32: return "Rgb32";
    case vd::Kind::Grey2: return "Grey2";
    }
    return "?";
}

// A display the randomized whole-blit tests draw on: every depth, and the
// true-colour one with its channels swapped.
struct DisplaySetup {
    vd::Kind kind;
    bool swapped;
};

inline constexpr DisplaySetup kWholeBlitDisplays[] = {
    {vd::Kind::Mono, false},     {vd::Kind::Packed4, false}, {vd::Kind::Planar4, false},
    {vd::Kind::Palette8, false}, {vd::Kind::Rgb565, false},  {vd::Kind::Rgb32, true},
};

}  // namespace testsupport
