// Converters for 256-colour displays: every output byte is an index into the
// display palette. Mapped converters translate source indices through the
// colour map; the others reduce each pixel to an entry of the fixed palette
// (a cube entry for colour, a grey-ramp entry for grey tables), dithered or
// not, and translate that entry through the colour map.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <cstddef>
#include <type_traits>

#include "convert/converters.h"
#include "convert/diffusion.h"
#include "convert/dither.h"
#include "convert/kernels.h"
#include "convert/mapped.h"
#include "convert/pixel_source.h"
#include "convert/registry.h"
#include "convert/row_writers.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

// Fixed-palette entry of the cube colour nearest to a colour.
inline int CubeIndex(int red, int green, int blue)
{
    return kCubeLevel[red] + 6 * kCubeLevel[green] + 36 * kCubeLevel[blue];
}

// Fixed-palette entry of the grey step at or below a grey level: entry 215 is
// black and entries 216..246 the greys 8..248.
inline int GreyIndex(int level)
{
    return 215 + (level >> 3);
}

// The ordered modes: the matrix entry of each column, read as a signed
// offset, is added to all three channels before the nearest cube entry is
// taken. A column period dividing the vector kernel's block repeats within
// it, so the pattern starts afresh at the first pixel left over.
struct CubeOrderedRule {
    using Block = BlockDither;

    explicit CubeOrderedRule(const VyrBlitter& blitter) : colorMap(blitter.m_colorMap) {}

    int32_t Blocks(const uint8_t* row, uint8_t* dst, int32_t count, const Block& block) const
    {
        return ActiveKernels().rgb24.quantize(row, dst, count, colorMap, &block);
    }

    template <typename Source>
    uint8_t Quantize(const Source& source, int32_t i, MatrixRow& matrix) const
    {
        const Rgb color = source.Color(i);
        const int d = matrix.NextOffset();
        return colorMap[CubeIndex(ClampChannel(color.red + d), ClampChannel(color.green + d),
                                  ClampChannel(color.blue + d))];
    }

    const uint8_t* colorMap;
};

template <typename Mode>
class CubeQuantizer : public OrderedQuantizer<Mode, CubeOrderedRule> {
    using OrderedQuantizer<Mode, CubeOrderedRule>::OrderedQuantizer;
};

// No dither: the nearest cube entry.
template <>
class CubeQuantizer<NoDither> : public RowQuantizer {
public:
    explicit CubeQuantizer(const VyrBlitter& blitter) : m_blitter(blitter) {}

    template <typename Source>
    int32_t LeadingBlocks(const Source& source, uint8_t* dst, int32_t count) const
    {
        return Rgb24LeadingBlocks(source, [&](const uint8_t* row) {
            return ActiveKernels().rgb24.quantize(row, dst, count, m_blitter.m_colorMap, nullptr);
        });
    }

    template <typename Source>
    uint8_t Quantize(const Source& source, int32_t i) const
    {
        const Rgb color = source.Color(i);
        return m_blitter.m_colorMap[CubeIndex(color.red, color.green, color.blue)];
    }

private:
    const VyrBlitter& m_blitter;
};

