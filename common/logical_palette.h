// A GDI palette made of given entries, as the tests and benchmarks select
// one into a device context.
#pragma once

#include <cstdint>
#include <vector>

#include "dibplatform.h"

namespace dibkit {

inline HPALETTE CreatePaletteOf(const std::vector<PALETTEENTRY>& entries)
{
    // LOGPALETTE declares one entry; the block holds all of them.
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * entries.size());
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        log->palPalEntry[i] = entries[i];
    }
    return CreatePalette(log);
}

}  // namespace dibkit
