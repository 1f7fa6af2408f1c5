// Converters for 16-colour displays: two palette indices per output byte, the
// first pixel in the high nibble. Colours are reduced to black and the seven
// full-intensity colours by judging each channel light or dark, after the
// dither mode has adjusted it; mapped sources translate their indices through
// the colour map instead.
#include <cstdint>

#include "convert/converter_table.h"
#include "convert/converters.h"
#include "convert/diffusion.h"
#include "convert/dither.h"
#include "convert/pixel_source.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

// Stores index (0..15) as pixel i of a packed 4-bit row. An even pixel writes
// its whole byte, so nothing of an earlier row survives in the low nibble,
// and exactly ceil(count / 2) bytes are touched.
inline void PutNibble(uint8_t* dst, int32_t i, unsigned index)
{
    uint8_t& pair = dst[i >> 1];
    if ((i & 1) == 0) {
        pair = static_cast<uint8_t>(index << 4);
    } else {
        pair = static_cast<uint8_t>(pair | index);
    }
}

inline unsigned VgaIndex(bool redLight, bool greenLight, bool blueLight)
{
    return kBrightVgaIndex[(redLight ? 4 : 0) | (greenLight ? 2 : 0) | (blueLight ? 1 : 0)];
}

// A channel judged light after the same signed offset is added to all three.
inline unsigned OffsetIndex(Rgb color, int offset)
{
    return VgaIndex(color.red + offset >= 128, color.green + offset >= 128, color.blue + offset >= 128);
}

// The dither modes on this display. Each is set up once per row from the
// blitter and then turns the colour of pixel i into a display index.

// The ordered modes: the matrix entry of each column, read as a signed
// offset, is added to all three channels before they are judged.
template <typename Mode>
class Vga16Quantizer {
public:
    explicit Vga16Quantizer(const VyrBlitter& blitter) : m_matrix(Mode::Row(blitter)) {}

    unsigned Index(Rgb color, int32_t) { return OffsetIndex(color, m_matrix.NextOffset()); }

private:
    MatrixRow m_matrix;
};

// No dither: a fixed threshold at 128, the top bit of each channel.
template <>
class Vga16Quantizer<NoDither> {
public:
    explicit Vga16Quantizer(const VyrBlitter&) {}

    unsigned Index(Rgb color, int32_t) const
    {
        return VgaIndex(color.red >= 128, color.green >= 128, color.blue >= 128);
    }
};

// Floyd-Steinberg on each channel separately.
template <>
class Vga16Quantizer<ErrorDiffusion> {
public:
    explicit Vga16Quantizer(const VyrBlitter& blitter)
        : m_red(reinterpret_cast<int16_t*>(blitter.m_errorRow)),
          m_green(reinterpret_cast<int16_t*>(blitter.m_errorRow) + 1),
          m_blue(reinterpret_cast<int16_t*>(blitter.m_errorRow) + 2)
    {
    }

    unsigned Index(Rgb color, int32_t i)
    {
        const bool redLight = m_red.Judge(color.red, i);
        const bool greenLight = m_green.Judge(color.green, i);
        const bool blueLight = m_blue.Judge(color.blue, i);
        return VgaIndex(redLight, greenLight, blueLight);
    }

    void Finish()
    {
        m_red.Finish();
        m_green.Finish();
        m_blue.Finish();
    }

private:
    LightDarkChannel<int16_t, 3> m_red;
    LightDarkChannel<int16_t, 3> m_green;
    LightDarkChannel<int16_t, 3> m_blue;
};

// Reduces a row of colours to the eight bright colours. Pixels are taken left
// to right, which error diffusion relies on.
template <typename Mode, typename Source>
void ConvertTo4(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Source source = Source::Open(*blitter, src);
    if (count <= 0) {
        return;
    }
    Vga16Quantizer<Mode> dither(*blitter);
    for (int32_t i = 0; i < count; ++i) {
        PutNibble(dst, i, dither.Index(source.Color(i), i));
    }
    if constexpr (requires { dither.Finish(); }) {
        dither.Finish();
    }
}

