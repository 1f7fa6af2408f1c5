#include "tools/options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "tools/packed_dib.h"

namespace dibtool {

namespace {

bool ParseInt(std::string_view text, int& value)
{
    const std::string copy(text);
    if (copy.empty() || copy.find_first_of(" \t\n") != std::string::npos) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT_MIN || parsed > INT_MAX) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

// Splits "a,b,c" into exactly `count` integers.
bool ParseList(std::string_view text, char separator, int count, int* values)
{
    for (int i = 0; i < count; ++i) {
        const size_t end = i + 1 < count ? text.find(separator) : text.size();
        if (end == std::string_view::npos || !ParseInt(text.substr(0, end), values[i])) {
            return false;
        }
        text.remove_prefix(i + 1 < count ? end + 1 : end);
    }
    return true;
}

bool ParseRect(std::string_view text, RECT& rect)
{
    int v[4];
    if (!ParseList(text, ',', 4, v)) {
        return false;
    }
    rect = RECT{v[0], v[1], v[2], v[3]};
    return true;
}

bool ParseSize(std::string_view text, Size& size)
{
    const size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos || !ParseInt(text.substr(0, x), size.width) ||
        !ParseInt(text.substr(x + 1), size.height)) {
        return false;
    }
    return size.width >= 0 && size.height >= 0;
}

bool EndsWith(const std::string& text, std::string_view suffix)
{
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string SizeText(Size s) { return std::to_string(s.width) + "x" + std::to_string(s.height); }

std::string ScreenSizeProblem(Size s)
{
    if (s.width > kMaxImageSide || s.height > kMaxImageSide ||
        int64_t{s.width} * s.height > kMaxImagePixels) {
        return "a screen of " + SizeText(s) + " is too large (at most " + std::to_string(kMaxImageSide) +
               " pixels on a side and " + std::to_string(kMaxImagePixels) + " in all)";
    }
    return {};
}

// Applies one option that takes a value.
std::string ApplyValue(const std::string& name, const std::string& value, Options& options, bool& sawSize,
                       bool& sawDst)
{
    auto bad = [&](const char* expected) { return "invalid value '" + value + "' for " + name + " (" + expected + ")"; };
    if (name == "-o" || name == "--output") {
        if (value.empty()) {
            return bad("a file name");
        }
        options.output = value;
    } else if (name == "--display") {
        options.display = DisplayKindFromName(value);
        if (!options.display) {
            return bad("1, 4, 4p, 8, 8rgb, 16, 24, 32 or 2");
        }
    } else if (name == "--system-palette") {
        if (value.empty()) {
            return bad("a file name");
        }
        options.systemPaletteFile = value;
    } else if (name == "--dither") {
        if (!ParseInt(value, options.dither)) {
            return bad("an integer");
        }
    } else if (name == "--palette") {
        if (!ParseInt(value, options.palette)) {
            return bad("an integer");
        }
    } else if (name == "--realize") {
        if (value == "none") {
            options.realize = RealizeMode::None;
        } else if (value == "fixed") {
            options.realize = RealizeMode::Fixed;
        } else if (value == "image") {
            options.realize = RealizeMode::Image;
        } else {
            return bad("none, fixed or image");
        }
    } else if (name == "--src" || name == "--dst" || name == "--window") {
        RECT rect;
        if (!ParseRect(value, rect)) {
            return bad("L,T,R,B");
        }
        if (name == "--src") {
            options.src = rect;
        } else if (name == "--dst") {
            options.dst = rect;
            sawDst = true;
        } else {
            if (rect.right <= rect.left || rect.bottom <= rect.top) {
                return "--window " + value + " is empty (it needs L < R and T < B)";
            }
            options.window = rect;
        }
    } else if (name == "--size") {
        Size size;
        if (!ParseSize(value, size)) {
            return bad("WxH, not negative");
        }
        options.dst = RECT{0, 0, size.width, size.height};
        sawSize = true;
    } else if (name == "--screen") {
        Size size;
        if (!ParseSize(value, size) || size.width < 1 || size.height < 1) {
            return bad("WxH, at least 1x1");
        }
        if (std::string problem = ScreenSizeProblem(size); !problem.empty()) {
            return problem;
        }
        options.screen = size;
    } else if (name == "--background") {
        int c[3];
        if (!ParseList(value, ',', 3, c) || std::any_of(c, c + 3, [](int v) { return v < 0 || v > 255; })) {
            return bad("R,G,B, each 0 to 255");
        }
        options.background = RGB(static_cast<BYTE>(c[0]), static_cast<BYTE>(c[1]), static_cast<BYTE>(c[2]));
    } else {
        return "unknown option '" + name + "'";
    }
    return {};
}

bool TakesValue(const std::string& name)
{
    static constexpr std::string_view kWithValue[] = {
        "-o",     "--output", "--display", "--dither",     "--palette", "--realize",       "--src",
        "--dst",  "--size",   "--screen",  "--window",     "--background", "--system-palette"};
    return std::find(std::begin(kWithValue), std::end(kWithValue), name) != std::end(kWithValue);
}

// The options the palette command takes; every other one is the render command's.
bool PaletteCommandTakes(const std::string& name)
{
    return name == "-o" || name == "--output" || name == "--display";
}

}  // namespace

std::string ParseArguments(const std::vector<std::string>& args, Options& options)
{
    options = Options{};
    if (args.empty()) {
        return "no command given";
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        options.help = true;
        return {};
    }
    if (args[0] == "palette") {
        options.command = Command::Palette;
    } else if (args[0] != "render") {
        return "unknown command '" + args[0] + "' (the commands are render and palette)";
    }
    const bool palette = options.command == Command::Palette;
    bool sawSize = false;
    bool sawDst = false;
    bool sawInput = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (sawInput) {
                return "more than one input file ('" + options.input + "' and '" + arg + "')";
            }
            options.input = arg;
            sawInput = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return {};
        }
        if (arg == "--swapped" || arg == "--info") {
            if (palette) {
                return "option " + arg + " does not apply to the palette command";
            }
            (arg == "--swapped" ? options.swapped : options.info) = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            if (!TakesValue(name)) {
                return "unknown option '" + name + "'";
            }
        } else if (TakesValue(name)) {
            if (i + 1 >= args.size()) {
                return "option " + name + " needs a value";
            }
            value = args[++i];
        } else {
            return "unknown option '" + name + "'";
        }
        if (palette && !PaletteCommandTakes(name)) {
            return "option " + name + " does not apply to the palette command";
        }
        if (std::string problem = ApplyValue(name, value, options, sawSize, sawDst); !problem.empty()) {
            return problem;
        }
    }
    if (palette) {
        return sawInput ? "the palette command takes no input file" : "";
    }
    if (sawSize && sawDst) {
        return "--size and --dst cannot be used together";
    }
    if (sawInput && options.input.empty()) {
        return "the input file name is empty";
    }
    if (!options.systemPaletteFile.empty() && options.display != DisplayKind::Palette8) {
        return "--system-palette needs --display 8 (256 colours with a palette)";
    }
    if (options.output.empty()) {
        return "no output file given (-o OUTPUT)";
    }
    if (EndsWith(options.output, ".bmp")) {
        options.format = OutputFormat::Bmp;
    } else if (EndsWith(options.output, ".png")) {
        options.format = OutputFormat::Png;
    } else {
        return "the output file '" + options.output + "' must end in .bmp or .png";
    }
    return {};
}

