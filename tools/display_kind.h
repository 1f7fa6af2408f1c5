// The kinds of display the tool knows by name. The Linux build sets up a
// virtual display of the kind asked for; the Windows build can only check
// the real display against it.
#pragma once

#include <optional>
#include <string_view>

namespace dibtool {

enum class DisplayKind {
    Mono,      // 1: 1 plane x 1 bit
    Packed4,   // 4: 1 plane x 4 bits
    Planar4,   // 4p: 4 planes x 1 bit
    Palette8,  // 8: 256 colours with a system palette
    Rgb332,    // 8rgb: 8 bits without a palette
    Rgb565,    // 16
    Rgb24,     // 24
    Rgb32,     // 32
    Grey2,     // 2: four greys in 2 bits
};

// The name --display takes ("1", "4p", "8rgb", ...).
std::string_view DisplayKindName(DisplayKind kind);
std::optional<DisplayKind> DisplayKindFromName(std::string_view name);

// How GetDeviceCaps describes a display of this kind.
struct DisplayCaps {
    int planes;
    int bitsPixel;
    bool palette;  // RC_PALETTE
};
DisplayCaps CapsOf(DisplayKind kind);

}  // namespace dibtool
