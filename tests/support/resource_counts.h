// Everything a test can leak on the virtual display, and the one comparison
// that tells whether any leaked: the library tests compare with what was
// live before, the virtual display's own tests with nothing at all, and the
// fuzz targets with what their objects own. support/leak_check.h makes it a
// gtest expectation; the fuzz targets, which run without gtest, require it.
#pragma once

#include <cstdint>
#include <string>

#include "memkit40.h"
#include "vdisplay/vdisplay.h"

namespace testsupport {

struct ResourceCounts {
    uint32_t heapBlocks = 0;
    vd::LiveObjects gdi = {0, 0, 0};

    static ResourceCounts Now() { return {KemLiveBlocks(), vd::CountLiveObjects()}; }
};

// "" when `now` holds exactly the `expected` counts; otherwise each count
// that differs, with both values.
inline std::string Leaks(const ResourceCounts& expected, const ResourceCounts& now)
{
    std::string leaks;
    auto compare = [&](const char* what, int64_t wanted, int64_t live) {
        if (live != wanted) {
            leaks += (leaks.empty() ? "" : ", ") + std::to_string(live) + " " + what + " live where " +
                     std::to_string(wanted) + " were expected";
        }
    };
    compare("heap blocks", expected.heapBlocks, now.heapBlocks);
    compare("device contexts", expected.gdi.dcs, now.gdi.dcs);
    compare("palettes", expected.gdi.palettes, now.gdi.palettes);
    compare("bitmaps", expected.gdi.bitmaps, now.gdi.bitmaps);
    return leaks;
}

}  // namespace testsupport
