// The command line of the dibdraw tool and the geometry it implies.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dibplatform.h"
#include "tools/alpha.h"
#include "tools/display_kind.h"
#include "tools/packed_dib.h"

namespace dibtool {

enum class Command { Render, Palette, Sheet };
enum class OutputFormat { Bmp, Png };
enum class RealizeMode { None, Fixed, Image };

struct Size {
    int width = 0;
    int height = 0;
};

// "-" as a file name: standard input for INPUT, standard output for -o.
inline constexpr std::string_view kStandardStream = "-";

struct Options {
    bool help = false;
    bool version = false;
    Command command = Command::Render;
    std::string input;  // the input rendered: empty: the embedded image; "-": standard input
    std::vector<std::string> inputs;  // every INPUT given; several need --out-dir
    std::string outDir;  // --out-dir: each input to DIR/<its stem>.<format>
    std::string output;  // "-", or empty for the palette command: standard output
    OutputFormat format = OutputFormat::Png;  // --format, or the output's extension
    // Not given: a 32-bit virtual display, or the real display as it is.
    std::optional<DisplayKind> display;
    int dither = 0;
    int palette = 0;
    std::optional<RealizeMode> realize;
    std::optional<RECT> src;
    std::optional<RECT> dst;
    // --size: a destination at 0,0; a side of 0 keeps the source's aspect ratio.
    std::optional<Size> size;
    std::optional<Size> screen;
    std::optional<RECT> window;
    COLORREF background = kDefaultBackground;
    // --transparent: colour 0 and colour 1 of a 1-bit image drawn transparent.
    std::array<bool, 2> transparent{};
    bool swapped = false;
    bool info = false;
    bool rgb = false;  // --rgb: PNG output as RGB on palette displays too
    std::string systemPaletteFile;  // --system-palette
};

// Parses the arguments that follow the program name. Returns an empty string
// on success, otherwise a one-line description of the usage error.
std::string ParseArguments(const std::vector<std::string>& args, Options& options);

// Where a batch (--out-dir) writes `input`: DIR/<input's stem>.<png|bmp>.
std::string BatchOutputPath(const Options& options, const std::string& input);

// --realize, or its default: image with palette mode 1, fixed with palette
// mode 0, none otherwise.
RealizeMode EffectiveRealize(const Options& options);

// The rectangles of one render, in the library's and the display's terms.
struct Geometry {
    RECT src;     // handed to the library, which clips it
    RECT dst;     // in the window's coordinates
    RECT window;  // in screen coordinates
    Size screen;
};

// Fills in the defaults that depend on the image: the whole image as source,
// the clipped source's size at 0,0 as destination (or --size, its side left
// out in the clipped source's aspect ratio), a screen reaching the
// destination's (and the window's) right and bottom edges, and the whole
// screen as window. Returns an empty string on success, otherwise the usage
// error (a window outside the screen, a screen too large, an aspect ratio
// of an empty source).
std::string ResolveGeometry(const Options& options, int imageWidth, int imageHeight, Geometry& geometry);

// Marks the colours --transparent names as transparent in the image handed
// to the library (reserved byte 255, its rule for 1-bit images). Returns an
// empty string on success, otherwise the usage error: the option needs a
// 1-bit image.
std::string ApplyTransparency(const Options& options, PackedDib& image);

// "left,top,right,bottom", as the options and --info write rectangles.
std::string RectText(const RECT& r);

const char* UsageText();
const char* HelpText();
// "dibdraw 1.0.0" and a line end.
const char* VersionText();

}  // namespace dibtool