RealizeMode EffectiveRealize(const Options& options)
{
    if (options.realize) {
        return *options.realize;
    }
    switch (options.palette) {
    case 0: return RealizeMode::Fixed;
    case 1: return RealizeMode::Image;
    default: return RealizeMode::None;
    }
}

RECT ClipSource(RECT src, int imageWidth, int imageHeight)
{
    if (src.left > imageWidth || src.top > imageHeight) {
        return src;
    }
    src.right = std::min<LONG>(src.right, imageWidth);
    src.bottom = std::min<LONG>(src.bottom, imageHeight);
    src.left = std::max<LONG>(src.left, 0);
    src.top = std::max<LONG>(src.top, 0);
    return src;
}

std::string ResolveGeometry(const Options& options, int imageWidth, int imageHeight, Geometry& geometry)
{
    geometry.src = options.src.value_or(RECT{0, 0, imageWidth, imageHeight});
    if (options.dst) {
        geometry.dst = *options.dst;
    } else {
        const RECT clipped = ClipSource(geometry.src, imageWidth, imageHeight);
        const bool outside = clipped.left > imageWidth || clipped.top > imageHeight;
        const int64_t width = outside ? 0 : std::max<int64_t>(0, int64_t{clipped.right} - clipped.left);
        const int64_t height = outside ? 0 : std::max<int64_t>(0, int64_t{clipped.bottom} - clipped.top);
        geometry.dst = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    }
    if (options.screen) {
        geometry.screen = *options.screen;
    } else {
        int64_t width = std::max<int64_t>(1, geometry.dst.right);
        int64_t height = std::max<int64_t>(1, geometry.dst.bottom);
        if (options.window) {
            width = std::max<int64_t>(width, options.window->right);
            height = std::max<int64_t>(height, options.window->bottom);
        }
        const Size screen{static_cast<int>(std::min<int64_t>(width, INT_MAX)),
                          static_cast<int>(std::min<int64_t>(height, INT_MAX))};
        if (std::string problem = ScreenSizeProblem(screen); !problem.empty()) {
            return problem + "; give a smaller destination or --screen";
        }
        geometry.screen = screen;
    }
    geometry.window = options.window.value_or(RECT{0, 0, geometry.screen.width, geometry.screen.height});
    const RECT& w = geometry.window;
    if (w.left < 0 || w.top < 0 || w.right > geometry.screen.width || w.bottom > geometry.screen.height) {
        return "--window " + RectText(w) + " does not fit in the " + SizeText(geometry.screen) + " screen";
    }
    return {};
}