// Error diffusion onto the cube. Each channel's adjusted value is
// (16 v + E[i] + 7 carry) >> 4, clamped, where 16 v + E[i] is known before
// the carry; one look-up per channel then gives the clamped value and its
// weighted cube level. The shown colour of every cube entry (the display
// palette entry that the colour map picks for it) is gathered once per row.
// That keeps the serial chain from one pixel's error to the next at: add,
// shift, look-up, sum, look-up, subtract, look-up (truncation and times 7).
namespace cube_steps {

// Truncated colour errors lie within +-252.
using Bounds = CarryBounds<252>;
constexpr int kLowestSum = (Bounds::kLowestBase - Bounds::kCarryReach) >> 4;
constexpr int kHighestSum = (Bounds::kHighestBase + Bounds::kCarryReach) >> 4;

struct Level {
    uint8_t value;     // the adjusted value, clamped to 0..255
    uint8_t red;       // its cube level as the red part of a cube entry
    uint8_t green;     // ... times 6 as the green part
    uint8_t blue;      // ... times 36 as the blue part
};

using Levels = std::array<Level, kHighestSum - kLowestSum + 1>;

constexpr Levels MakeLevels()
{
    Levels levels{};
    for (int sum = kLowestSum; sum <= kHighestSum; ++sum) {
        const int value = ClampChannel(sum);
        const int level = kCubeLevel[static_cast<size_t>(value)];
        levels[static_cast<size_t>(sum - kLowestSum)] = {static_cast<uint8_t>(value), static_cast<uint8_t>(level),
                                                         static_cast<uint8_t>(6 * level),
                                                         static_cast<uint8_t>(36 * level)};
    }
    return levels;
}

constexpr Levels kLevels = MakeLevels();

// A channel's base 16 v + E[i], clamped to the bounds, is indexed from
// 16 kLowestSum, so that with 7 carry added and divided by 16 it is a place
// in kLevels.
constexpr StepIndexing kIndexing = {Bounds::kLowestBase, Bounds::kHighestBase, 16 * kLowestSum};

inline size_t Index(int base)
{
    return static_cast<size_t>(Bounds::ClampBase(base) - kIndexing.lowestIndex);
}

// The level of a channel of base index `index` with 7 carry added.
// Pointer-wide arithmetic lets the table's offset ride in the load's
// address.
inline const Level& LevelOf(ptrdiff_t index, ptrdiff_t sevenCarry)
{
    return kLevels[static_cast<size_t>((index + sevenCarry) >> 4)];
}

// A channel's error against the shown colour, truncated, and 7 times it:
// one look-up on the serial chain instead of the truncation and the multiply.
struct Carry {
    int16_t error;
    int16_t sevenErrors;
};

using Carries = std::array<Carry, 2 * 255 + 1>;

constexpr Carries MakeCarries()
{
    Carries carries{};
    for (int difference = -255; difference <= 255; ++difference) {
        const int error = TruncateError(difference);
        carries[static_cast<size_t>(difference + 255)] = {static_cast<int16_t>(error), static_cast<int16_t>(7 * error)};
    }
    return carries;
}

constexpr Carries kCarries = MakeCarries();

inline const Carry& CarryOf(ptrdiff_t difference)
{
    return kCarries[static_cast<size_t>(difference + 255)];
}

}  // namespace cube_steps

// Error diffusion onto any display palette. The leading whole blocks of a
// 24-bit row go in runs: the step indices of a run by vectors, then its
// pixels stepped in parts side by side (StepInParts), then the spread of its
// errors by vectors; the pixels after them go one by one.
template <>
class CubeQuantizer<ErrorDiffusion> : public RowQuantizer {
public:
    explicit CubeQuantizer(const VyrBlitter& blitter) : m_colorMap(blitter.m_colorMap), m_errors(blitter.m_errorRow)
    {
        for (int entry = 0; entry < 216; ++entry) {
            const uint8_t* shown = blitter.m_systemPalette + 3 * m_colorMap[entry];
            m_shownColors[entry][0] = shown[0];
            m_shownColors[entry][1] = shown[1];
            m_shownColors[entry][2] = shown[2];
            m_shownColors[entry][3] = 0;
        }
    }

    template <typename Source>
    int32_t LeadingBlocks(const Source& source, uint8_t* dst, int32_t count)
    {
        return Rgb24LeadingBlocks(source, [&](const uint8_t* row) {
            const KernelSet& kernels = ActiveKernels();
            const int32_t blocks = count / kDitherBlockPixels * kDitherBlockPixels;
            uint16_t indices[3 * kDiffusionRunPixels];
            int16_t outcomes[3 * kDiffusionRunPixels];
            uint8_t cubes[kDiffusionRunPixels];
            for (int32_t first = 0; first < blocks; first += kDiffusionRunPixels) {
                const int32_t run = std::min(kDiffusionRunPixels, blocks - first);
                m_errors.RunStepIndices(kernels, row, first, run, cube_steps::kIndexing, indices);
                m_carries = StepInParts(RunChain{{indices, m_shownColors}, outcomes, cubes}, m_carries, run);
                m_errors.SpreadRun(kernels, outcomes, first, run);
                for (int32_t j = 0; j < run; ++j) {
                    dst[first + j] = m_colorMap[cubes[j]];
                }
            }
            return blocks;
        });
    }

