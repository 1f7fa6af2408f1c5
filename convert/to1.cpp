// Converters for monochrome displays: eight pixels per byte, the first in the
// top bit, a set bit for a light pixel. Colour sources are reduced to their
// luminance and then thresholded, ordered-dithered or error-diffused; the
// three source depths of one dither mode share a core and differ only in how
// the luminance of pixel i is fetched. A 1-bit source is copied bit for bit.
#include <cstring>
#include <type_traits>

#include "convert/converter_table.h"
#include "convert/converters.h"
#include "convert/diffusion.h"
#include "convert/dither.h"
#include "convert/mono_sse2.h"
#include "convert/pixel_source.h"
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

// Packs light/dark decisions into output bytes, most significant bit first.
// A sentinel bit marks how many pixels the pending byte holds, so a full
// byte is detected by one test and every byte is written whole: no bit of
// an earlier row survives in it.
class MonoRowWriter {
public:
    explicit MonoRowWriter(uint8_t* dst) : m_next(dst) {}

    void Put(bool light)
    {
        m_bits = (m_bits << 1) | (light ? 1u : 0u);
        if ((m_bits & 0x100) != 0) {
            *m_next++ = static_cast<uint8_t>(m_bits);
            m_bits = 1;
        }
    }

    // Writes a partly filled last byte, its unused low bits clear.
    void Finish()
    {
        if (m_bits == 1) {
            return;
        }
        while ((m_bits & 0x100) == 0) {
            m_bits <<= 1;
        }
        *m_next = static_cast<uint8_t>(m_bits);
    }

private:
    uint8_t* m_next;
    unsigned m_bits = 1;
};

template <typename IsLight>
inline void PackRow(uint8_t* dst, int32_t count, IsLight&& isLight)
{
    MonoRowWriter writer(dst);
    for (int32_t i = 0; i < count; ++i) {
        writer.Put(isLight(i));
    }
    writer.Finish();
}

// Converts the leading whole blocks of a 24-bit row with the vector kernel,
// a pixel light when its luminance exceeds limits[i mod 8], and returns how
// many pixels that was; a whole number of bytes, so the rest of the row
// starts on a byte. Other sources convert nothing here.
template <typename Source>
int32_t ThresholdLeadingBlocks(Source source, uint8_t* dst, int32_t count, const uint8_t* limits)
{
    if constexpr (std::is_same_v<Source, Rgb24Source>) {
        return ThresholdRgb24Blocks(source.row, dst, count, limits);
    } else {
        return 0;
    }
}

// Light where the luminance exceeds the limit of the column mod 8: the
// leading blocks through the kernel, the rest pixel by pixel.
template <typename Source>
void ConvertAgainstLimits(Source source, uint8_t* dst, int32_t count, const uint8_t* limits)
{
    const int32_t done = ThresholdLeadingBlocks(source, dst, count, limits);
    PackRow(dst + done / 8, count - done,
            [&](int32_t i) { return Luminance(source, done + i) > limits[(done + i) & 7]; });
}

// Modes 0 and 3: ordered dither. A column period dividing 8 gives eight
// limits that repeat along the row; any other is walked pixel by pixel.
template <typename Mode, typename Source>
void ConvertOrdered(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Source source = Source::Open(*blitter, src);
    MatrixRow matrix = Mode::Row(*blitter);
    const int32_t columns = matrix.Columns();
    if (columns != 0 && 8 % columns == 0) {
        uint8_t limits[8];
        for (uint8_t& limit : limits) {
            limit = matrix.NextEntry();
        }
        ConvertAgainstLimits(source, dst, count, limits);
        return;
    }
    PackRow(dst, count, [&](int32_t i) { return Luminance(source, i) > matrix.NextEntry(); });
}

// Mode 1: a fixed threshold, no dither: light from 128 up.
template <typename Source>
void ConvertThreshold(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Source source = Source::Open(*blitter, src);
    static constexpr uint8_t kLimits[8] = {127, 127, 127, 127, 127, 127, 127, 127};
    ConvertAgainstLimits(source, dst, count, kLimits);
}

// Mode 2: Floyd-Steinberg error diffusion of the luminance.
template <typename Source>
void ConvertDiffused(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Source source = Source::Open(*blitter, src);
    if (count <= 0) {
        return;
    }
    LightDarkChannel<int32_t, 1> errors(reinterpret_cast<int32_t*>(blitter->m_errorRow));
    PackRow(dst, count, [&](int32_t i) { return errors.Judge(Luminance(source, i), i); });
    errors.Finish();
}

}  // namespace

constexpr BlitterFn Blit24To1Mode0 = &ConvertOrdered<PeriodicDither, Rgb24Source>;
constexpr BlitterFn Blit24To1Mode1 = &ConvertThreshold<Rgb24Source>;
constexpr BlitterFn Blit24To1Mode2 = &ConvertDiffused<Rgb24Source>;
constexpr BlitterFn Blit24To1Mode3 = &ConvertOrdered<Fixed8x8Dither, Rgb24Source>;
constexpr BlitterFn Blit8To1Mode0 = &ConvertOrdered<PeriodicDither, Palette8Source>;
constexpr BlitterFn Blit8To1Mode1 = &ConvertThreshold<Palette8Source>;
constexpr BlitterFn Blit8To1Mode2 = &ConvertDiffused<Palette8Source>;
constexpr BlitterFn Blit8To1Mode3 = &ConvertOrdered<Fixed8x8Dither, Palette8Source>;
constexpr BlitterFn Blit4To1Mode0 = &ConvertOrdered<PeriodicDither, Palette4Source>;
constexpr BlitterFn Blit4To1Mode1 = &ConvertThreshold<Palette4Source>;
constexpr BlitterFn Blit4To1Mode2 = &ConvertDiffused<Palette4Source>;
constexpr BlitterFn Blit4To1Mode3 = &ConvertOrdered<Fixed8x8Dither, Palette4Source>;

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

extern const DisplayTable kMonoTable;
const DisplayTable kMonoTable = {
    "monochrome",
    {
        {.anyMode = DIBDRAW_CONVERTER(Blit1To1)},
        {.byMode = {DIBDRAW_CONVERTER(Blit4To1Mode0), DIBDRAW_CONVERTER(Blit4To1Mode1),
                    DIBDRAW_CONVERTER(Blit4To1Mode2), DIBDRAW_CONVERTER(Blit4To1Mode3)}},
        {.byMode = {DIBDRAW_CONVERTER(Blit8To1Mode0), DIBDRAW_CONVERTER(Blit8To1Mode1),
                    DIBDRAW_CONVERTER(Blit8To1Mode2), DIBDRAW_CONVERTER(Blit8To1Mode3)}},
        {.byMode = {DIBDRAW_CONVERTER(Blit24To1Mode0), DIBDRAW_CONVERTER(Blit24To1Mode1),
                    DIBDRAW_CONVERTER(Blit24To1Mode2), DIBDRAW_CONVERTER(Blit24To1Mode3)}},
    },
};

}  // namespace dibdraw