const char* UsageText()
{
    return "usage: dibdraw render [INPUT] -o OUTPUT.{png,bmp} [--display 1|4|4p|8|8rgb|16|24|32|2]\n"
           "                      [--dither N] [--palette N] [--realize none|fixed|image]\n"
           "                      [--src L,T,R,B] [--dst L,T,R,B | --size WxH] [--screen WxH]\n"
           "                      [--window L,T,R,B] [--background R,G,B] [--swapped] [--info]\n"
           "                      [--system-palette FILE]\n"
           "       dibdraw palette [-o FILE] [--display KIND]\n"
           "       dibdraw --help\n";
}

const char* HelpText()
{
    return R"(dibdraw: renders an image as a display of a given kind shows it, through the
dibdraw32 library: on a virtual display in the Linux build, on the real display
in the Windows build (dibdraw.exe, see "Windows build" below).

usage: dibdraw render [INPUT] -o OUTPUT [options]
       dibdraw palette [-o FILE] [--display KIND]
       dibdraw --help

INPUT is a BMP or a PNG file, told apart by their contents. Without INPUT the
tool renders its embedded 384x288 24-bit test card: a hue gradient, a grey ramp
and staircase, a zone plate, text, one-pixel patterns and colour swatches.

  BMP  Uncompressed bottom-up files of 1, 4, 8 and 24 bits go to the library as
       they are; a colour table shorter than 2^bits entries is filled up with
       black. In a 1-bit file a colour whose reserved byte is 255 is
       transparent. Top-down files are turned bottom-up, 16- and 32-bit files
       (plain or with BI_BITFIELDS masks) become 24-bit, and BI_RLE8 and
       BI_RLE4 files are expanded to 8 and 4 bits. Every header field is
       checked against the file's size.
  PNG  Palette images keep their palette (1-bit as 1-bit, 2- and 4-bit as
       4-bit, 8-bit as 8-bit), grey images become 8-bit with a grey colour
       table, colour images 24-bit; 16-bit samples are rounded to 8 bits.
       Alpha channels and transparent colours are dropped: nothing is
       composited against the background. No gamma correction is applied.

OUTPUT ends in .bmp or .png:
  .bmp  the screen in the device's own format: indexed, with the system palette
        as colour table, on 1-, 2-, 4- and 8-bit displays; 24-bit otherwise
  .png  the colours the screen shows, as 8-bit RGB
The file is written only when the blit succeeds.

Options:
  -o, --output FILE      the output file (required)
  --display KIND         the kind of display (default 32):
                           1     monochrome, 1 plane x 1 bit
                           4     16 colours, 1 plane x 4 bits
                           4p    16 colours, 4 planes x 1 bit
                           8     256 colours with a system palette
                           8rgb  8 bits without a palette (3-3-2)
                           16    16 bits (5-6-5)
                           24    24 bits
                           32    32 bits
                           2     4 greys in 2 bits, which the library refuses
  --dither N             the dither mode, passed to the library as it is
                         (default 0): 0 ordered, 1 none, 2 Floyd-Steinberg
                         error diffusion, 3 ordered with a fixed 8x8 period;
                         other values make the blit fail with -1032 wherever
                         the mode matters
  --palette N            the palette mode, passed to the library as it is
                         (default 0): 0 the fixed palette, 1 the image's
                         palette realized by the tool, 2 the image's colours
                         against whatever palette the display holds
  --realize WHAT         what the tool asks of the library before it blits:
                           none   nothing
                           fixed  VyrRealizeFixedPalette(window)
                           image  VyrRealizePalette(window, the image's header)
                         (default: image with --palette 1, fixed with
                         --palette 0, none otherwise); the library realizes a
                         palette only on 256-colour displays
  --src L,T,R,B          the source rectangle in image pixels, 0,0 at the top
                         left, right and bottom exclusive (default: the whole
                         image); the library clips it to the image
  --dst L,T,R,B          the destination rectangle in the window; its size sets
                         the scale (default: 0,0 and the clipped source's size)
  --size WxH             the same as --dst 0,0,W,H
  --screen WxH           the screen's size (default: large enough for the
                         destination's and the window's right and bottom edges,
                         at least 1x1)
  --window L,T,R,B       the window the tool blits into, in screen coordinates,
                         inside the screen (default: the whole screen); the
                         destination is relative to it and clipped to it
  --background R,G,B     the screen's colour before the blit (default 0,0,0);
                         on a 256-colour display the nearest of the 20 static
                         colours
  --swapped              the display's 24-bit DIBs are red, green, blue instead
                         of blue, green, red
  --info                 print key=value lines after the blit: result (the
                         library's result), display_depth, converter (the
                         converter the blit chose), palette_mode (after the
                         blit), rop (SRCCOPY, SRCAND or SRCPAINT), src (the
                         clipped source rectangle), bands (the number of
                         StretchDIBits calls)
  --system-palette FILE  with --display 8: the 256 system palette entries the
                         display starts with, instead of the 20 static colours
                         and black (a file written by dibdraw palette, e.g. on
                         another display, to render as that display would)
  -h, --help             show this text

dibdraw palette writes the display's system palette (--display as for render,
default 32 on Linux, which has none): one "R,G,B" line per entry from entry 0,
after a comment line starting with #. Without -o it goes to standard output.

Limits:
  An input file is read up to 1073741824 bytes (1 GiB). The input image and the
  screen are at most 32768 pixels on a side and 67108864 (2^26) pixels in all.
  The memory a render needs grows with both: up to 3 bytes per image pixel,
  4 per screen pixel and, for PNG output, 3 more per screen pixel. When it
  runs out the tool says "not enough memory for a WxH image", naming the
  input's size while it reads the input and the screen's afterwards, and
  exits with 1.

Exit status:
  0  the blit returned 0 and the output was written
  1  the input (or the --system-palette file) could not be read, is malformed
     or unsupported, there was not enough memory for it or the screen, or the
     output could not be written; no output file is left behind, nor when
     SIGINT, SIGTERM or SIGHUP ends the tool (Linux build)
  2  usage error, or a display that cannot be used as asked (Windows build)
  3  the library returned a negative code (-1007 out of memory, -1032
     unsupported bitmap, display or dither mode); --info still prints and no
     output file is written

Windows build:
  dibdraw.exe draws on the real display through GDI and USER. The screen is a
  borderless window of the --screen size at the top left of the display (it
  must fit), --window a second one over it, and the output is read back from
  the display with GetDIBits. --display is only checked against the display
  (an error if it differs; without it any display is used), and --swapped and
  --system-palette are refused. PNG input is not supported; PNG output is
  written uncompressed. bands counts the StretchDIBits calls of dibdraw32.dll.
  Under Wine, give dibdraw.exe the X11 driver settings ClientSideGraphics=N and
  PrivateColorMap=Y (see the README): Wine's default client-side drawing
  ignores the realized palette of a 256-colour display.

Examples:
  dibdraw render -o card.png --display 8 --dither 2
  dibdraw render photo.png -o small.bmp --display 4 --size 200x150 --info
  dibdraw palette --display 8 -o standard.txt
)";
}

}  // namespace dibtool
