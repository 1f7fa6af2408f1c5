// The display the tool draws on, behind one interface: a virtual display in
// the Linux build (screen_vdisplay.cpp), the real display through GDI and
// USER in the Windows build (screen_win32.cpp).
//
// Linux: the screen is a virtual display of the kind --display names, of the
// size --screen gives, and the window is --window inside it.
// Windows: the screen is a borderless window of the size --screen gives at
// the top left of the real display, which must be of the kind --display
// names; --window, when it is not the whole screen, is a second borderless
// window over it. Either way the output is what the whole screen shows.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dibplatform.h"
#include "tools/options.h"

namespace dibtool {

class Screen {
public:
    Screen();
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // Why this build cannot do what the options ask, whatever the display
    // (the Windows build refuses --swapped and --system-palette, which
    // describe a virtual display); an empty string when it can.
    static std::string Unsupported(const Options& options);

    // Sets the display up for one render: the screen, its system palette
    // (`systemPalette`, when not empty, replaces the 256-colour display's
    // entries as if the display had started with them), the background and
    // the window. Returns an empty string on success, otherwise why the
    // display cannot be used as the options ask.
    std::string Open(const Options& options, const Geometry& geometry, std::span<const PALETTEENTRY> systemPalette);

    // The window the library blits into.
    HWND window() const;

    // The display's system palette as GetSystemPaletteEntries reports it
    // (nothing on direct-colour displays).
    std::vector<PALETTEENTRY> SystemPalette() const;

    // Writes what the screen shows to `path` ("-": standard output): BMP in the device's own format
    // (indexed with the system palette as colour table on palette displays),
    // or PNG: indexed at the display's depth with the system palette on
    // palette displays, 8-bit RGB elsewhere or with `rgb`. Returns an empty
    // string on success, otherwise why the file could not be written.
    std::string Write(const std::string& path, OutputFormat format, bool rgb) const;

    // The colours the screen shows, 0xRRGGBB, top row first.
    std::vector<uint32_t> Colors() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace dibtool
