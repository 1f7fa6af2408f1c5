// Everything a test can leak, and the one comparison that tells whether any
// leaked: the library tests compare with what was live before, the virtual
// display's own tests with nothing at all, and the fuzz targets with what
// their objects own. support/leak_check.h makes it a gtest expectation; the
// fuzz targets, which run without gtest, require it.
//
// The virtual display counts each kind of GDI object; Windows counts only a
// process's GDI objects in all, and Wine not even those (it answers 0), so
// there the GDI count is left out.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include <optional>
#else
#include "vdisplay/vdisplay.h"
#endif

#include "memkit40.h"

namespace testsupport {

#ifdef _WIN32
// Whether GetGuiResources counts this process's GDI objects.
inline bool GdiObjectsCounted()
{
    static const bool counted = [] {
        const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        const DWORD during = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        DeleteObject(brush);
        return during > before;
    }();
    return counted;
}
#endif

struct ResourceCounts {
    uint32_t heapBlocks = 0;
#ifdef _WIN32
    std::optional<DWORD> gdiObjects;

    static ResourceCounts Now()
    {
        return {KemLiveBlocks(),
                GdiObjectsCounted() ? std::optional<DWORD>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
                                    : std::nullopt};
    }
#else
    vd::LiveObjects gdi = {0, 0, 0};

    static ResourceCounts Now() { return {KemLiveBlocks(), vd::CountLiveObjects()}; }
#endif
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
#ifdef _WIN32
    if (expected.gdiObjects && now.gdiObjects) {
        compare("GDI objects", *expected.gdiObjects, *now.gdiObjects);
    }
#else
    compare("device contexts", expected.gdi.dcs, now.gdi.dcs);
    compare("palettes", expected.gdi.palettes, now.gdi.palettes);
    compare("bitmaps", expected.gdi.bitmaps, now.gdi.bitmaps);
#endif
    return leaks;
}

}  // namespace testsupport
