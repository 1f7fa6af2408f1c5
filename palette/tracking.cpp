// Before each blit to a palette display: bring the object's palette, its copy
// of the system palette and the colour map in line with what the display
// holds, and decide between mapping the image's colours and reducing them to
// the fixed palette.
#include "palette/tracking.h"

#include <cstring>

#include "core/probes.h"
#include "palette/matching.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

// A mean match error below this shows the image's colours well enough.
constexpr int32_t kUsableMatchError = 16;

// Only palette modes 1 and 2 ask for the image's own colours; any other mode
// works as mode 0.
int MappedFlag(int paletteMode)
{
    return paletteMode == 1 || paletteMode == 2 ? paletteMode : 0;
}

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

short SyncPalette8(VyrBlitter* blitter, HDC dc, int srcBits)
{
    const int flag = MappedFlag(blitter->m_paletteMode);
    short result = blitter->AssignBlitterFn(srcBits, flag);
    if (result != kBlitOk) {
        return result;
    }
    // An object whose palette could not be allocated cannot track the display.
    if (blitter->m_logPalette == nullptr) {
        return kBlitNoMemory;
    }

    PALETTEENTRY systemEntries[256] = {};
    GetSystemPaletteEntries(dc, 0, 256, systemEntries);
    if (srcBits != 1 &&
        std::memcmp(systemEntries, blitter->m_logPalette->palPalEntry, sizeof systemEntries) == 0) {
        SelectPalette(dc, blitter->m_palette, FALSE);
        RealizePalette(dc);
        return kBlitOk;
    }
    RebuildPalette(blitter, dc, systemEntries);

    if (flag == 0) {
        // The converter chosen above reduces to the fixed palette.
        return MatchFixedPalette(blitter);
    }
    if (srcBits <= 8) {
        const int32_t count = 1 << srcBits;
        MatchColors(blitter->m_imagePalette, blitter->m_systemPalette, blitter->m_colorMap, count);
        if (MatchError(blitter->m_imagePalette, blitter->m_systemPalette, blitter->m_colorMap, count) <
            kUsableMatchError) {
            return blitter->AssignBlitterFn(srcBits, flag);
        }
    }
    // The image's colours are not shown well by this palette: from now on
    // the object works as in palette mode 0.
    result = MatchFixedPalette(blitter);
    if (result != kBlitOk) {
        return result;
    }
    blitter->m_paletteMode = 0;
    return blitter->AssignBlitterFn(srcBits, 0);
}

short SyncPalette4(VyrBlitter* blitter, HDC /*dc*/, int srcBits)
{
    if (srcBits != 4 && srcBits != 8) {
        return blitter->AssignBlitterFn(srcBits, 0);
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
    return blitter->AssignBlitterFn(srcBits, error < kUsableMatchError ? blitter->m_paletteMode : 0);
}

}  // namespace dibdraw
