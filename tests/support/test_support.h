// Shared helpers of the library tests: seeded randomness, guarded buffers,
// virtual display set-up and leak accounting.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "dibdraw32/VyrBlitter.h"
#include "memkit40.h"
#include "support/display_kinds.h"
#include "support/guarded_buffer.h"
#include "support/leak_check.h"
#include "support/random.h"
#include "vdisplay/vdisplay.h"

namespace testsupport {

// Bytes of a source row that hold `count` pixels of `bits` bits each; a 1-bit
// row's first pixel stands at bit `bitOffset` of its first byte.
inline size_t SourceRowBytes(int bits, int count, int bitOffset = 0)
{
    if (count <= 0) {
        return 0;
    }
    const size_t skipped = bits == 1 ? static_cast<size_t>(bitOffset) : 0;
    return (skipped + static_cast<size_t>(bits) * static_cast<size_t>(count) + 7) / 8;
}

// "" when a converted row of `bitsPerPixel`-bit pixels (1, 4, 8, 24) holds
// the expected bytes; otherwise the first byte that differs and the pixel
// it belongs to (the leftmost pixel of a byte is in its high bits).
inline std::string FirstDifference(const uint8_t* actual, const std::vector<uint8_t>& expected, int bitsPerPixel)
{
    for (size_t b = 0; b < expected.size(); ++b) {
        if (actual[b] == expected[b]) {
            continue;
        }
        std::ostringstream text;
        text << "first difference at byte " << b;
        if (bitsPerPixel >= 8) {
            const size_t bytesPerPixel = static_cast<size_t>(bitsPerPixel / 8);
            text << " (pixel " << b / bytesPerPixel << ", byte " << b % bytesPerPixel << ")";
        } else {
            const unsigned differing = actual[b] ^ expected[b];
            const unsigned mask = (1u << bitsPerPixel) - 1;
            int k = 0;
            while (((differing >> (8 - bitsPerPixel * (k + 1))) & mask) == 0) {
                ++k;
            }
            text << " (pixel " << b * static_cast<size_t>(8 / bitsPerPixel) + static_cast<size_t>(k) << ")";
        }
        text << ": got 0x" << std::hex << int(actual[b]) << ", expected 0x" << int(expected[b]);
        return text.str();
    }
    return {};
}

// The screen's device context for the duration of one expression or scope.
class ScreenDc {
public:
    ScreenDc() : m_dc(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, m_dc); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// The display's system palette as GDI reports it.
inline std::vector<PALETTEENTRY> SystemPaletteEntries()
{
    std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
    GetSystemPaletteEntries(ScreenDc(), 0, 256, entries.data());
    return entries;
}

// The same as red, green, blue triples, the order the library keeps colours in.
inline std::vector<std::array<uint8_t, 3>> SystemPaletteTriples()
{
    std::vector<std::array<uint8_t, 3>> triples;
    for (const PALETTEENTRY& e : SystemPaletteEntries()) {
        triples.push_back({e.peRed, e.peGreen, e.peBlue});
    }
    return triples;
}

}  // namespace testsupport
