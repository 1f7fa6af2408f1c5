#include <cstring>

#include "core/heap.h"
#include "core/probes.h"
#include "dibdraw32/VyrBlitter.h"
#include "palette/tables.h"

using namespace dibdraw;

namespace {

constexpr uint32_t kLogPaletteBytes = 4 + 256 * sizeof(PALETTEENTRY);

uint8_t BiasedDitherEntry(uint8_t value, uint16_t displayDepth)
{
    const int centred = static_cast<int>(value) - 126;
    switch (displayDepth) {
    case 4:
        return static_cast<uint8_t>(centred);
    case 8:
        return static_cast<uint8_t>(centred / 5);  // truncates toward zero
    default:
        return value;
    }
}

// Releases the logical palette and the GDI palette, deselecting the latter
// from the screen first.
void ReleasePalettes(VyrBlitter& blitter)
{
    FreeBlock(blitter.m_logPalette);
    if (blitter.m_palette != nullptr) {
        HDC screen = GetDC(nullptr);
        SelectPalette(screen, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        DeleteObject(blitter.m_palette);
        ReleaseDC(nullptr, screen);
        blitter.m_palette = nullptr;
    }
}

// Creates the logical palette (a copy of `entries`, or zeros) and its GDI
// palette. On a failed allocation both stay null and the result is -1007.
short CreatePalettes(VyrBlitter& blitter, const LOGPALETTE* entries)
{
    blitter.m_logPalette = AllocBlock<LOGPALETTE>(kLogPaletteBytes);
    if (blitter.m_logPalette == nullptr) {
        return kBlitNoMemory;
    }
    if (entries != nullptr) {
        std::memcpy(blitter.m_logPalette, entries, kLogPaletteBytes);
    } else {
        std::memset(blitter.m_logPalette, 0, kLogPaletteBytes);
        blitter.m_logPalette->palVersion = 0x300;
        blitter.m_logPalette->palNumEntries = 256;
    }
    blitter.m_palette = CreatePalette(blitter.m_logPalette);
    return kBlitOk;
}

}  // namespace

VyrBlitter::VyrBlitter(int ditherMode, int paletteMode)
{
    VyrReInitBlitter(ditherMode, paletteMode);
}

VyrBlitter::~VyrBlitter()
{
    ReleasePalettes(*this);
    FreeBlock(m_errorRow);
}

short VyrBlitter::VyrReInitBlitter(int ditherMode, int paletteMode)
{
    m_ditherMode = ditherMode;
    m_paletteMode = paletteMode;

    m_displayDepth = static_cast<uint16_t>(GetDisplayColorBits());
    if (m_displayDepth > 8) {
        m_displayDepth = 24;
    }
    if (m_displayDepth < 24) {
        ReadSystemPalette(m_systemPalette);
    }

    short result = kBlitOk;
    ReleasePalettes(*this);
    if (m_displayDepth == 8) {
        result = CreatePalettes(*this, nullptr);
    }

    m_ditherColsMod = 8;
    m_ditherRowsMod = 8;
    for (int i = 0; i < 64; ++i) {
        m_ditherMatrix[i] = i < m_ditherRowsMod * m_ditherColsMod
                                ? BiasedDitherEntry(kDitherMatrix[i], m_displayDepth)
                                : kDitherMatrix[i];
    }
    return result;
}

VyrBlitter& VyrBlitter::operator=(const VyrBlitter& other)
{
    if (this == &other) {
        return *this;
    }
    ReleasePalettes(*this);
    FreeBlock(m_errorRow);

    m_ditherMode = other.m_ditherMode;
    m_convert = other.m_convert;
    m_stretch = other.m_stretch;
    m_paletteMode = other.m_paletteMode;
    m_bandStride = other.m_bandStride;
    m_bandRows = other.m_bandRows;
    m_bandFill = other.m_bandFill;
    m_destWidth = other.m_destWidth;
    m_destTop = other.m_destTop;
    m_destLeft = other.m_destLeft;
    m_displayPlanes = other.m_displayPlanes;
    m_displayBitsPixel = other.m_displayBitsPixel;
    m_displayDepth = other.m_displayDepth;
    m_monoColor0 = other.m_monoColor0;
    m_monoColor1 = other.m_monoColor1;
    std::memcpy(m_colorMap, other.m_colorMap, sizeof m_colorMap);
    std::memcpy(m_ditherMatrix, other.m_ditherMatrix, sizeof m_ditherMatrix);
    std::memcpy(m_systemPalette, other.m_systemPalette, sizeof m_systemPalette);
    m_rowCounter = other.m_rowCounter;
    m_ditherRowsMod = other.m_ditherRowsMod;
    m_ditherColsMod = other.m_ditherColsMod;
    m_rop = other.m_rop;
    m_srcBitOffset = other.m_srcBitOffset;
    // The per-blit buffers exist only inside a blit of their own object, and
    // the error row carries nothing from one blit to the next: the target
    // starts without them. It gets palette objects of its own.
    if (other.m_logPalette != nullptr) {
        CreatePalettes(*this, other.m_logPalette);
    }
    return *this;
}
