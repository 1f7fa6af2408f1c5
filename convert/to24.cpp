// Converters for true-colour displays: every source pixel becomes one 3-byte
// pixel, blue-green-red, or red-green-blue for displays whose 24-bit DIBs are
// swapped. Nothing is quantized.
#include <cstring>

#include "convert/converter_table.h"
#include "convert/converters.h"
#include "convert/pixel_source.h"

namespace dibdraw {

namespace {

enum class ByteOrder { BlueGreenRed, RedGreenBlue };

template <ByteOrder Order>
inline void StoreRgb(uint8_t* pixel, Rgb color)
{
    if constexpr (Order == ByteOrder::BlueGreenRed) {
        pixel[0] = static_cast<uint8_t>(color.blue);
        pixel[1] = static_cast<uint8_t>(color.green);
        pixel[2] = static_cast<uint8_t>(color.red);
    } else {
        pixel[0] = static_cast<uint8_t>(color.red);
        pixel[1] = static_cast<uint8_t>(color.green);
        pixel[2] = static_cast<uint8_t>(color.blue);
    }
}

template <ByteOrder Order, typename Source>
void ConvertTo24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const Source source = Source::Open(*blitter, src);
    for (int32_t i = 0; i < count; ++i) {
        StoreRgb<Order>(dst + 3 * i, source.Color(i));
    }
}

}  // namespace

void Blit24To24(VyrBlitter*, const uint8_t* src, uint8_t* dst, int32_t count)
{
    if (count > 0) {
        std::memcpy(dst, src, 3 * static_cast<size_t>(count));
    }
}

constexpr BlitterFn Blit24To24Swap = &ConvertTo24<ByteOrder::RedGreenBlue, Rgb24Source>;
constexpr BlitterFn Blit8To24 = &ConvertTo24<ByteOrder::BlueGreenRed, Palette8Source>;
constexpr BlitterFn Blit8To24Swap = &ConvertTo24<ByteOrder::RedGreenBlue, Palette8Source>;
constexpr BlitterFn Blit4To24 = &ConvertTo24<ByteOrder::BlueGreenRed, Palette4Source>;
constexpr BlitterFn Blit4To24Swap = &ConvertTo24<ByteOrder::RedGreenBlue, Palette4Source>;

// The two colours are pixels read back from the display, already in its order.
void Blit1To24(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    const uint32_t colors[2] = {blitter->m_monoColor0, blitter->m_monoColor1};
    ForEachBit(src, blitter->m_srcBitOffset, count, [&](int32_t i, bool set) {
        const uint32_t color = colors[set ? 1 : 0];
        uint8_t* pixel = dst + 3 * i;
        pixel[0] = static_cast<uint8_t>(color);
        pixel[1] = static_cast<uint8_t>(color >> 8);
        pixel[2] = static_cast<uint8_t>(color >> 16);
    });
}

extern const DisplayTable kTrueColorTable;
const DisplayTable kTrueColorTable = {
    "true colour",
    {
        {.anyMode = DIBDRAW_CONVERTER(Blit1To24)},
        {.anyMode = DIBDRAW_CONVERTER(Blit4To24)},
        {.anyMode = DIBDRAW_CONVERTER(Blit8To24)},
        {.anyMode = DIBDRAW_CONVERTER(Blit24To24)},
    },
};

extern const DisplayTable kTrueColorSwappedTable;
const DisplayTable kTrueColorSwappedTable = {
    "true colour, swapped",
    {
        {.anyMode = DIBDRAW_CONVERTER(Blit1To24)},
        {.anyMode = DIBDRAW_CONVERTER(Blit4To24Swap)},
        {.anyMode = DIBDRAW_CONVERTER(Blit8To24Swap)},
        {.anyMode = DIBDRAW_CONVERTER(Blit24To24Swap)},
    },
};

}  // namespace dibdraw
