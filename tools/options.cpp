#include "core/modes.h"
#include "tools/options.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "tools/option_table.h"

namespace dibtool {

namespace {

using Kind = OptionSpec::Kind;

bool EndsWith(const std::string& text, std::string_view suffix)
{
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<long>(suffix.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

std::string FormatName(OutputFormat format) { return format == OutputFormat::Bmp ? "bmp" : "png"; }

// Reads the option args[i] and its value ("--name=value", "-oVALUE" or the
// next argument) for `command`, one of CommandSet.
std::string ReadOption(const std::vector<std::string>& args, size_t& i, unsigned command, ParseState& state)
{
    const std::string& arg = args[i];
    std::string name = arg;
    std::optional<std::string> value;
    const auto takesValue = [](const OptionSpec* option) { return option != nullptr && option->kind == Kind::Value; };
    if (const size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
        name = arg.substr(0, equals);
        value = arg.substr(equals + 1);
    } else if (arg[1] != '-' && arg.size() > 2 && takesValue(FindOption(arg.substr(0, 2)))) {
        name = arg.substr(0, 2);  // -oFILE
        value = arg.substr(2);
    }
    const OptionSpec* option = FindOption(name);
    if (option == nullptr || option->kind == Kind::Version || (value && !takesValue(option))) {
        return "unknown option '" + name + "'";
    }
    if (takesValue(option) && !value) {
        if (i + 1 >= args.size()) {
            return "option " + name + " needs a value";
        }
        value = args[++i];
    }
    if ((option->commands & command) == 0) {
        return "option " + name + " does not apply to the " + args[0] + " command";
    }
    switch (option->kind) {
    case Kind::Help:
        state.options.help = true;
        return {};
    case Kind::Flag:
        state.options.*option->flag = true;
        return {};
    default:
        break;
    }
    std::string problem;
    if (!option->store(name, *value, state, problem)) {
        return "invalid value '" + *value + "' for " + name + " (" + std::string(option->expects) + ")";
    }
    return problem;
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

std::string ParseArguments(const std::vector<std::string>& args, Options& options)
{
    options = Options{};
    if (args.empty()) {
        return "no command given";
    }
    // In place of a command: --help, -h or help, and --version.
    const OptionSpec* asked = FindOption(args[0]);
    if (args[0] == "help" || (asked != nullptr && asked->kind == Kind::Help)) {
        options.help = true;
        return {};
    }
    if (asked != nullptr && asked->kind == Kind::Version) {
        options.version = true;
        return {};
    }
    unsigned command = kRender;
    if (args[0] == "palette") {
        options.command = Command::Palette;
        command = kPalette;
    } else if (args[0] == "sheet") {
        options.command = Command::Sheet;
        command = kSheet;
    } else if (args[0] != "render") {
        return "unknown command '" + args[0] + "' (the commands are render, sheet and palette)";
    }
    ParseState state{options, std::nullopt};
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == kStandardStream) {
            if (arg.empty()) {
                return "the input file name is empty";
            }
            options.inputs.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (std::string problem = ReadOption(args, i, command, state); !problem.empty() || options.help) {
            return problem;
        }
    }
    if (options.command == Command::Palette) {
        return !options.inputs.empty() ? "the palette command takes no input file" : "";
    }
    if (options.command == Command::Sheet) {
        return SheetProblem(options, state.format);
    }
    if (!options.outDir.empty()) {
        options.format = state.format.value_or(OutputFormat::Png);
        if (std::string problem = BatchProblem(options); !problem.empty()) {
            return problem;
        }
    } else if (options.inputs.size() > 1) {
        return "several input files need --out-dir DIR (each is written there under its own name)";
    } else if (!options.inputs.empty()) {
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
        if (!state.format) {
            return "-o - (standard output) needs --format bmp or --format png";
        }
        if (options.info) {
            return "--info cannot be used with -o -: both would go to standard output";
        }
        options.format = *state.format;
        return RgbProblem(options);
    }
    std::optional<OutputFormat> named;
    if (EndsWith(options.output, ".bmp")) {
        named = OutputFormat::Bmp;
    } else if (EndsWith(options.output, ".png")) {
        named = OutputFormat::Png;
    }
    if (!named && !state.format) {
        return "the output file '" + options.output + "' must end in .bmp or .png (or give --format)";
    }
    if (named && state.format && *named != *state.format) {
        return "--format " + FormatName(*state.format) + " contradicts the output file name '" + options.output + "'";
    }
    options.format = state.format.value_or(named.value_or(OutputFormat::Png));
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
    using dibdraw::PaletteMode;
    switch (dibdraw::PaletteModeOf(options.palette)) {
    case PaletteMode::ImageRealized:
        return RealizeMode::Image;
    case PaletteMode::ImageAsShown:
        return RealizeMode::None;
    case PaletteMode::Fixed:
        break;
    }
    // Values beyond the named modes work as the fixed palette's in the
    // library, but do not ask for it to be realized.
    return options.palette == dibdraw::ToInt(PaletteMode::Fixed) ? RealizeMode::Fixed : RealizeMode::None;
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

}  // namespace dibtool
