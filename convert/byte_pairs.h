// A byte map applied two bytes at a time. Where no byte shuffle is at hand,
// a map looks each byte up alone: a load of the byte, a load of the table
// and a store. A table of every pair of bytes halves the look-ups and takes
// a machine word of bytes a load and a store. Building one writes 128 KB,
// so it serves long runs only: the blits of 256 K bytes or more.
#pragma once

#include <cstdint>

namespace dibdraw {

// Entries of a pair table: one for each two bytes as they lie in memory.
inline constexpr uint32_t kBytePairEntries = 65536;

// Fills `pairs` (kBytePairEntries entries) from the 256-byte `map`: the
// entry of two bytes holds both bytes mapped, in the same order.
void BuildBytePairMap(const uint8_t* map, uint16_t* pairs);

// dst[i] = map[src[i]] for each of `count` bytes, through the map's pair
// table.
void MapBytePairs(const uint8_t* src, uint8_t* dst, int32_t count, const uint16_t* pairs);

}  // namespace dibdraw
