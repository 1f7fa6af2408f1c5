// Converters for 16-colour displays: two palette indices per output byte, the
// first pixel in the high nibble. Colours are reduced to black and the seven
// full-intensity colours by judging each channel light or dark, after the
// dither mode has adjusted it; mapped sources translate their indices through
// the colour map instead.
#include <cstdint>

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

inline unsigned VgaIndex(bool redLight, bool greenLight, bool blueLight)
{
    return kBrightVgaIndex[(redLight ? 4 : 0) | (greenLight ? 2 : 0) | (blueLight ? 1 : 0)];
}

// A channel judged light after the same signed offset is added to all three.
inline unsigned OffsetIndex(Rgb color, int offset)
{
    return VgaIndex(color.red + offset >= 128, color.green + offset >= 128, color.blue + offset >= 128);
}

// The ordered modes: the matrix entry of each column, read as a signed
// offset, is added to all three channels before they are judged. A column
// period dividing the vector kernel's block repeats within it.
struct Vga16OrderedRule {
    using Block = BlockDither;

    explicit Vga16OrderedRule(const VyrBlitter&) {}

    static int32_t Blocks(const uint8_t* row, uint8_t* dst, int32_t count, const Block& block)
    {
        return ActiveKernels().rgb24.judge(row, dst, count, &block);
    }

    template <typename Source>
    static unsigned Quantize(const Source& source, int32_t i, MatrixRow& matrix)
    {
        return OffsetIndex(source.Color(i), matrix.NextOffset());
    }
};

template <typename Mode>
class Vga16Quantizer : public OrderedQuantizer<Mode, Vga16OrderedRule> {
    using OrderedQuantizer<Mode, Vga16OrderedRule>::OrderedQuantizer;
};

// No dither: a fixed threshold at 128, the top bit of each channel.
template <>
class Vga16Quantizer<NoDither> : public RowQuantizer {
public:
    explicit Vga16Quantizer(const VyrBlitter&) {}

    template <typename Source>
    static int32_t LeadingBlocks(const Source& source, uint8_t* dst, int32_t count)
    {
        return Rgb24LeadingBlocks(
            source, [&](const uint8_t* row) { return ActiveKernels().rgb24.judge(row, dst, count, nullptr); });
    }

    template <typename Source>
    unsigned Quantize(const Source& source, int32_t i) const
    {
        const Rgb color = source.Color(i);
        return VgaIndex(color.red >= 128, color.green >= 128, color.blue >= 128);
    }
};

// Floyd-Steinberg on each channel separately.
template <>
class Vga16Quantizer<ErrorDiffusion> : public RowQuantizer {
public:
    explicit Vga16Quantizer(const VyrBlitter& blitter) : m_errors(blitter.m_errorRow) {}

    // The whole blocks of 16 at the start of a 24-bit row, in runs: whole
    // bytes of two pixels each.
    template <typename Source>
    int32_t LeadingBlocks(const Source& source, uint8_t* dst, int32_t count)
    {
        return Rgb24LeadingBlocks(source, [&](const uint8_t* row) {
            return m_errors.QuantizeBlocks(row, count, [&](int32_t first, int32_t run, const int16_t* outcomes) {
                auto index = [&](int32_t j) {
                    const int16_t* pixel = outcomes + 3 * j;
                    return VgaIndex((pixel[0] & 1) != 0, (pixel[1] & 1) != 0, (pixel[2] & 1) != 0);
                };
                for (int32_t j = 0; j < run; j += 2) {
                    dst[(first + j) / 2] = static_cast<uint8_t>(index(j) << 4 | index(j + 1));
                }
            });
        });
    }

    template <typename Source>
    unsigned Quantize(const Source& source, int32_t i)
    {
        const Rgb color = source.Color(i);
        const bool redLight = m_errors.red.Quantize(color.red, i) != 0;
        const bool greenLight = m_errors.green.Quantize(color.green, i) != 0;
        const bool blueLight = m_errors.blue.Quantize(color.blue, i) != 0;
        return VgaIndex(redLight, greenLight, blueLight);
    }

    void Finish() { m_errors.Finish(); }

private:
    SteppedColorRow<LightDarkRule> m_errors;
};

// The family of colours reduced to the eight bright colours.
template <typename Mode, typename Source>
struct ToBright {
    static constexpr BlitterFn kConvert = &QuantizeRow<Vga16Quantizer<Mode>, NibbleRowWriter, Source>;
};

}  // namespace

// The two colours are reduced once per row, by the fixed threshold: a 1-bit
// source is never dithered.
void Blit1To4(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    static const uint8_t kBothColors[2] = {0, 1};
    const Palette8Source colors{{kBothColors}, blitter->m_imagePalette};
    const Vga16Quantizer<NoDither> threshold(*blitter);
    const unsigned indices[2] = {threshold.Quantize(colors, 0), threshold.Quantize(colors, 1)};
    NibbleRowWriter writer(dst);
    ForEachBit(src, blitter->m_srcBitOffset, count, [&](int32_t, bool set) { writer.Put(indices[set ? 1 : 0]); });
}

constexpr auto kVga16Entries = Section(
    Part(Single<"Blit1To4">(Blit1To4, 4, 1, Variant::AnyMode)),
    Part(Single<"Blit4To4Mapped">(&TranslateIndices<Index4, NibbleRowWriter>, 4, 4, Variant::Mapped)),
    ModeRow<"Blit4To4", ToBright, Palette4Source>(4, 4),
    Part(Single<"Blit8To4Mapped">(&TranslateIndices<Index8, NibbleRowWriter>, 4, 8, Variant::Mapped)),
    ModeRow<"Blit8To4", ToBright, Palette8Source>(4, 8),
    ModeRow<"Blit24To4", ToBright, Rgb24Source>(4, 24));

extern const std::span<const ConverterEntry> kVga16Converters;
constinit const std::span<const ConverterEntry> kVga16Converters = kVga16Entries;

}  // namespace dibdraw
