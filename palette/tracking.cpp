// Before each blit to a palette display: bring the object's palette, its copy
// of the system palette and the colour map in line with what the display
// holds, and decide between mapping the image's colours and reducing them to
// the fixed palette.
#include "palette/tracking.h"

#include <cstring>

#include "core/modes.h"
#include "core/probes.h"
#include "palette/matching.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

// A mean match error below this shows the image's colours well enough.
constexpr int32_t kUsableMatchError = 16;

HPALETTE StockPalette()
{
    return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
}

void RebuildPalette(VyrBlitter* blitter, HDC dc, const PALETTEENTRY* systemEntries)
{
    std::memcpy(blitter->m_logPalette->palPalEntry, systemEntries, 256 * sizeof(PALETTEENTRY));
    SelectPalette(dc, StockPalette(), FALSE);
    DeleteObject(blitter->m_palette);
    blitter->m_palette = CreatePalette(blitter->m_logPalette);
    SelectPalette(dc, blitter->m_palette, FALSE);
    RealizePalette(dc);
    ReadSystemPalette(blitter->m_systemPalette);
}

// Maps the fixed palette onto the display palette. When that fails the stored
// copy is cleared, so that the next blit does not take the stale map for a
// current one.
short MatchFixedPalette(VyrBlitter* blitter)
{
    const short result =
        MatchQuadColors(kFixedPalette.data(), blitter->m_systemPalette, blitter->m_colorMap, 256);
    if (result != kBlitOk) {
        std::memset(blitter->m_logPalette->palPalEntry, 0, 256 * sizeof(PALETTEENTRY));
    }
    return result;
}

}  // namespace

PaletteDecision SyncPalette8(VyrBlitter* blitter, HDC dc, int srcBits)
{
    const bool asksForImageColors = AsksForImageColors(blitter->m_paletteMode, 8);
    // An object whose palette could not be allocated cannot track the display.
    if (blitter->m_logPalette == nullptr) {
        return {kBlitNoMemory};
    }

    PALETTEENTRY systemEntries[256] = {};
    GetSystemPaletteEntries(dc, 0, 256, systemEntries);
    if (srcBits != 1 &&
        std::memcmp(systemEntries, blitter->m_logPalette->palPalEntry, sizeof systemEntries) == 0) {
        SelectPalette(dc, blitter->m_palette, FALSE);
        RealizePalette(dc);
        return {kBlitOk, asksForImageColors};
    }
    RebuildPalette(blitter, dc, systemEntries);

    if (!asksForImageColors) {
        return {MatchFixedPalette(blitter)};
    }
    if (srcBits <= 8) {
        const int32_t count = 1 << srcBits;
        MatchColors(blitter->m_imagePalette, blitter->m_systemPalette, blitter->m_colorMap, count);
        if (MatchError(blitter->m_imagePalette, blitter->m_systemPalette, blitter->m_colorMap, count) <
            kUsableMatchError) {
            return {kBlitOk, true};
        }
    }
    // The image's colours are not shown well by this palette: from now on
    // the object works with the fixed palette.
    const short result = MatchFixedPalette(blitter);
    if (result != kBlitOk) {
        return {result, true};
    }
    blitter->m_paletteMode = ToInt(PaletteMode::Fixed);
    return {kBlitOk, false};
}

PaletteDecision SyncPalette4(VyrBlitter* blitter, HDC /*dc*/, int srcBits)
{
    if (srcBits != 4 && srcBits != 8) {
        return {};
    }
    ReadSystemPalette(blitter->m_systemPalette);
    // The search always covers 256 reference colours; repeating the display's
    // 16 there keeps every match within 0..15, since ties go to the lowest index.
    uint8_t reference[768];
    for (int i = 0; i < 256; ++i) {
        std::memcpy(reference + 3 * i, blitter->m_systemPalette + 3 * (i % 16), 3);
    }
    const int32_t count = 1 << srcBits;
    MatchColors(blitter->m_imagePalette, reference, blitter->m_colorMap, count);
    const int32_t error = MatchError(blitter->m_imagePalette, reference, blitter->m_colorMap, count);
    return {kBlitOk, error < kUsableMatchError && AsksForImageColors(blitter->m_paletteMode, 4)};
}

}  // namespace dibdraw
