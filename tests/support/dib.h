// Packed DIBs for the tests (the project's one builder), and the colours a
// direct-colour virtual display shows.
#pragma once

#include <cstdint>

#include "common/packed_dib.h"
#include "dibplatform.h"
#include "support/test_support.h"

namespace testsupport {

using Dib = dibkit::PackedDib;

// A random image of at least `minSize` pixels each way whose colours
// sometimes come from a grey table, so that the grey variants are drawn too.
inline Dib RandomImage(Random& random, int bits, int minSize = 1)
{
    const int width = random.Between(minSize, 36), height = random.Between(minSize, 24);
    Dib dib(width, height, bits);
    dib.Randomize(random);
    if (bits <= 8 && random.Between(0, 2) == 0) {
        for (int i = 0; i < (1 << bits); ++i) {
            const uint8_t grey = random.Byte();
            dib.SetColor(i, grey, grey, grey);
        }
    }
    return dib;
}

inline uint32_t ToRgb(COLORREF color)
{
    return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

// A channel kept to its top `bits` bits and widened again by repeating them,
// as a display of that many bits per channel shows it.
inline uint32_t KeepTopBits(uint32_t channel, int bits)
{
    const uint32_t kept = channel >> (8 - bits);
    uint32_t widened = 0;
    for (int shift = 8 - bits; shift > -bits; shift -= bits) {
        widened |= shift >= 0 ? kept << shift : kept >> -shift;
    }
    return widened & 0xFF;
}

// The colour (0xRRGGBB) a direct-colour screen of the current kind shows for
// a colour; palette kinds are not covered.
inline uint32_t DeviceRendition(uint32_t rgb)
{
    int redBits = 8, greenBits = 8, blueBits = 8;
    switch (vd::CurrentConfig().kind) {
    case vd::Kind::Rgb565:
        redBits = 5, greenBits = 6, blueBits = 5;
        break;
    case vd::Kind::Rgb332:
        redBits = 3, greenBits = 3, blueBits = 2;
        break;
    default:
        return rgb;
    }
    return (KeepTopBits(rgb >> 16, redBits) << 16) | (KeepTopBits((rgb >> 8) & 0xFF, greenBits) << 8) |
           KeepTopBits(rgb & 0xFF, blueBits);
}

}  // namespace testsupport
