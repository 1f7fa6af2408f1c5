// The tool's options, each declared once: its names, the commands that take
// it, how its value is read, and how the usage and the help describe it. The
// parser (options.cpp) and the texts (help_text.cpp) are made from it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/options.h"

namespace dibtool {

// The commands that take an option, as bits.
enum CommandSet : unsigned {
    kRender = 1,
    kSheet = 2,
    kPalette = 4,
    kEveryCommand = kRender | kSheet | kPalette,
};

// What one command line collects besides the options themselves.
struct ParseState {
    Options& options;
    std::optional<OutputFormat> format;  // --format, before the output's name is considered
};

// A value an option takes, named in the help with what it means.
struct Choice {
    std::string_view name;
    std::string_view meaning;  // lines after the first line up under the first
};

struct OptionSpec {
    enum class Kind {
        Flag,     // sets `flag`
        Value,    // reads one value with `store`
        Help,     // asks for the help, on any command
        Version,  // asks for the version, in place of a command only
    };
    // Stores `value` given to the option spelled `name`. Returns false when
    // the value is malformed (reported with `expects`); a well-formed value
    // that cannot be used sets `problem`.
    using Store = bool (*)(std::string_view name, const std::string& value, ParseState& state,
                           std::string& problem);

    std::string_view shortName{};  // "-o", or empty
    std::string_view name{};
    Kind kind = Kind::Flag;
    unsigned commands = 0;
    bool Options::*flag = nullptr;
    Store store = nullptr;
    std::string_view expects{};  // what a malformed value was expected to be
    std::string_view value{};  // the value in the help: "FILE"
    // The place in the usage's summary of options (0: not listed there), and
    // the value there when it is not `value`.
    int summaryPlace = 0;
    std::string_view summaryValue{};
    bool summaryAlternative = false;  // listed as "previous | this": they exclude each other
    // The help's description: its first line follows the option, the others
    // are indented to the same column. The values in `choices` follow it, a
    // line each with their meanings lined up, then `helpAfterChoices`.
    std::string_view help{};
    std::span<const Choice> choices{};
    std::string_view helpAfterChoices{};
};

std::span<const OptionSpec> OptionTable();

// The option spelled `name` (short or long); null when there is none.
const OptionSpec* FindOption(std::string_view name);

// "WxH", a side left out of --size (0) left out here too.
std::string SizeText(Size s);

// Why a screen of this size cannot be set up, or an empty string.
std::string ScreenSizeProblem(Size s);

}  // namespace dibtool
