// One render: a virtual display set up as the options say, the image blitted
// into a window of it by the library, and the screen written out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/options.h"
#include "tools/packed_dib.h"

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

// Configures the virtual display, realizes a palette if asked to, blits the
// image and, when all of that returned 0, writes the screen to
// options.output. The image is not changed.
RenderReport Render(const Options& options, const Geometry& geometry, PackedDib& image);

// The --info lines, without line ends.
std::vector<std::string> InfoLines(const RenderReport& report);

// "SRCCOPY", "SRCAND", "SRCPAINT" or the code in hexadecimal.
std::string RopName(uint32_t rop);

// Writes the current screen to `path` through a temporary file in the same
// directory, so that `path` either gets the whole image or is not touched.
// Returns an empty string on success, otherwise why it failed.
std::string WriteScreenFile(const std::string& path, OutputFormat format, Size screen);

}  // namespace dibtool
