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

void MapBytePairs(const uint8_t* src, uint8_t* dst, int32_t count, const uint16_t* pairs)
{
    int32_t i = 0;
    for (; count - i >= 8; i += 8) {
        uint64_t bytes = 0;
        std::memcpy(&bytes, src + i, 8);
        const uint64_t mapped = uint64_t{pairs[bytes & 0xFFFF]} | uint64_t{pairs[(bytes >> 16) & 0xFFFF]} << 16 |
                                uint64_t{pairs[(bytes >> 32) & 0xFFFF]} << 32 | uint64_t{pairs[bytes >> 48]} << 48;
        std::memcpy(dst + i, &mapped, 8);
    }
    for (; i < count; ++i) {
        dst[i] = static_cast<uint8_t>(pairs[src[i]]);
    }
}

}  // namespace dibdraw
