// Ternary raster operations on device pixel values.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "display_state.h"

namespace vd::detail {

namespace {

constexpr uint8_t Rop3(DWORD rop) { return static_cast<uint8_t>(rop >> 16); }

// The operation's truth table, indexed by pattern << 2 | source << 1 | dest,
// applied to every bit at once.
uint32_t ApplyRop3(uint8_t code, uint32_t pattern, uint32_t source, uint32_t dest)
{
    uint32_t result = 0;
    for (int term = 0; term < 8; ++term) {
        if ((code >> term) & 1) {
            const uint32_t p = (term & 4) ? pattern : ~pattern;
            const uint32_t s = (term & 2) ? source : ~source;
            const uint32_t d = (term & 1) ? dest : ~dest;
            result |= p & s & d;
        }
    }
    return result;
}

}  // namespace

bool RasterOp::usesSource() const
{
    const uint8_t code = Rop3(rop);
    // Dependence on S: the table differs between S = 0 and S = 1 somewhere.
    return ((code >> 2) & 0x33) != (code & 0x33);
}

template <typename Pixel>
void CombineRow(const RasterOp& rop, Pixel* dst, const uint32_t* src, int count)
{
    switch (rop.rop) {
    case SRCCOPY:
        if constexpr (std::is_same_v<Pixel, uint32_t>) {
            std::memmove(dst, src, static_cast<size_t>(count) * sizeof(uint32_t));
        } else {
            std::copy(src, src + count, dst);
        }
        return;
    case SRCAND:
        for (int i = 0; i < count; ++i) {
            dst[i] = static_cast<Pixel>(dst[i] & src[i]);
        }
        return;
    case SRCPAINT:
        for (int i = 0; i < count; ++i) {
            dst[i] = static_cast<Pixel>(dst[i] | src[i]);
        }
        return;
    default: {
        const uint8_t code = Rop3(rop.rop);
        for (int i = 0; i < count; ++i) {
            dst[i] = static_cast<Pixel>(ApplyRop3(code, rop.mask, src != nullptr ? src[i] : 0, dst[i]) & rop.mask);
        }
        return;
    }
    }
}

template void CombineRow(const RasterOp&, uint8_t*, const uint32_t*, int);
template void CombineRow(const RasterOp&, uint32_t*, const uint32_t*, int);

}  // namespace vd::detail
