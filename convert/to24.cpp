// Converters for true-colour displays: every source pixel becomes one 3-byte
// pixel, blue-green-red, or red-green-blue for displays whose 24-bit DIBs are
// swapped. Nothing is quantized.
#include "convert/converters.h"
#include "convert/kernels.h"
#include "convert/pixel_source.h"
#include "convert/registry.h"

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
    ActiveKernels().copyBytes(src, dst, 3 * count);
}

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

// A 1-bit source has no swapped twin: its two colours are pixels the display
// itself gave.
constexpr auto kTrueColorEntries = Section(
    Part(Single<"Blit1To24">(Blit1To24, 24, 1, Variant::AnyMode)),
    Part(Single<"Blit4To24">(&ConvertTo24<ByteOrder::BlueGreenRed, Palette4Source>, 24, 4, Variant::AnyMode)),
    Part(WritingOnlyItsRow(Single<"Blit8To24">(&ConvertTo24<ByteOrder::BlueGreenRed, Palette8Source>, 24, 8,
                                               Variant::AnyMode))),
    Part(WritingOnlyItsRow(Single<"Blit24To24">(Blit24To24, 24, 24, Variant::AnyMode))),
    Part(Single<"Blit1To24">(Blit1To24, 24, 1, Variant::AnyMode, true)),
    Part(Single<"Blit4To24Swap">(&ConvertTo24<ByteOrder::RedGreenBlue, Palette4Source>, 24, 4, Variant::AnyMode, true)),
    Part(WritingOnlyItsRow(Single<"Blit8To24Swap">(&ConvertTo24<ByteOrder::RedGreenBlue, Palette8Source>, 24, 8,
                                                   Variant::AnyMode, true))),
    Part(WritingOnlyItsRow(Single<"Blit24To24Swap">(&ConvertTo24<ByteOrder::RedGreenBlue, Rgb24Source>, 24, 24,
                                                    Variant::AnyMode, true))));

extern const std::span<const ConverterEntry> kTrueColorConverters;
constinit const std::span<const ConverterEntry> kTrueColorConverters = kTrueColorEntries;

}  // namespace dibdraw
