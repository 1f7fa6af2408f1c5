#include "convert/byte_pairs.h"

#include <bit>
#include <cstring>

namespace dibdraw {

// An entry's index is two bytes read as one 16-bit word, its value two
// bytes written as one; both are laid out for a little-endian processor.
static_assert(std::endian::native == std::endian::little);

void BuildBytePairMap(const uint8_t* map, uint16_t* pairs)
{
    for (uint32_t second = 0; second < 256; ++second) {
        const auto high = static_cast<uint16_t>(map[second] << 8);
        uint16_t* row = pairs + (second << 8);
        for (uint32_t first = 0; first < 256; ++first) {
            row[first] = static_cast<uint16_t>(high | map[first]);
        }
    }
}

// A machine word of bytes a load and a store: on a 32-bit processor a
// 64-bit word is two registers, and its shifts ran the map no faster than a
// byte at a time (under 32-bit Wine here), where four bytes a word ran 1.5
// times as fast.
void MapBytePairs(const uint8_t* src, uint8_t* dst, int32_t count, const uint16_t* pairs)
{
    using Word = uintptr_t;
    constexpr int32_t kWordBytes = sizeof(Word);
    int32_t i = 0;
    for (; count - i >= kWordBytes; i += kWordBytes) {
        Word bytes = 0;
        std::memcpy(&bytes, src + i, kWordBytes);
        Word mapped = 0;
#pragma GCC unroll 4
        for (int32_t shift = 0; shift < 8 * kWordBytes; shift += 16) {
            mapped |= Word{pairs[(bytes >> shift) & 0xFFFF]} << shift;
        }
        std::memcpy(dst + i, &mapped, kWordBytes);
    }
    for (; i < count; ++i) {
        dst[i] = static_cast<uint8_t>(pairs[src[i]]);
    }
}

}  // namespace dibdraw
