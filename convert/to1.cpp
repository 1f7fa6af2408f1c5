// Converters for monochrome displays: eight pixels per byte, the first in the
// top bit, a set bit for a light pixel. Colour sources are reduced to their
// luminance and then thresholded, ordered-dithered or error-diffused; the
// three source depths of one dither mode share a core and differ only in how
// the luminance of pixel i is fetched. A 1-bit source is copied bit for bit.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "convert/converters.h"
#include "convert/diffusion.h"
#include "convert/dither.h"
#include "convert/kernels.h"
#include "convert/pixel_source.h"
#include "convert/registry.h"
#include "convert/row_writers.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

// Grey level 0..255 of pixel i; the three weights add up to at most 255.
template <typename Source>
inline int Luminance(const Source& source, int32_t i)
{
    const Rgb color = source.Color(i);
    return kLumaRed[color.red] + kLumaGreen[color.green] + kLumaBlue[color.blue];
}

// The ordered modes: light where the luminance exceeds the matrix entry of
// the column. A column period dividing 8 gives eight limits that repeat
// along the row, which the vector kernel takes.
struct MonoOrderedRule {
    using Block = uint8_t[8];

    explicit MonoOrderedRule(const VyrBlitter&) {}

    static int32_t Blocks(const uint8_t* row, uint8_t* dst, int32_t count, const Block& limits)
    {
        return ActiveKernels().rgb24.threshold(row, dst, count, limits);
    }

    template <typename Source>
    static bool Quantize(const Source& source, int32_t i, MatrixRow& matrix)
    {
        return Luminance(source, i) > matrix.NextEntry();
    }
};

template <typename Mode>
class MonoQuantizer : public OrderedQuantizer<Mode, MonoOrderedRule> {
    using OrderedQuantizer<Mode, MonoOrderedRule>::OrderedQuantizer;
};

// No dither: light from 128 up, that is above a limit of 127 in every
// column, which the ordered quantizer takes as a matrix of one entry.
struct MidGreyLimit {
    static MatrixRow Row(const VyrBlitter&)
    {
        static constexpr uint8_t kLimit = 127;
        return MatrixRow::Constant(&kLimit);
    }
};

template <>
class MonoQuantizer<NoDither> : public OrderedQuantizer<MidGreyLimit, MonoOrderedRule> {
    using OrderedQuantizer<MidGreyLimit, MonoOrderedRule>::OrderedQuantizer;
};

// How many leading pixels of a row the vector kernels take, and the
// luminance of a run of them: by the kernel for 24-bit rows, pixel by pixel
// for the others.
template <typename Source>
int32_t LuminanceBlockPixels(const Source&, int32_t count)
{
    if constexpr (std::is_same_v<Source, Rgb24Source>) {
        return Rgb24BlockPixels(count);
    } else {
        return count / kMonoBlockPixels * kMonoBlockPixels;
    }
}

template <typename Source>
void RunLuminance(const KernelSet& kernels, const Source& source, int32_t first, int32_t count,
                  int16_t* luminance)
{
    if constexpr (std::is_same_v<Source, Rgb24Source>) {
        kernels.rgb24.luminance(source.row + 3 * first, luminance, count);
    } else {
        for (int32_t j = 0; j < count; ++j) {
            luminance[j] = static_cast<int16_t>(Luminance(source, first + j));
        }
    }
}

// Floyd-Steinberg error diffusion of the luminance. The leading whole blocks
// of a row go in runs: the luminance of a run by vectors, then its chains of
// steps, then its codes packed by vectors; the pixels after them go one by
// one.
template <>
class MonoQuantizer<ErrorDiffusion> : public RowQuantizer {
public:
    explicit MonoQuantizer(const VyrBlitter& blitter) : m_errors(reinterpret_cast<int32_t*>(blitter.m_errorRow)) {}

    template <typename Source>
    int32_t LeadingBlocks(const Source& source, uint8_t* dst, int32_t count)
    {
        const KernelSet& kernels = ActiveKernels();
        const int32_t blocks = LuminanceBlockPixels(source, count);
        int16_t luminance[kDiffusionRunPixels];
        int16_t outcomes[kDiffusionRunPixels];
        for (int32_t first = 0; first < blocks; first += kDiffusionRunPixels) {
            const int32_t run = std::min(kDiffusionRunPixels, blocks - first);
            RunLuminance(kernels, source, first, run, luminance);
            m_errors.QuantizeRun(kernels, luminance, first, run, outcomes);
            kernels.diffusion.packLightCodes(outcomes, dst + first / MonoRowWriter::kPixelsPerByte, run);
        }
        return blocks;
    }

    // The light-dark code itself: 1 for light.
    template <typename Source>
    unsigned Quantize(const Source& source, int32_t i)
    {
        return static_cast<unsigned>(m_errors.Quantize(Luminance(source, i), i));
    }

    void Finish() { m_errors.Finish(); }

private:
    SteppedChannel<LightDarkRule, int32_t, 1> m_errors;
};

// The family of colours reduced to light and dark.
template <typename Mode, typename Source>
struct ToMono {
    static constexpr BlitterFn kConvert = &QuantizeRow<MonoQuantizer<Mode>, MonoRowWriter, Source>;
};

}  // namespace

// Writes the row rounded up to whole 16-bit words, as the band rows are laid
// out. The display's colour 1 is light; when the image's colour 1 has no red
// it is taken for the dark one and the copied bits are inverted.
void Blit1To1(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    if (count <= 0) {
        return;
    }
    const int32_t length = ((count + 15) >> 3) & ~1;
    if ((blitter->m_srcBitOffset & 7) == 0) {
        std::memcpy(dst, src, static_cast<size_t>(length));
    } else {
        MonoRowWriter writer(dst);
        ForEachBit(src, blitter->m_srcBitOffset, count, [&](int32_t, bool set) { writer.Put(set); });
        writer.Finish();
    }
    if (blitter->m_imagePalette[3] == 0) {
        for (int32_t i = 0; i < length; ++i) {
            dst[i] = static_cast<uint8_t>(~dst[i]);
        }
    }
}

constexpr auto kMonoEntries = Section(Part(Single<"Blit1To1">(Blit1To1, 1, 1, Variant::AnyMode)),
                                       ModeRow<"Blit4To1", ToMono, Palette4Source>(1, 4),
                                       ModeRow<"Blit8To1", ToMono, Palette8Source>(1, 8),
                                       WritingOnlyItsRow(ModeRow<"Blit24To1", ToMono, Rgb24Source>(1, 24)));

extern const std::span<const ConverterEntry> kMonoConverters;
constinit const std::span<const ConverterEntry> kMonoConverters = kMonoEntries;

}  // namespace dibdraw
