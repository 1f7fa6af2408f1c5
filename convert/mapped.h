// The mapped converters: source indices translated through the colour map,
// as the palette tracking built it for the image's own colours.
#pragma once

#include <cstdint>
#include <type_traits>

#include "convert/kernels.h"
#include "convert/pixel_source.h"
#include "convert/row_writers.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// Source indices translated into output packed by `Writer`; `Indexed` yields
// Index(i). A byte to a byte is the kernels' byte map.
template <typename Indexed, typename Writer>
void TranslateIndices(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    if constexpr (std::is_same_v<Indexed, Index8> && std::is_same_v<Writer, ByteRowWriter>) {
        ActiveKernels().mapBytes(src, dst, count, blitter->m_colorMap);
    } else {
        const Indexed pixels = Indexed::Open(*blitter, src);
        Writer writer(dst);
        for (int32_t i = 0; i < count; ++i) {
            writer.Put(Writer::Fit(blitter->m_colorMap[pixels.Index(i)]));
        }
        writer.Finish();
    }
}

}  // namespace dibdraw