// Translates source indices through the colour map. Only the low nibble of an
// entry is stored, so a map entry above 15 cannot spill into the neighbouring
// pixel.
template <typename Indexed>
void MapTo4(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Indexed pixels = Indexed::Open(*blitter, src);
    for (int32_t i = 0; i < count; ++i) {
        PutNibble(dst, i, blitter->m_colorMap[pixels.Index(i)] & 0x0Fu);
    }
}

}  // namespace

constexpr BlitterFn Blit24To4Mode0 = &ConvertTo4<PeriodicDither, Rgb24Source>;
constexpr BlitterFn Blit24To4Mode1 = &ConvertTo4<NoDither, Rgb24Source>;
constexpr BlitterFn Blit24To4Mode2 = &ConvertTo4<ErrorDiffusion, Rgb24Source>;
constexpr BlitterFn Blit24To4Mode3 = &ConvertTo4<Fixed8x8Dither, Rgb24Source>;
constexpr BlitterFn Blit8To4Mode0 = &ConvertTo4<PeriodicDither, Palette8Source>;
constexpr BlitterFn Blit8To4Mode1 = &ConvertTo4<NoDither, Palette8Source>;
constexpr BlitterFn Blit8To4Mode2 = &ConvertTo4<ErrorDiffusion, Palette8Source>;
constexpr BlitterFn Blit8To4Mode3 = &ConvertTo4<Fixed8x8Dither, Palette8Source>;
constexpr BlitterFn Blit8To4Mapped = &MapTo4<Index8>;
constexpr BlitterFn Blit4To4Mode0 = &ConvertTo4<PeriodicDither, Palette4Source>;
constexpr BlitterFn Blit4To4Mode1 = &ConvertTo4<NoDither, Palette4Source>;
constexpr BlitterFn Blit4To4Mode2 = &ConvertTo4<ErrorDiffusion, Palette4Source>;
constexpr BlitterFn Blit4To4Mode3 = &ConvertTo4<Fixed8x8Dither, Palette4Source>;
constexpr BlitterFn Blit4To4Mapped = &MapTo4<Index4>;

// The two colours are reduced once per row, by the fixed threshold: a 1-bit
// source is never dithered.
void Blit1To4(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    static const uint8_t kBothColors[2] = {0, 1};
    const Palette8Source colors{{kBothColors}, blitter->m_imagePalette};
    const Vga16Quantizer<NoDither> threshold(*blitter);
    const unsigned indices[2] = {threshold.Index(colors.Color(0), 0), threshold.Index(colors.Color(1), 1)};
    ForEachBit(src, blitter->m_srcBitOffset, count,
               [&](int32_t i, bool set) { PutNibble(dst, i, indices[set ? 1 : 0]); });
}

extern const DisplayTable kVga16Table;
const DisplayTable kVga16Table = {
    "16-colour",
    {
        {.anyMode = DIBDRAW_CONVERTER(Blit1To4)},
        {
            .mapped = DIBDRAW_CONVERTER(Blit4To4Mapped),
            .byMode = {DIBDRAW_CONVERTER(Blit4To4Mode0), DIBDRAW_CONVERTER(Blit4To4Mode1),
                       DIBDRAW_CONVERTER(Blit4To4Mode2), DIBDRAW_CONVERTER(Blit4To4Mode3)},
        },
        {
            .mapped = DIBDRAW_CONVERTER(Blit8To4Mapped),
            .byMode = {DIBDRAW_CONVERTER(Blit8To4Mode0), DIBDRAW_CONVERTER(Blit8To4Mode1),
                       DIBDRAW_CONVERTER(Blit8To4Mode2), DIBDRAW_CONVERTER(Blit8To4Mode3)},
        },
        {
            .byMode = {DIBDRAW_CONVERTER(Blit24To4Mode0), DIBDRAW_CONVERTER(Blit24To4Mode1),
                       DIBDRAW_CONVERTER(Blit24To4Mode2), DIBDRAW_CONVERTER(Blit24To4Mode3)},
        },
    },
};

}  // namespace dibdraw
