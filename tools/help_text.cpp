// The usage and the help: the options' part of both made from the option
// table, the rest written here.
#include <algorithm>
#include <vector>

#include "tools/option_table.h"

namespace dibtool {

namespace {

constexpr size_t kColumns = 80;
// Where the help's descriptions of the options start.
constexpr size_t kDescriptionColumn = 25;

constexpr const char* kSynopsis =
    "usage: dibdraw render [INPUT|-] -o OUTPUT.{png,bmp}|- [--format bmp|png] [options]\n"
    "       dibdraw render INPUT... --out-dir DIR [--format bmp|png] [options]\n"
    "       dibdraw sheet [INPUT] -o SHEET.png [--size WxH] [options]\n"
    "       dibdraw palette [-o FILE] [--display KIND]\n";

constexpr const char* kHelpBeforeOptions = R"(dibdraw: shows how a picture looks on a display of a given kind (monochrome,
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
)";

constexpr const char* kHelpAfterOptions = R"(
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

// "--name VALUE", "--name" for a flag.
std::string Syntax(const OptionSpec& option, std::string_view value)
{
    std::string text(option.name);
    if (!value.empty()) {
        text += " ";
        text += value;
    }
    return text;
}

// "options: " and the summary of each option listed there, in their order,
// options that exclude each other as "A | B", lines broken between options.
std::string Summary()
{
    std::vector<const OptionSpec*> listed;
    for (const OptionSpec& option : OptionTable()) {
        if (option.summaryPlace > 0) {
            listed.push_back(&option);
        }
    }
    std::sort(listed.begin(), listed.end(),
              [](const OptionSpec* a, const OptionSpec* b) { return a->summaryPlace < b->summaryPlace; });
    std::vector<std::string> items;
    for (const OptionSpec* option : listed) {
        const std::string text = Syntax(*option, option->summaryValue.empty() ? option->value : option->summaryValue);
        if (option->summaryAlternative) {
            items.back() += " | " + text;
        } else {
            items.push_back(text);
        }
    }
    std::string summary = "options:";
    size_t lineStart = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string separator = i + 1 < items.size() ? "," : "\n";
        if (i > 0 && summary.size() - lineStart + 1 + items[i].size() + separator.size() > kColumns) {
            summary += "\n ";
            lineStart = summary.size() - 1;
        }
        summary += " " + items[i] + separator;
    }
    return summary;
}

// The lines of a text; none for an empty one.
void AppendLines(std::string_view text, std::vector<std::string>& lines)
{
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

// An option's description: its help, a line for each of its choices with
// their meanings in one column, and the text after them.
std::vector<std::string> DescriptionOf(const OptionSpec& option)
{
    std::vector<std::string> lines;
    AppendLines(option.help, lines);
    size_t nameWidth = 0;
    for (const Choice& choice : option.choices) {
        nameWidth = std::max(nameWidth, choice.name.size());
    }
    for (const Choice& choice : option.choices) {
        const size_t first = lines.size();
        AppendLines(choice.meaning, lines);
        for (size_t i = first; i < lines.size(); ++i) {
            std::string lead = i == first ? "  " + std::string(choice.name) : std::string();
            lead.resize(2 + nameWidth + 2, ' ');
            lines[i] = lead + lines[i];
        }
    }
    AppendLines(option.helpAfterChoices, lines);
    return lines;
}

// Each option with its value, then its description from the same column.
std::string OptionHelp()
{
    std::string help;
    for (const OptionSpec& option : OptionTable()) {
        std::string line = "  ";
        if (!option.shortName.empty()) {
            line += std::string(option.shortName) + ", ";
        }
        line += Syntax(option, option.value);
        line.resize(std::max(kDescriptionColumn, line.size() + 2), ' ');
        for (const std::string& description : DescriptionOf(option)) {
            help += line + description + "\n";
            line.assign(kDescriptionColumn, ' ');
        }
    }
    return help;
}

}  // namespace

const char* UsageText()
{
    static const std::string text = kSynopsis + Summary();
    return text.c_str();
}

const char* VersionText()
{
    return "dibdraw " DIBDRAW_VERSION "\n";
}

const char* HelpText()
{
    static const std::string text = kHelpBeforeOptions + OptionHelp() + kHelpAfterOptions;
    return text.c_str();
}

}  // namespace dibtool