    template <typename Source>
    uint8_t Quantize(const Source& source, int32_t i)
    {
        const Rgb color = source.Color(i);
        const uint16_t indices[3] = {Index(m_errors.red, color.red, i), Index(m_errors.green, color.green, i),
                                     Index(m_errors.blue, color.blue, i)};
        const Outcome outcome = Stepper{indices, m_shownColors}.Step(m_carries, 0);
        m_errors.red.Spread(outcome.red, i);
        m_errors.green.Spread(outcome.green, i);
        m_errors.blue.Spread(outcome.blue, i);
        return m_colorMap[outcome.cube];
    }

    void Finish() { m_errors.Finish(); }

private:
    // 7 times each channel's carry, as the next look-up wants it.
    struct Carries {
        ptrdiff_t red = 0;
        ptrdiff_t green = 0;
        ptrdiff_t blue = 0;
        bool operator==(const Carries&) const = default;
    };

    // A pixel's truncated errors and cube entry.
    struct Outcome {
        int red;
        int green;
        int blue;
        size_t cube;
    };

    // The step of pixel j from the step indices indices[3 j + c] of its
    // channels: the chain from one pixel's carries to the next is the
    // levels' look-ups, their sum, the shown colour's look-up, the
    // subtractions and the carries' look-ups.
    struct Stepper {
        const uint16_t* indices;
        const uint8_t (*shownColors)[4];

        Outcome Step(Carries& carries, int32_t j) const
        {
            const cube_steps::Level& red = cube_steps::LevelOf(indices[3 * j], carries.red);
            const cube_steps::Level& green = cube_steps::LevelOf(indices[3 * j + 1], carries.green);
            const cube_steps::Level& blue = cube_steps::LevelOf(indices[3 * j + 2], carries.blue);
            const size_t cube = size_t{red.red} + green.green + blue.blue;
            const uint8_t* shown = shownColors[cube];
            const cube_steps::Carry& nextRed = cube_steps::CarryOf(ptrdiff_t{red.value} - shown[0]);
            const cube_steps::Carry& nextGreen = cube_steps::CarryOf(ptrdiff_t{green.value} - shown[1]);
            const cube_steps::Carry& nextBlue = cube_steps::CarryOf(ptrdiff_t{blue.value} - shown[2]);
            carries = {nextRed.sevenErrors, nextGreen.sevenErrors, nextBlue.sevenErrors};
            return {nextRed.error, nextGreen.error, nextBlue.error, cube};
        }
    };

    // A run's chain for StepInParts: outcomes[3 j + c] receives 8 times
    // channel c's truncated error of pixel j, cubes[j] its cube entry.
    struct RunChain : Stepper {
        using Carry = Carries;
        using Outcome = CubeQuantizer::Outcome;

        int16_t* outcomes;
        uint8_t* cubes;

        void Record(int32_t j, const Outcome& outcome) const
        {
            outcomes[3 * j] = static_cast<int16_t>(8 * outcome.red);
            outcomes[3 * j + 1] = static_cast<int16_t>(8 * outcome.green);
            outcomes[3 * j + 2] = static_cast<int16_t>(8 * outcome.blue);
            cubes[j] = static_cast<uint8_t>(outcome.cube);
        }
        Outcome Recorded(int32_t j) const
        {
            return {outcomes[3 * j] >> 3, outcomes[3 * j + 1] >> 3, outcomes[3 * j + 2] >> 3, cubes[j]};
        }
        static bool SameError(const Outcome& a, const Outcome& b)
        {
            return a.red == b.red && a.green == b.green && a.blue == b.blue;
        }
    };

    static uint16_t Index(const ColorErrorChannel& channel, int value, int32_t i)
    {
        return static_cast<uint16_t>(cube_steps::Index(16 * value + channel.Incoming(i)));
    }

    const uint8_t* m_colorMap;
    // Four bytes per entry, so that an entry's address is a scaled index.
    uint8_t m_shownColors[216][4];
    ColorErrorRow m_errors;
    Carries m_carries;
};

// A cube channel quantized to its nearest level, shown as that level's value
// when the display shows every cube entry in the fixed palette's colour.
struct CubeLevelRule {
    static constexpr int kLargestError = 24;
    static constexpr int Code(int value) { return kCubeLevel[static_cast<size_t>(value)]; }
    static constexpr int Shown(int value) { return 255 - 51 * Code(value); }
};

