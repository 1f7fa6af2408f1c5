// The converter registry: every converter, keyed by the display it writes
// for, the source it reads and what chooses it among that cell's converters,
// with its name and its dither mode, whose traits (convert its reach, row
// reuse) follow from the mode. Each display's converters file ends with its
// section of the registry: a converter family's four dither modes are
// stamped from its template by one ModeRow, and converters that serve every
// mode, or translate the image's own colours, are single entries. The
// kernels the families call are chosen once per process (convert/kernels.h).
//
// To find, say, Floyd-Steinberg for 24-bit sources on a 256-colour display:
// the section of to8.cpp has the row ModeRow<"Blit24To8", ToCube, Rgb24Source>,
// whose DitherMode::ErrorDiffusion member is ToCube<ErrorDiffusion, ...> in
// that file.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "convert/dither.h"
#include "core/modes.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// What chooses an entry among the converters of one display and source.
enum class Variant : uint8_t {
    AnyMode,   // serves every dither mode, and the mapped choice too where no Mapped entry is
    Mapped,    // source indices translated through the colour map
    Mode,      // one dither mode
    GreyMode,  // one dither mode, for a grey colour table
};

struct ConverterEntry {
    BlitterFn fn;
    const char* name;
    int8_t displayDepth;  // 1, 4, 8 or 24
    bool swapped;         // a true-colour display that writes red, green, blue
    int8_t srcBits;       // 1, 4, 8 or 24
    Variant variant;
    DitherMode mode;  // Mode and GreyMode entries only
    // Writes exactly its row's pixels, each whole, and reads nothing it has
    // written, so that it may convert straight into a band row.
    bool writesOnlyItsRow = false;
    // Maps each source byte to one output byte through m_colorMap, and
    // nothing else.
    bool mapsBytes = false;

    bool DependsOnMode() const { return variant == Variant::Mode || variant == Variant::GreyMode; }
};

// How the pixels a converter writes depend on their place: error diffusion
// carries each pixel's error to the right and into the row below, on both
// sides; an ordered dither repeats with a column period; every other
// converter treats each pixel alone (a period of 1).
struct ConverterReach {
    bool diffuses = false;
    int32_t columnPeriod = 1;
};

// The reach of an entry, for an object of the given column period.
ConverterReach ReachOf(const ConverterEntry& entry, int32_t objectColumnPeriod);

// The entry of a display, source, variant and (for Mode and GreyMode) mode;
// null where the registry has none. A display depth other than 24 ignores
// `swapped`.
const ConverterEntry* FindConverter(int displayDepth, bool swapped, int srcBits, Variant variant,
                                    DitherMode mode = DitherMode::Ordered);

// Every section, in the order monochrome, 16-colour, 256-colour, true colour.
std::array<std::span<const ConverterEntry>, 4> ConverterSections();

// The first entry holding a converter, or named so; null for none.
const ConverterEntry* EntryOf(BlitterFn fn);
const ConverterEntry* EntryNamed(std::string_view name);

// A string literal as a template argument, so that names can be composed at
// compile time.
template <size_t N>
struct Literal {
    char text[N];
    constexpr Literal(const char (&literal)[N]) { std::copy_n(literal, N, text); }
    static constexpr size_t kLength = N - 1;
};

// Family, "Mode", the mode's digit and the suffix: "Blit8To8Mode2Gray".
template <Literal Family, DitherMode M, Literal Suffix>
inline constexpr auto kModeName = [] {
    std::array<char, Family.kLength + 5 + Suffix.kLength + 1> name{};
    auto out = std::copy_n(Family.text, Family.kLength, name.begin());
    out = std::copy_n("Mode", 4, out);
    *out++ = static_cast<char>('0' + static_cast<int>(M));
    std::copy_n(Suffix.text, Suffix.kLength, out);
    return name;
}();

// One converter under its own name.
template <Literal Name>
constexpr ConverterEntry Single(BlitterFn fn, int displayDepth, int srcBits, Variant variant, bool swapped = false)
{
    return {fn, Name.text, static_cast<int8_t>(displayDepth), swapped, static_cast<int8_t>(srcBits), variant,
            DitherMode::Ordered};
}

// The four dither modes of a family: Family<Mode, Source>::kConvert for each
// mode type, named Family's name + "Mode" + digit + Suffix.
template <Literal Name, template <typename, typename> class Family, typename Source, Literal Suffix = "">
constexpr std::array<ConverterEntry, 4> ModeRow(int displayDepth, int srcBits)
{
    const Variant variant = Suffix.kLength == 0 ? Variant::Mode : Variant::GreyMode;
    auto entry = [&]<DitherMode M>() {
        return ConverterEntry{Family<DitherModeType<M>, Source>::kConvert,
                              kModeName<Name, M, Suffix>.data(),
                              static_cast<int8_t>(displayDepth),
                              false,
                              static_cast<int8_t>(srcBits),
                              variant,
                              M};
    };
    return {entry.template operator()<DitherMode::Ordered>(), entry.template operator()<DitherMode::None>(),
            entry.template operator()<DitherMode::ErrorDiffusion>(),
            entry.template operator()<DitherMode::Ordered8x8>()};
}

// A section made of rows and single entries.
template <typename... Parts>
constexpr auto Section(const Parts&... parts)
{
    constexpr size_t kCount = (std::tuple_size_v<Parts> + ...);
    std::array<ConverterEntry, kCount> entries{};
    auto out = entries.begin();
    ((out = std::copy(parts.begin(), parts.end(), out)), ...);
    return entries;
}

// An entry that writes exactly its row's pixels (ConverterEntry).
constexpr ConverterEntry WritingOnlyItsRow(ConverterEntry entry)
{
    entry.writesOnlyItsRow = true;
    return entry;
}

// An entry that maps bytes through the colour map (ConverterEntry).
constexpr ConverterEntry MappingBytes(ConverterEntry entry)
{
    entry.mapsBytes = true;
    return entry;
}

// A row of entries that all write exactly their row's pixels.
template <size_t N>
constexpr std::array<ConverterEntry, N> WritingOnlyItsRow(std::array<ConverterEntry, N> row)
{
    for (ConverterEntry& entry : row) {
        entry = WritingOnlyItsRow(entry);
    }
    return row;
}

// A single entry as a part of a section.
constexpr std::array<ConverterEntry, 1> Part(const ConverterEntry& entry)
{
    return {entry};
}

}  // namespace dibdraw
