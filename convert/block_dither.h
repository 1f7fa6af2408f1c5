// Dither offsets of the 24-bit vector kernels: one signed offset per pixel of
// a block of sixteen, the same for every block of a row (the ordered modes'
// matrix entries of columns 0..15), added to each channel with saturation,
// which clamps to 0..255 exactly.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace dibdraw {

constexpr int32_t kDitherBlockPixels = 16;

struct BlockDither {
    int8_t offsets[kDitherBlockPixels];
};

// The pixels of the whole blocks at the start of a row of `count`.
constexpr int32_t WholeBlockPixels(int32_t count)
{
    return count > 0 ? count / kDitherBlockPixels * kDitherBlockPixels : 0;
}

// Each pixel's offset, for `N` pixels along a row (the block repeated), as
// the amounts by which a channel is raised and lowered: a saturating add and
// subtract of them clamps to 0..255 exactly. No dither raises and lowers by
// nothing.
template <int N>
struct PixelRaiseLower {
    alignas(64) uint8_t raise[N] = {};
    alignas(64) uint8_t lower[N] = {};

    explicit PixelRaiseLower(const BlockDither* dither)
    {
        for (int k = 0; dither != nullptr && k < N; ++k) {
            const int d = dither->offsets[k % kDitherBlockPixels];
            raise[k] = static_cast<uint8_t>(d > 0 ? d : 0);
            lower[k] = static_cast<uint8_t>(d < 0 ? -d : 0);
        }
    }
};

// The offsets for the 48 bytes of a block (blue, green, red per pixel) as
// three SSE2 vectors of raising and of lowering steps; zero for no dither.
class BlockByteOffsets {
public:
    explicit BlockByteOffsets(const BlockDither* dither)
    {
        alignas(16) uint8_t up[3 * kDitherBlockPixels] = {};
        alignas(16) uint8_t down[3 * kDitherBlockPixels] = {};
        for (int j = 0; dither != nullptr && j < 3 * kDitherBlockPixels; ++j) {
            const int d = dither->offsets[j / 3];
            up[j] = static_cast<uint8_t>(d > 0 ? d : 0);
            down[j] = static_cast<uint8_t>(d < 0 ? -d : 0);
        }
        for (int m = 0; m < 3; ++m) {
            m_raise[m] = _mm_load_si128(reinterpret_cast<const __m128i*>(up + 16 * m));
            m_lower[m] = _mm_load_si128(reinterpret_cast<const __m128i*>(down + 16 * m));
        }
    }

    // Bytes 16 m .. 16 m + 15 of a block with their offsets added.
    __m128i Apply(__m128i bytes, int m) const { return _mm_subs_epu8(_mm_adds_epu8(bytes, m_raise[m]), m_lower[m]); }

private:
    __m128i m_raise[3];
    __m128i m_lower[3];
};

}  // namespace dibdraw
