// The decoders of the virtual display's StretchDIBits: each turns pixels of
// one DIB row into device pixels of one kind of display, chosen once per
// call.
#pragma once

#include <cstdint>

#include "display_state.h"

namespace vd::detail {

struct Decoder {
    const uint32_t* table = nullptr;  // indexed sources: device pixel per entry
    const uint8_t* tableBytes = nullptr;  // the same as bytes, where they fit
    // 8-bit rows onto byte pixels: every two indices' pixels, where the
    // decoder has no byte shuffle and they pay (PixelPairsOf); null for none.
    const uint16_t* pixelPairs = nullptr;
    ColorMatcher* matcher = nullptr;  // true-colour sources on colour-table kinds
    Vectors vectors = Vectors::Sse2;  // the widest the decoder may use
    // Rows go straight to a surface larger than a cache keeps: the vector
    // loops store past the cache where the row allows it.
    bool streaming = false;
};

// Decodes `count` pixels of a DIB row from pixel `first` on into device
// pixels of a surface that stores them as `Pixel` (surfaces of byte pixels
// take uint8_t, and every device pixel of their kinds fits a byte).
template <typename Pixel>
using DecodeFn = void (*)(const Decoder& decoder, const uint8_t* row, int first, int count, Pixel* out);

// The widest vectors of those up to `widest` that this processor has.
Vectors UsableVectors(Vectors widest);

// The decoder of a 1-, 4- or 8-bit DIB's rows through its translated
// colour table, with vectors up to `vectors`.
template <typename Pixel>
DecodeFn<Pixel> IndexedDecoder(int bitCount, const ColorTableTranslation& translation, Vectors vectors);

// The decoder of a 16-, 24- or 32-bit DIB's rows onto a display of `kind`;
// `swapped` reads 24-bit pixels as red, green, blue.
template <typename Pixel>
DecodeFn<Pixel> TrueColorDecoder(int bitCount, bool swapped, Kind kind);

}  // namespace vd::detail