// Error diffusion onto a display that shows every cube entry exactly, as it
// does once the fixed palette is realized: a channel's shown value then
// follows from its own level, so each channel's chain from one carry to the
// next is a single look-up and the three run side by side. The result is
// the general quantizer's, which reads the same shown colours from the
// display palette.
class ExactCubeQuantizer : public RowQuantizer {
public:
    explicit ExactCubeQuantizer(const VyrBlitter& blitter)
        : m_colorMap(blitter.m_colorMap), m_errors(blitter.m_errorRow)
    {
    }

    // Whether every cube entry is shown in the fixed palette's colour.
    static bool Serves(const VyrBlitter& blitter)
    {
        for (int entry = 0; entry < 216; ++entry) {
            const uint8_t* shown = blitter.m_systemPalette + 3 * blitter.m_colorMap[entry];
            const RGBQUAD& cube = kFixedPalette[static_cast<size_t>(entry)];
            if (shown[0] != cube.rgbRed || shown[1] != cube.rgbGreen || shown[2] != cube.rgbBlue) {
                return false;
            }
        }
        return true;
    }

    // The whole blocks of 16 at the start of a 24-bit row, in runs.
    template <typename Source>
    int32_t LeadingBlocks(const Source& source, uint8_t* dst, int32_t count)
    {
        return Rgb24LeadingBlocks(source, [&](const uint8_t* row) {
            return m_errors.QuantizeBlocks(row, count, [&](int32_t first, int32_t run, const int16_t* outcomes) {
                for (int32_t j = 0; j < run; ++j) {
                    uint64_t terms = 0;
                    std::memcpy(&terms, outcomes + 3 * j, sizeof terms);
                    dst[first + j] = Entry(terms);
                }
            });
        });
    }

    template <typename Source>
    uint8_t Quantize(const Source& source, int32_t i)
    {
        const Rgb color = source.Color(i);
        const int red = m_errors.red.Quantize(color.red, i);
        const int green = m_errors.green.Quantize(color.green, i);
        const int blue = m_errors.blue.Quantize(color.blue, i);
        return Entry(uint64_t{static_cast<uint16_t>(red)} | uint64_t{static_cast<uint16_t>(green)} << 16 |
                     uint64_t{static_cast<uint16_t>(blue)} << 32);
    }

    void Finish() { m_errors.Finish(); }

private:
    // The display index of the cube entry of a pixel's red, green and blue
    // outcomes, held in bits 0, 16 and 32 of `terms` as a run stores them
    // (bits 48 and up are ignored). A code is its outcome's low 3 bits; one
    // multiplication sums the three codes weighted into bits 32..47, no
    // partial sum below reaching them.
    uint8_t Entry(uint64_t terms) const
    {
        static_assert(std::endian::native == std::endian::little, "a run's terms are read as one word");
        constexpr uint64_t kCodes = 0x0000'0007'0007'0007;
        constexpr uint64_t kWeights = (uint64_t{1} << 32) | (uint64_t{6} << 16) | 36;
        return m_colorMap[((terms & kCodes) * kWeights >> 32) & 0xFFFF];
    }

    const uint8_t* m_colorMap;
    SteppedColorRow<CubeLevelRule> m_errors;
};

// The ordered modes on the grey ramp: its steps are eight levels apart, so
// the matrix is scaled down to match.
template <typename Mode>
class GreyRampQuantizer : public RowQuantizer {
public:
    explicit GreyRampQuantizer(const VyrBlitter& blitter)
        : m_colorMap(blitter.m_colorMap), m_matrix(Mode::Row(blitter))
    {
    }

    template <typename Source>
    uint8_t Quantize(const Source& source, int32_t i)
    {
        const int d = m_matrix.NextOffset() >> 3;
        return m_colorMap[GreyIndex(ClampChannel(source.Grey(i) + d))];
    }

private:
    const uint8_t* m_colorMap;
    MatrixRow m_matrix;
};

// No dither: the grey step at or below the level.
template <>
class GreyRampQuantizer<NoDither> : public RowQuantizer {
public:
    explicit GreyRampQuantizer(const VyrBlitter& blitter) : m_colorMap(blitter.m_colorMap) {}

    template <typename Source>
    uint8_t Quantize(const Source& source, int32_t i) const
    {
        return m_colorMap[GreyIndex(source.Grey(i))];
    }

private:
    const uint8_t* m_colorMap;
};

