#include "tools/option_table.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

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
bool ParseList(std::string_view text, int count, int* values)
{
    for (int i = 0; i < count; ++i) {
        const size_t end = i + 1 < count ? text.find(',') : text.size();
        if (end == std::string_view::npos || !ParseInt(text.substr(0, end), values[i])) {
            return false;
        }
        text.remove_prefix(i + 1 < count ? end + 1 : end);
    }
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

std::string_view NameOf(std::string_view name) { return name; }
std::string_view NameOf(const Choice& choice) { return choice.name; }

// A value that names one of `choices`, stored as the matching `values` entry.
template <class Named, class T, size_t N>
bool ParseChoice(std::string_view text, const Named (&choices)[N], const T (&values)[N], T& value)
{
    const auto* found =
        std::find_if(std::begin(choices), std::end(choices), [&](const Named& c) { return NameOf(c) == text; });
    if (found == std::end(choices)) {
        return false;
    }
    value = values[found - std::begin(choices)];
    return true;
}

bool StoreOutput(std::string_view, const std::string& value, ParseState& state, std::string& problem)
{
    if (value.empty()) {
        return false;
    }
    if (!state.options.output.empty()) {
        problem = "more than one output file ('" + state.options.output + "' and '" + value + "')";
        return true;
    }
    state.options.output = value;
    return true;
}

// A non-empty file or directory name.
template <std::string Options::*Member>
bool StoreName(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    if (value.empty()) {
        return false;
    }
    state.options.*Member = value;
    return true;
}

template <int Options::*Member>
bool StoreInt(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    return ParseInt(value, state.options.*Member);
}

bool StoreFormat(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    static constexpr std::string_view kNames[] = {"bmp", "png"};
    static constexpr OutputFormat kFormats[] = {OutputFormat::Bmp, OutputFormat::Png};
    OutputFormat format;
    if (!ParseChoice(value, kNames, kFormats, format)) {
        return false;
    }
    state.format = format;
    return true;
}

constexpr Choice kRealizeChoices[] = {
    {"none", "keep what the display holds"},
    {"fixed", "the fixed palette"},
    {"image", "the picture's own colours"},
};

bool StoreRealize(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    static constexpr RealizeMode kModes[] = {RealizeMode::None, RealizeMode::Fixed, RealizeMode::Image};
    RealizeMode mode;
    if (!ParseChoice(value, kRealizeChoices, kModes, mode)) {
        return false;
    }
    state.options.realize = mode;
    return true;
}

bool StoreDisplay(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    state.options.display = DisplayKindFromName(value);
    return state.options.display.has_value();
}

// An empty or inverted rectangle draws nothing, which is never what was meant.
template <std::optional<RECT> Options::*Member>
bool StoreRect(std::string_view name, const std::string& value, ParseState& state, std::string& problem)
{
    int v[4];
    if (!ParseList(value, 4, v)) {
        return false;
    }
    const RECT rect{v[0], v[1], v[2], v[3]};
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        problem = std::string(name) + " " + value + " is empty (it needs L < R and T < B)";
        return true;
    }
    state.options.*Member = rect;
    return true;
}

bool StoreSize(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    Size size;
    if (!ParseSize(value, size, true)) {
        return false;
    }
    state.options.size = size;
    return true;
}

bool StoreScreen(std::string_view, const std::string& value, ParseState& state, std::string& problem)
{
    Size size;
    if (!ParseSize(value, size, false)) {
        return false;
    }
    problem = ScreenSizeProblem(size);
    if (problem.empty()) {
        state.options.screen = size;
    }
    return true;
}

bool StoreTransparent(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    return ParseTransparent(value, state.options.transparent);
}

bool StoreBackground(std::string_view, const std::string& value, ParseState& state, std::string&)
{
    int c[3];
    if (!ParseList(value, 3, c) || std::any_of(c, c + 3, [](int v) { return v < 0 || v > 255; })) {
        return false;
    }
    state.options.background = RGB(static_cast<BYTE>(c[0]), static_cast<BYTE>(c[1]), static_cast<BYTE>(c[2]));
    return true;
}

