#include "tools/options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string_view>

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

// "WxH", both at least 1; with `sideMayBeLeftOut`, "Wx" and "xH" too, the
// side left out being 0.
bool ParseSize(std::string_view text, Size& size, bool sideMayBeLeftOut)
{
    const size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) {
        return false;
    }
    const std::string_view width = text.substr(0, x);
    const std::string_view height = text.substr(x + 1);
    if (sideMayBeLeftOut && width.empty() != height.empty()) {
        size = Size{};
        return width.empty() ? ParseInt(height, size.height) && size.height >= 1
                             : ParseInt(width, size.width) && size.width >= 1;
    }
    return ParseInt(width, size.width) && ParseInt(height, size.height) && size.width >= 1 && size.height >= 1;
}

// "0", "1", "0,1" or "1,0".
bool ParseTransparent(std::string_view text, std::array<bool, 2>& transparent)
{
    transparent = {};
    for (;;) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (item.size() != 1 || (item[0] != '0' && item[0] != '1') || transparent[item[0] - '0']) {
            return false;
        }
        transparent[item[0] - '0'] = true;
        if (comma == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(comma + 1);
    }
}

bool EndsWith(const std::string& text, std::string_view suffix)
{
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::string FormatName(OutputFormat format) { return format == OutputFormat::Bmp ? "bmp" : "png"; }

// "WxH", a side left out of --size (0) left out here too.
std::string SizeText(Size s)
{
    return (s.width != 0 ? std::to_string(s.width) : "") + "x" + (s.height != 0 ? std::to_string(s.height) : "");
}

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
std::string ApplyValue(const std::string& name, const std::string& value, Options& options,
                       std::optional<OutputFormat>& format)
{
    auto bad = [&](const char* expected) { return "invalid value '" + value + "' for " + name + " (" + expected + ")"; };
    if (name == "-o" || name == "--output") {
        if (value.empty()) {
            return bad("a file name");
        }
        if (!options.output.empty()) {
            return "more than one output file ('" + options.output + "' and '" + value + "')";
        }
        options.output = value;
    } else if (name == "--out-dir") {
        if (value.empty()) {
            return bad("a directory");
        }
        options.outDir = value;
    } else if (name == "--format") {
        if (value == "bmp") {
            format = OutputFormat::Bmp;
        } else if (value == "png") {
            format = OutputFormat::Png;
        } else {
            return bad("bmp or png");
        }
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
        // An empty or inverted rectangle draws nothing, which is never
        // what was meant.
        if (rect.right <= rect.left || rect.bottom <= rect.top) {
            return name + " " + value + " is empty (it needs L < R and T < B)";
        }
        (name == "--src" ? options.src : name == "--dst" ? options.dst : options.window) = rect;
    } else if (name == "--size") {
        Size size;
        if (!ParseSize(value, size, true)) {
            return bad("WxH, Wx or xH, each at least 1");
        }
        options.size = size;
    } else if (name == "--screen") {
        Size size;
        if (!ParseSize(value, size, false)) {
            return bad("WxH, at least 1x1");
        }
        if (std::string problem = ScreenSizeProblem(size); !problem.empty()) {
            return problem;
        }
        options.screen = size;
    } else if (name == "--transparent") {
        if (!ParseTransparent(value, options.transparent)) {
            return bad("0, 1 or 0,1: the colours of a 1-bit image to leave out");
        }
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
        "--dst",  "--size",   "--screen",  "--window",     "--background", "--system-palette",
        "--transparent", "--format", "--out-dir"};
    return std::find(std::begin(kWithValue), std::end(kWithValue), name) != std::end(kWithValue);
}

// The options the palette command takes; every other one is the render command's.
bool PaletteCommandTakes(const std::string& name)
{
    return name == "-o" || name == "--output" || name == "--display";
}

// The render options that apply to the sheet command, which chooses the
// displays and dither modes itself and lays out its panels.
bool SheetCommandTakes(const std::string& name)
{
    static constexpr std::string_view kTaken[] = {"-o",       "--output",     "--format",     "--size",
                                                  "--src",    "--palette",    "--realize",    "--background",
                                                  "--transparent"};
    return std::find(std::begin(kTaken), std::end(kTaken), name) != std::end(kTaken);
}

// The sheet command: at most one input, a PNG output.
std::string SheetProblem(Options& options, std::optional<OutputFormat> format)
{
    if (options.inputs.size() > 1) {
        return "the sheet command takes one input file at most";
    }
    options.input = options.inputs.empty() ? "" : options.inputs[0];
    if (options.output.empty()) {
        return "no output file given (-o SHEET.png)";
    }
    if (format == OutputFormat::Bmp || (!format && !EndsWith(options.output, ".png"))) {
        return "the sheet is a PNG file: name it .png (or give --format png)";
    }
    options.format = OutputFormat::Png;
    return {};
}

// A batch: the inputs, none of them standard input, each to its own file.
std::string BatchProblem(Options& options)
{
    if (!options.output.empty()) {
        return "-o and --out-dir cannot be used together (--out-dir names each output after its input)";
    }
    if (options.inputs.empty()) {
        return "--out-dir needs input files";
    }
    std::map<std::string, const std::string*> writers;  // output path: its input
    for (const std::string& input : options.inputs) {
        if (input == kStandardStream) {
            return "standard input ('-') cannot be read in a batch (--out-dir)";
        }
        const std::string output = BatchOutputPath(options, input);
        if (const auto [at, added] = writers.emplace(output, &input); !added) {
            return "'" + *at->second + "' and '" + input + "' would both be written to '" + output + "'";
        }
    }
    return {};
}

// BMP output is in the display's own format: --rgb would not change it.
std::string RgbProblem(const Options& options)
{
    return options.rgb && options.format == OutputFormat::Bmp ? "--rgb applies to PNG output only" : "";
}

}  // namespace

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

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
    if (args[0] == "--version") {
        options.version = true;
        return {};
    }
    if (args[0] == "palette") {
        options.command = Command::Palette;
    } else if (args[0] == "sheet") {
        options.command = Command::Sheet;
    } else if (args[0] != "render") {
        return "unknown command '" + args[0] + "' (the commands are render, sheet and palette)";
    }
    const bool palette = options.command == Command::Palette;
    const bool sheet = options.command == Command::Sheet;
    std::optional<OutputFormat> format;
    bool sawInput = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (arg.empty()) {
                return "the input file name is empty";
            }
            options.inputs.push_back(arg);
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
        if (arg == "--swapped" || arg == "--info" || arg == "--rgb") {
            if (palette || sheet) {
                return "option " + arg + " does not apply to the " + args[0] + " command";
            }
            (arg == "--swapped" ? options.swapped : arg == "--info" ? options.info : options.rgb) = true;
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
        } else if (arg[1] != '-' && arg.size() > 2 && TakesValue(arg.substr(0, 2))) {
            name = arg.substr(0, 2);  // -oFILE
            value = arg.substr(2);
        } else if (TakesValue(name)) {
            if (i + 1 >= args.size()) {
                return "option " + name + " needs a value";
            }
            value = args[++i];
        } else {
            return "unknown option '" + name + "'";
        }
        if ((palette && !PaletteCommandTakes(name)) || (sheet && !SheetCommandTakes(name))) {
            return "option " + name + " does not apply to the " + args[0] + " command";
        }
        if (std::string problem = ApplyValue(name, value, options, format); !problem.empty()) {
            return problem;
        }
    }
    if (palette) {
        return sawInput ? "the palette command takes no input file" : "";
    }
    if (sheet) {
        return SheetProblem(options, format);
    }
    if (!options.outDir.empty()) {
        options.format = format.value_or(OutputFormat::Png);
        if (std::string problem = BatchProblem(options); !problem.empty()) {
            return problem;
        }
    } else if (options.inputs.size() > 1) {
        return "several input files need --out-dir DIR (each is written there under its own name)";
    } else if (sawInput) {
        options.input = options.inputs[0];
    }
    if (options.size && options.dst) {
        return "--size and --dst cannot be used together";
    }
    if (!options.systemPaletteFile.empty() && options.display != DisplayKind::Palette8) {
        return "--system-palette needs --display 8 (256 colours with a palette)";
    }
    if (!options.outDir.empty()) {
        return RgbProblem(options);
    }
    if (options.output.empty()) {
        return "no output file given (-o OUTPUT)";
    }
    if (options.output == kStandardStream) {
        if (!format) {
            return "-o - (standard output) needs --format bmp or --format png";
        }
        if (options.info) {
            return "--info cannot be used with -o -: both would go to standard output";
        }
        options.format = *format;
        return RgbProblem(options);
    }
    std::optional<OutputFormat> named;
    if (EndsWith(options.output, ".bmp")) {
        named = OutputFormat::Bmp;
    } else if (EndsWith(options.output, ".png")) {
        named = OutputFormat::Png;
    }
    if (!named && !format) {
        return "the output file '" + options.output + "' must end in .bmp or .png (or give --format)";
    }
    if (named && format && *named != *format) {
        return "--format " + FormatName(*format) + " contradicts the output file name '" + options.output + "'";
    }
    options.format = format.value_or(named.value_or(OutputFormat::Png));
    return RgbProblem(options);
}

