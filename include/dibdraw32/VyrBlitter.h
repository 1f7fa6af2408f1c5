// VyrBlitter: draws a packed device-independent bitmap into a rectangle of a
// device context at whatever depth the display has, scaling, converting,
// dithering and managing the 256-colour display palette itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dibdraw32/BlitResult.h"
#include "dibplatform.h"
#include "memkit40.h"

class VyrBlitter;

// Converts one scaled source row into `count` pixels of the display's format.
using BlitterFn = void (*)(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count);
// Scales one source row of `srcCount` pixels horizontally to `dstCount` pixels.
using StretchFn = void (*)(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount,
                           int32_t bitOffset);

class DIBDRAW32_API VyrBlitter : public VyrObject {
public:
    VyrBlitter(int ditherMode, int paletteMode);
    ~VyrBlitter();
    // Makes the target an independent copy of `other`: it gets palette objects
    // of its own, so either object may be destroyed or used on its own.
    VyrBlitter& operator=(const VyrBlitter& other);
    VyrBlitter(const VyrBlitter&) = delete;

    short VyrReInitBlitter(int ditherMode, int paletteMode);

    short VyrBlit(HDC dc, BITMAPINFOHEADER* bitmap, RECT* srcRect, RECT* dstRect);
    short VyrBlit(HWND window, BITMAPINFOHEADER* bitmap, RECT* srcRect, RECT* dstRect);
    // The same for a packed DIB of `dibBytes` bytes, as read from a file: a
    // header whose sizes, colour table or rows do not fit in that length is
    // refused with kBlitUnsupported before anything outside it is read.
    short VyrBlit(HDC dc, const BITMAPINFOHEADER* bitmap, size_t dibBytes, RECT* srcRect, RECT* dstRect);
    short VyrBlit(HWND window, const BITMAPINFOHEADER* bitmap, size_t dibBytes, RECT* srcRect,
                  RECT* dstRect);

    short AssignBlitterFn(int srcBits, int flag);

    short VyrRealizeFixedPalette(HWND window);
    short VyrRealizePalette(HWND window, BITMAPINFOHEADER* bitmap);
    short VyrRealizePalette(HWND window, const BITMAPINFOHEADER* bitmap, size_t dibBytes);
    short VyrRealizePalette(HWND window, RGBQUAD* colors, int count);

    // The object's state, read by the free converter and palette routines.
    int32_t m_ditherMode = 0;
    uint8_t* m_srcRow = nullptr;
    uint8_t* m_stretchRow = nullptr;
    uint8_t* m_outRow = nullptr;
    BlitterFn m_convert = nullptr;
    StretchFn m_stretch = nullptr;
    int32_t m_paletteMode = 0;
    BITMAPINFO* m_bandInfo = nullptr;
    uint8_t* m_bandBits = nullptr;
    int32_t m_bandStride = 0;
    int32_t m_bandRows = 0;
    int32_t m_bandFill = 0;
    int32_t m_destWidth = 0;
    int32_t m_destTop = 0;
    int32_t m_destLeft = 0;
    uint8_t m_displayPlanes = 0;
    uint8_t m_displayBitsPixel = 0;
    uint16_t m_displayDepth = 0;
    uint32_t m_monoColor0 = 0;
    uint32_t m_monoColor1 = 0;
    uint8_t m_colorMap[256] = {};
    uint8_t m_ditherMatrix[64] = {};
    uint8_t m_systemPalette[768] = {};
    LOGPALETTE* m_logPalette = nullptr;
    uint8_t* m_imagePalette = nullptr;
    int32_t m_rowCounter = 0;
    uint8_t m_ditherRowsMod = 0;
    uint8_t m_ditherColsMod = 0;
    uint8_t* m_errorRow = nullptr;
    HPALETTE m_palette = nullptr;
    uint32_t m_rop = 0;
    int32_t m_srcBitOffset = 0;
};