constexpr Choice kDisplayChoices[] = {
    {"1", "black and white"},
    {"4", "16 colours (the standard VGA colours)"},
    {"4p", "16 colours, stored in 4 planes"},
    {"8", "256 colours with a palette shared by all\nprograms (20 of them fixed)"},
    {"8rgb", "256 fixed colours (3 bits red and green,\n2 bits blue), no palette"},
    {"16", "65536 colours (5-6-5)"},
    {"24", "true colour"},
    {"32", "true colour, 4 bytes a pixel"},
    {"2", "4 greys, which the library cannot draw on"},
};

constexpr Choice kDitherChoices[] = {
    {"0", "ordered dither, a fine regular pattern"},
    {"1", "none: each pixel takes the nearest colour"},
    {"2", "error diffusion (Floyd-Steinberg), smooth\ngradients with a grainy look"},
    {"3", "ordered dither with a fixed 8x8 pattern"},
};

constexpr Choice kPaletteChoices[] = {
    {"0", "a fixed palette of evenly spread colours and\ngreys, good for any picture"},
    {"1", "the picture's own colours (as many as fit\nbeside the 20 fixed ones)"},
    {"2", "the picture's colours matched to whatever the\ndisplay holds already"},
};

using Kind = OptionSpec::Kind;

// In the order the help lists them.
constexpr OptionSpec kOptions[] = {
    {.shortName = "-o", .name = "--output", .kind = Kind::Value, .commands = kEveryCommand,
     .store = StoreOutput, .expects = "a file name", .value = "FILE",
     .help = "where the picture goes (required); -oFILE works too"},
    {.name = "--format", .kind = Kind::Value, .commands = kRender | kSheet, .store = StoreFormat,
     .expects = "bmp or png", .value = "bmp|png",
     .help = "the output format; needed with -o -, otherwise it must\n"
             "agree with the output's name when that ends in .bmp\n"
             "or .png (with --out-dir: default png)"},
    {.name = "--out-dir", .kind = Kind::Value, .commands = kRender, .store = StoreName<&Options::outDir>,
     .expects = "a directory", .value = "DIR",
     .help = "render every INPUT into the existing directory DIR\n"
             "(see \"Several files at once\")"},
    {.name = "--display", .kind = Kind::Value, .commands = kRender | kPalette, .store = StoreDisplay,
     .expects = "1, 4, 4p, 8, 8rgb, 16, 24, 32 or 2", .value = "KIND",
     .summaryPlace = 1, .summaryValue = "1|4|4p|8|8rgb|16|24|32|2",
     .help = "the kind of display (default 32):", .choices = kDisplayChoices},
    {.name = "--dither", .kind = Kind::Value, .commands = kRender, .store = StoreInt<&Options::dither>,
     .expects = "an integer", .value = "N", .summaryPlace = 2,
     .help = "how colours the display lacks are made up (default 0):", .choices = kDitherChoices,
     .helpAfterChoices = "other values make drawing fail where a mode matters"},
    {.name = "--palette", .kind = Kind::Value, .commands = kRender | kSheet, .store = StoreInt<&Options::palette>,
     .expects = "an integer", .value = "N", .summaryPlace = 3,
     .help = "which colours a 256-colour display uses (default 0):", .choices = kPaletteChoices},
    {.name = "--realize", .kind = Kind::Value, .commands = kRender | kSheet, .store = StoreRealize,
     .expects = "none, fixed or image", .value = "WHAT", .summaryPlace = 5, .summaryValue = "none|fixed|image",
     .help = "whether to set the display's palette before drawing:", .choices = kRealizeChoices,
     .helpAfterChoices = "(default: image with --palette 1, fixed with\n"
                         "--palette 0, none otherwise); only 256-colour\n"
                         "displays have a palette to set"},
    {.name = "--src", .kind = Kind::Value, .commands = kRender | kSheet, .store = StoreRect<&Options::src>,
     .expects = "L,T,R,B", .value = "L,T,R,B", .summaryPlace = 6,
     .help = "draw only this part of the picture: left, top, right,\n"
             "bottom in picture pixels, 0,0 at the top left, right\n"
             "and bottom exclusive (default: all of it); the parts\n"
             "outside the picture are cut off"},
    {.name = "--dst", .kind = Kind::Value, .commands = kRender, .store = StoreRect<&Options::dst>,
     .expects = "L,T,R,B", .value = "L,T,R,B", .summaryPlace = 7,
     .help = "where on the screen the picture goes; it is stretched\n"
             "or shrunk to fill this rectangle (default: at the top\n"
             "left, at its own size)"},
    {.name = "--size", .kind = Kind::Value, .commands = kRender | kSheet, .store = StoreSize,
     .expects = "WxH, Wx or xH, each at least 1", .value = "WxH", .summaryPlace = 8,
     .summaryValue = "WxH|Wx|xH", .summaryAlternative = true,
     .help = "the same as --dst 0,0,W,H; \"Wx\" or \"xH\" gives one\n"
             "side and keeps the proportions of the picture (or of\n"
             "its --src part)"},
    {.name = "--screen", .kind = Kind::Value, .commands = kRender, .store = StoreScreen,
     .expects = "WxH, at least 1x1", .value = "WxH", .summaryPlace = 9,
     .help = "the size of the screen (default: just large enough\n"
             "for the picture and the window)"},
    {.name = "--window", .kind = Kind::Value, .commands = kRender, .store = StoreRect<&Options::window>,
     .expects = "L,T,R,B", .value = "L,T,R,B", .summaryPlace = 10,
     .help = "draw into a window at this place on the screen; --dst\n"
             "is then relative to the window, and what falls\n"
             "outside it is cut off (default: the whole screen)"},
    {.name = "--background", .kind = Kind::Value, .commands = kRender | kSheet, .store = StoreBackground,
     .expects = "R,G,B, each 0 to 255", .value = "R,G,B", .summaryPlace = 11,
     .help = "the screen's colour before drawing (default 0,0,0),\n"
             "which partly transparent pixels are composited over;\n"
             "on a 256-colour display the screen shows the nearest\n"
             "of the 20 fixed colours"},
    {.name = "--transparent", .kind = Kind::Value, .commands = kRender | kSheet, .store = StoreTransparent,
     .expects = "0, 1 or 0,1: the colours of a 1-bit image to leave out", .value = "0|1|0,1", .summaryPlace = 12,
     .help = "let the background show through colour 0, colour 1 or\n"
             "both of a black-and-white (1-bit) picture; refused\n"
             "for other pictures"},
    {.name = "--swapped", .kind = Kind::Flag, .commands = kRender, .flag = &Options::swapped, .summaryPlace = 13,
     .help = "a true-colour display that stores red, green, blue\n"
             "instead of blue, green, red (the picture looks the\n"
             "same; this checks the library handles both)"},
    {.name = "--rgb", .kind = Kind::Flag, .commands = kRender, .flag = &Options::rgb, .summaryPlace = 14,
     .help = "write a PNG as 8-bit RGB also on displays with a\n"
             "palette"},
    {.name = "--info", .kind = Kind::Flag, .commands = kRender, .flag = &Options::info, .summaryPlace = 4,
     .help = "after drawing, print what the library did, as\n"
             "key=value lines (with --out-dir after an\n"
             "input=FILE line per file): result (its result code),\n"
             "display_depth, converter (the routine that converted\n"
             "the pixels), palette_mode (after drawing), rop\n"
             "(SRCCOPY, or SRCAND / SRCPAINT for transparent\n"
             "pictures), src (the source rectangle after cutting),\n"
             "bands (how many strips it was sent to the display in)"},
    {.name = "--system-palette", .kind = Kind::Value, .commands = kRender,
     .store = StoreName<&Options::systemPaletteFile>, .expects = "a file name", .value = "FILE", .summaryPlace = 15,
     .help = "with --display 8: the 256 colours the display holds\n"
             "at the start, instead of the 20 fixed colours and\n"
             "black: a file written by dibdraw palette (e.g. on\n"
             "another display, to draw as that display would), a\n"
             "GIMP palette (.gpl) or a JASC-PAL palette (.pal) of\n"
             "256 colours, told apart by their first line"},
    {.shortName = "-h", .name = "--help", .kind = Kind::Help, .commands = kEveryCommand, .help = "show this text"},
    {.name = "--version", .kind = Kind::Version, .help = "show the version of the tool and the library"},
};

}  // namespace

std::span<const OptionSpec> OptionTable() { return kOptions; }

const OptionSpec* FindOption(std::string_view name)
{
    const auto* found = std::find_if(std::begin(kOptions), std::end(kOptions), [&](const OptionSpec& option) {
        return name == option.name || (!option.shortName.empty() && name == option.shortName);
    });
    return found == std::end(kOptions) ? nullptr : found;
}

}  // namespace dibtool
