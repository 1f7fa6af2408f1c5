// One render: the image blitted by the library into the screen's window,
// after the palette realization asked for, and the screen written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/options.h"
#include "tools/packed_dib.h"
#include "tools/screen.h"

namespace dibtool {

struct RenderReport {
    short result = 0;  // the blit's result, or the realization's when that failed
    bool realizeFailed = false;
    uint16_t displayDepth = 0;
    std::string converter;
    int32_t paletteMode = 0;
    uint32_t rop = 0;
    RECT src{};  // as the library left it: clipped
    size_t bands = 0;
    // Set when the blit succeeded but the output file could not be written.
    std::string outputProblem;
};

// Realizes a palette if asked to, blits the image into the screen's window
// (opened for these options and geometry) and, when all of that returned 0,
// hands the screen to keep(), which writes it out or copies it and returns
// an empty string, or why it could not (the report's outputProblem). The
// image is not changed.
RenderReport Render(const Options& options, const Geometry& geometry, Screen& screen, const PackedDib& image,
                    const std::function<std::string(const Screen&)>& keep);

// keep() for Render: writes the screen to options.output.
std::function<std::string(const Screen&)> WriteTo(const Options& options);

// The --info lines, without line ends.
std::vector<std::string> InfoLines(const RenderReport& report);

// "SRCCOPY", "SRCAND", "SRCPAINT" or the code in hexadecimal.
std::string RopName(uint32_t rop);

}  // namespace dibtool