std::string BatchOutputPath(const Options& options, const std::string& input)
{
    std::filesystem::path path(options.outDir);
    path /= std::filesystem::path(input).stem();
    path += options.format == OutputFormat::Bmp ? ".bmp" : ".png";
    return path.string();
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

std::string ApplyTransparency(const Options& options, PackedDib& image)
{
    if (!options.transparent[0] && !options.transparent[1]) {
        return {};
    }
    if (image.bits() != 1) {
        return "--transparent needs a 1-bit image (this one has " + std::to_string(image.bits()) +
               " bits per pixel)";
    }
    for (int colour = 0; colour < 2; ++colour) {
        if (options.transparent[colour]) {
            image.colors()[colour].rgbReserved = 255;
        }
    }
    return {};
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
    const RECT clipped = ClipSource(geometry.src, imageWidth, imageHeight);
    const bool outside = clipped.left > imageWidth || clipped.top > imageHeight;
    const int64_t srcWidth = outside ? 0 : std::max<int64_t>(0, int64_t{clipped.right} - clipped.left);
    const int64_t srcHeight = outside ? 0 : std::max<int64_t>(0, int64_t{clipped.bottom} - clipped.top);
    if (options.dst) {
        geometry.dst = *options.dst;
    } else if (options.size) {
        int64_t width = options.size->width;
        int64_t height = options.size->height;
        if (width == 0 || height == 0) {
            if (srcWidth == 0 || srcHeight == 0) {
                return "--size " + SizeText(*options.size) +
                       " keeps the source's aspect ratio, but the clipped source is empty";
            }
            // The side left out, rounded to the nearest pixel.
            if (width == 0) {
                width = std::max<int64_t>(1, (2 * height * srcWidth + srcHeight) / (2 * srcHeight));
            } else {
                height = std::max<int64_t>(1, (2 * width * srcHeight + srcWidth) / (2 * srcWidth));
            }
        }
        geometry.dst = RECT{0, 0, static_cast<LONG>(std::min<int64_t>(width, INT_MAX)),
                            static_cast<LONG>(std::min<int64_t>(height, INT_MAX))};
    } else {
        geometry.dst = RECT{0, 0, static_cast<LONG>(srcWidth), static_cast<LONG>(srcHeight)};
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
    return "usage: dibdraw render [INPUT|-] -o OUTPUT.{png,bmp}|- [--format bmp|png] [options]\n"
           "       dibdraw render INPUT... --out-dir DIR [--format bmp|png] [options]\n"
           "       dibdraw sheet [INPUT] -o SHEET.png [--size WxH] [options]\n"
           "       dibdraw palette [-o FILE] [--display KIND]\n"
           "options: --display 1|4|4p|8|8rgb|16|24|32|2, --dither N, --palette N, --info,\n"
           "  --realize none|fixed|image, --src L,T,R,B, --dst L,T,R,B | --size WxH|Wx|xH,\n"
           "  --screen WxH, --window L,T,R,B, --background R,G,B, --transparent 0|1|0,1,\n"
           "  --swapped, --rgb, --system-palette FILE\n";
}

const char* VersionText()
{
    return "dibdraw " DIBDRAW_VERSION "\n";
}

const char* HelpText()
{
    return R"(dibdraw: shows how a picture looks on a display of a given kind (monochrome,
16 colours, 256 colours with a palette, or true colour) when the dibdraw32
library draws it, and saves what the screen shows. The Linux build draws on a
virtual display, the Windows build (dibdraw.exe, see "Windows build" below)
on the real one.

usage: dibdraw render [INPUT] -o OUTPUT [options]
       dibdraw render INPUT... --out-dir DIR [options]
       dibdraw sheet [INPUT] -o SHEET.png [options]
       dibdraw palette [-o FILE] [--display KIND]
       dibdraw --help | --version

INPUT is a BMP or a PNG file, told apart by their contents; "-" reads it from
standard input. Without INPUT the tool draws its built-in 384x288 test card:
a hue gradient, a grey ramp and staircase, a zone plate, text, one-pixel
patterns and colour swatches.

  BMP  1-, 4-, 8- and 24-bit files are drawn as they are; a colour table
       shorter than the bit count allows is filled up with black, and its
       reserved bytes are ignored (see --transparent). Top-down files, 16-
       and 32-bit files (plain or with BI_BITFIELDS masks), BI_RLE8 and
       BI_RLE4 files and OS/2 headers are read too. BMPs holding JPEG or PNG
       data and OS/2 Huffman or RLE24 files are not supported. Every header
       field is checked against the file's size.
  PNG  Palette images keep their palette, grey images are drawn as 256 greys,
       colour images as true colour; 16-bit samples are rounded to 8 bits.
       No gamma correction is applied.
  Alpha  Partly transparent pixels (PNG alpha channels and transparent
       colours (tRNS), and the alpha of 16- and 32-bit BMPs: an alpha mask,
       or the fourth byte of plain 32-bit pixels, unless it is 0 in every
       pixel) are composited over the --background colour before drawing:
       (alpha * colour + (255 - alpha) * background) / 255, rounded.

OUTPUT is the picture of the whole screen, in the format its name ends in
(or that --format gives):
  .bmp  the screen in its own format: a colour table holding the display's
        colours for displays of 256 colours or fewer, 24-bit otherwise
  .png  on displays of 256 colours or fewer, an indexed PNG of the display's
        depth (1, 2, 4 or 8 bits) with the display's colours as palette;
        otherwise (or with --rgb) the colours the screen shows, as 8-bit RGB
"-o -" writes it to standard output, with --format. The file is written only
when the picture was drawn; a symbolic link keeps pointing to it.

Several files at once: --out-dir DIR (instead of -o) renders each INPUT with
the same options to DIR/<its name without extension>.png, or .bmp with
--format bmp. A file that fails is reported and the others are still drawn;
on a terminal a line per file shows the progress.

Options:
  -o, --output FILE      where the picture goes (required); -oFILE works too
  --format bmp|png       the output format; needed with -o -, otherwise it must
                         agree with the output's name when that ends in .bmp
                         or .png (with --out-dir: default png)
  --out-dir DIR          render every INPUT into the existing directory DIR
                         (see "Several files at once")
  --display KIND         the kind of display (default 32):
                           1     black and white
                           4     16 colours (the standard VGA colours)
                           4p    16 colours, stored in 4 planes
                           8     256 colours with a palette shared by all
                                 programs (20 of them fixed)
                           8rgb  256 fixed colours (3 bits red and green,
                                 2 bits blue), no palette
                           16    65536 colours (5-6-5)
                           24    true colour
                           32    true colour, 4 bytes a pixel
                           2     4 greys, which the library cannot draw on
  --dither N             how colours the display lacks are made up (default 0):
                           0  ordered dither, a fine regular pattern
                           1  none: each pixel takes the nearest colour
                           2  error diffusion (Floyd-Steinberg), smooth
                              gradients with a grainy look
                           3  ordered dither with a fixed 8x8 pattern
                         other values make drawing fail where a mode matters
  --palette N            which colours a 256-colour display uses (default 0):
                           0  a fixed palette of evenly spread colours and
                              greys, good for any picture
                           1  the picture's own colours (as many as fit
                              beside the 20 fixed ones)
                           2  the picture's colours matched to whatever the
                              display holds already
  --realize WHAT         whether to set the display's palette before drawing:
                           none   keep what the display holds
                           fixed  the fixed palette
                           image  the picture's own colours
                         (default: image with --palette 1, fixed with
                         --palette 0, none otherwise); only 256-colour
                         displays have a palette to set
  --src L,T,R,B          draw only this part of the picture: left, top, right,
                         bottom in picture pixels, 0,0 at the top left, right
                         and bottom exclusive (default: all of it); the parts
                         outside the picture are cut off
  --dst L,T,R,B          where on the screen the picture goes; it is stretched
                         or shrunk to fill this rectangle (default: at the top
                         left, at its own size)
  --size WxH             the same as --dst 0,0,W,H; "Wx" or "xH" gives one
                         side and keeps the proportions of the picture (or of
                         its --src part)
  --screen WxH           the size of the screen (default: just large enough
                         for the picture and the window)
  --window L,T,R,B       draw into a window at this place on the screen; --dst
                         is then relative to the window, and what falls
                         outside it is cut off (default: the whole screen)
  --background R,G,B     the screen's colour before drawing (default 0,0,0),
                         which partly transparent pixels are composited over;
                         on a 256-colour display the screen shows the nearest
                         of the 20 fixed colours
  --transparent 0|1|0,1  let the background show through colour 0, colour 1 or
                         both of a black-and-white (1-bit) picture; refused
                         for other pictures
  --swapped              a true-colour display that stores red, green, blue
                         instead of blue, green, red (the picture looks the
                         same; this checks the library handles both)
  --rgb                  write a PNG as 8-bit RGB also on displays with a
                         palette
  --info                 after drawing, print what the library did, as
                         key=value lines (with --out-dir after an
                         input=FILE line per file): result (its result code),
                         display_depth, converter (the routine that converted
                         the pixels), palette_mode (after drawing), rop
                         (SRCCOPY, or SRCAND / SRCPAINT for transparent
                         pictures), src (the source rectangle after cutting),
                         bands (how many strips it was sent to the display in)
  --system-palette FILE  with --display 8: the 256 colours the display holds
                         at the start, instead of the 20 fixed colours and
                         black: a file written by dibdraw palette (e.g. on
                         another display, to draw as that display would), a
                         GIMP palette (.gpl) or a JASC-PAL palette (.pal) of
                         256 colours, told apart by their first line
  -h, --help             show this text
  --version              show the version of the tool and the library

dibdraw sheet draws INPUT (or the test card) on every kind of display in
every dither mode and writes one PNG: a row per display (1, 4, 8, 16 and 24
bits), a column per dither mode (0 to 3), each panel labelled above it. It
takes -o (a .png file, or - with --format png), --size (the panel size;
default the picture's), --src, --palette, --realize, --background and
--transparent as render does.

dibdraw palette writes the colours a display with a palette holds (--display
as for render, default 32, which has none): one "R,G,B" line per entry from
entry 0, after a comment line starting with #. Without -o, or with -o -, it
goes to standard output.

Limits:
  An input file is read up to 1073741824 bytes (1 GiB). The input image and the
  screen are at most 32768 pixels on a side and 67108864 (2^26) pixels in all.
  The memory a render needs grows with both: up to 3 bytes per image pixel,
  4 per screen pixel and, for PNG output, 3 more per screen pixel. When it
  runs out the tool says "not enough memory for a WxH image", naming the
  input's size while it reads the input and the screen's afterwards, and
  exits with 1.

Exit status:
  0  the picture was drawn and written
  1  the input (or the --system-palette file) could not be read, is damaged or
     of a kind not supported, there was not enough memory for it or the
     screen, or the output could not be written; no output file is left
     behind, nor when SIGINT, SIGTERM or SIGHUP ends the tool (Linux build)
  2  the command line is wrong, or (Windows build) the display is not of the
     kind asked for
  3  the library refused to draw: out of memory, or a display or dither mode
     it cannot draw with; --info shows its result code, and no output file is
     written
  With --out-dir: 0 when every file was drawn and written, otherwise 1 (2 for
  a wrong command line).

Windows build:
  dibdraw.exe draws on the real display. The screen is a borderless window of
  the --screen size at the top left of the display (it must fit), --window a
  second one over it, and the output is what the display then shows.
  --display is only checked against the display (an error if it differs;
  without it any display is used); --swapped, --system-palette and the sheet
  command, which need the virtual display, are refused. PNG files are read
  and written through the Windows Imaging Component, with the same results.
  Under Wine, give dibdraw.exe the X11 driver settings ClientSideGraphics=N
  and PrivateColorMap=Y (see the README): Wine's default client-side drawing
  ignores the palette of a 256-colour display.

Examples:
  dibdraw render -o card.png --display 8 --dither 2
  dibdraw render photo.png -o small.bmp --display 4 --size 200x --info
  dibdraw render - -o - --format png --display 1 < in.bmp > out.png
  dibdraw render *.png --out-dir shown --display 4
  dibdraw sheet photo.png -o sheet.png --size 192x144
  dibdraw palette --display 8 -o standard.txt
)";
}

}  // namespace dibtool