// Floyd-Steinberg against the grey the display shows for each step.
template <>
class GreyRampQuantizer<ErrorDiffusion> : public RowQuantizer {
public:
    explicit GreyRampQuantizer(const VyrBlitter& blitter)
        : m_colorMap(blitter.m_colorMap),
          m_systemPalette(blitter.m_systemPalette),
          m_errors(GreyErrorRow(blitter.m_errorRow))
    {
    }

    template <typename Source>
    uint8_t Quantize(const Source& source, int32_t i)
    {
        const int level = m_errors.Adjust(source.Grey(i), i);
        const uint8_t shownIndex = m_colorMap[GreyIndex(level)];
        m_errors.Record(level - m_systemPalette[3 * shownIndex], i);
        return shownIndex;
    }

    void Finish() { m_errors.Finish(); }

private:
    const uint8_t* m_colorMap;
    const uint8_t* m_systemPalette;
    GreyErrorChannel m_errors;
};

// Error diffusion takes the single-look-up chain where the display allows
// it, decided once per row.
template <typename Source>
void DiffuseToCube(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    if (ExactCubeQuantizer::Serves(*blitter)) {
        QuantizeRow<ExactCubeQuantizer, ByteRowWriter, Source>(blitter, src, dst, count);
    } else {
        QuantizeRow<CubeQuantizer<ErrorDiffusion>, ByteRowWriter, Source>(blitter, src, dst, count);
    }
}

// The families of colours reduced to the cube and of grey levels reduced to
// the grey ramp.
template <typename Mode, typename Source>
struct ToCube {
    static constexpr BlitterFn kConvert = &QuantizeRow<CubeQuantizer<Mode>, ByteRowWriter, Source>;
};
template <typename Source>
struct ToCube<ErrorDiffusion, Source> {
    static constexpr BlitterFn kConvert = &DiffuseToCube<Source>;
};
template <typename Mode, typename Source>
struct ToGreyRamp {
    static constexpr BlitterFn kConvert = &QuantizeRow<GreyRampQuantizer<Mode>, ByteRowWriter, Source>;
};

// A 1-bit row written as one of two display indices per pixel.
void WriteTwoIndices(const VyrBlitter& blitter, const uint8_t* src, uint8_t* dst, int32_t count,
                     uint8_t clearIndex, uint8_t setIndex)
{
    ForEachBit(src, blitter.m_srcBitOffset, count,
               [&](int32_t i, bool set) { dst[i] = set ? setIndex : clearIndex; });
}

}  // namespace

void Blit1To8Mapped(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    WriteTwoIndices(*blitter, src, dst, count, blitter->m_colorMap[0], blitter->m_colorMap[1]);
}

// A two-colour image is never dithered: each colour has one cube entry.
void Blit1To8(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const uint8_t* colors = blitter->m_imagePalette;
    const uint8_t clearIndex = blitter->m_colorMap[CubeIndex(colors[0], colors[1], colors[2])];
    const uint8_t setIndex = blitter->m_colorMap[CubeIndex(colors[3], colors[4], colors[5])];
    WriteTwoIndices(*blitter, src, dst, count, clearIndex, setIndex);
}

constexpr auto kPalette8Entries = Section(
    Part(Single<"Blit1To8Mapped">(Blit1To8Mapped, 8, 1, Variant::Mapped)),
    Part(Single<"Blit1To8">(Blit1To8, 8, 1, Variant::AnyMode)),
    Part(Single<"Blit4To8Mapped">(&TranslateIndices<Index4, ByteRowWriter>, 8, 4, Variant::Mapped)),
    ModeRow<"Blit4To8", ToCube, Palette4Source>(8, 4),
    ModeRow<"Blit4To8", ToGreyRamp, Palette4Source, "Gray">(8, 4),
    Part(MappingBytes(
        WritingOnlyItsRow(Single<"Blit8To8Mapped">(&TranslateIndices<Index8, ByteRowWriter>, 8, 8, Variant::Mapped)))),
    ModeRow<"Blit8To8", ToCube, Palette8Source>(8, 8),
    ModeRow<"Blit8To8", ToGreyRamp, Palette8Source, "Gray">(8, 8),
    WritingOnlyItsRow(ModeRow<"Blit24To8", ToCube, Rgb24Source>(8, 24)));

extern const std::span<const ConverterEntry> kPalette8Converters;
constinit const std::span<const ConverterEntry> kPalette8Converters = kPalette8Entries;

}  // namespace dibdraw
