#include "blitter/band.h"

#include <cstring>

#include "convert/kernels.h"
#include "core/heap.h"
#include "core/probes.h"

namespace dibdraw {

int BandBitCount(int displayDepth)
{
    return displayDepth == 1 || displayDepth == 4 || displayDepth == 8 ? displayDepth : 24;
}

int64_t BandStride(int64_t width, int displayDepth)
{
    return ((width * BandBitCount(displayDepth) + 31) / 8) & ~int64_t{3};
}

short BeginBand(VyrBlitter* blitter, const RECT* dstRect)
{
    int64_t width = static_cast<int64_t>(dstRect->right) - dstRect->left;
    if (width == 0) {
        width = 1;
    }
    const int bitCount = BandBitCount(blitter->m_displayDepth);
    const int colors = bitCount == 24 ? 0 : (1 << bitCount);
    // A true-colour band carries one unused colour entry after its header.
    const uint32_t infoBytes = sizeof(BITMAPINFOHEADER) + 4 * (colors == 0 ? 1 : colors);
    blitter->m_bandInfo = AllocBlock<BITMAPINFO>(infoBytes);
    if (blitter->m_bandInfo == nullptr) {
        return kBlitNoMemory;
    }
    std::memset(blitter->m_bandInfo, 0, infoBytes);
    BITMAPINFOHEADER& header = blitter->m_bandInfo->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(width);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
    header.biXPelsPerMeter = 11811;
    header.biYPelsPerMeter = 11811;
    for (int i = 0; i < colors; ++i) {
        RGBQUAD& color = blitter->m_bandInfo->bmiColors[i];
        color.rgbRed = blitter->m_systemPalette[3 * i];
        color.rgbGreen = blitter->m_systemPalette[3 * i + 1];
        color.rgbBlue = blitter->m_systemPalette[3 * i + 2];
        color.rgbReserved = 0;
    }

    blitter->m_displayPlanes = static_cast<uint8_t>(GetDisplayPlanes());
    blitter->m_displayBitsPixel = static_cast<uint8_t>(GetDisplayBitsPixel());

    const int64_t stride = BandStride(width, blitter->m_displayDepth);
    const int64_t bufferBytes = stride > kBandBytes ? stride : kBandBytes;
    if (bufferBytes > UINT32_MAX) {
        FreeBlock(blitter->m_bandInfo);
        return kBlitNoMemory;
    }
    blitter->m_bandBits = AllocBlock(static_cast<uint32_t>(bufferBytes));
    if (blitter->m_bandBits == nullptr) {
        FreeBlock(blitter->m_bandInfo);
        return kBlitNoMemory;
    }

    blitter->m_bandStride = static_cast<int32_t>(stride);
    blitter->m_bandFill = 0;
    blitter->m_destWidth = static_cast<int32_t>(width);
    blitter->m_bandRows = static_cast<int32_t>(bufferBytes / stride);
    blitter->m_destTop = dstRect->top;
    blitter->m_destLeft = dstRect->left;
    header.biHeight = blitter->m_bandRows;
    header.biSizeImage = static_cast<DWORD>(blitter->m_bandRows * stride);
    return kBlitOk;
}

uint8_t* NextBandRow(VyrBlitter* blitter)
{
    // The first row of a band is its top row: the last row of the bottom-up DIB.
    const int64_t slot = blitter->m_bandRows - blitter->m_bandFill - 1;
    return blitter->m_bandBits + slot * blitter->m_bandStride;
}

short AddBandRow(VyrBlitter* blitter, HDC dc, const uint8_t* row)
{
    ActiveKernels().copyBytes(row, NextBandRow(blitter), blitter->m_bandStride);
    return CommitBandRow(blitter, dc);
}

short CommitBandRow(VyrBlitter* blitter, HDC dc)
{
    blitter->m_rowCounter += 1;
    blitter->m_bandFill += 1;
    if (blitter->m_bandFill >= blitter->m_bandRows) {
        DrawBand(dc, blitter->m_destLeft, blitter->m_destTop + blitter->m_rowCounter - blitter->m_bandRows,
                 blitter->m_destWidth, blitter->m_bandRows, blitter->m_bandBits, blitter->m_bandInfo,
                 blitter->m_rop);
        blitter->m_bandFill = 0;
    }
    return kBlitOk;
}

short EndBand(VyrBlitter* blitter, HDC dc)
{
    if (blitter->m_bandFill > 0) {
        const int64_t firstSlot = blitter->m_bandRows - blitter->m_bandFill;
        DrawBand(dc, blitter->m_destLeft, blitter->m_destTop + blitter->m_rowCounter - blitter->m_bandFill,
                 blitter->m_destWidth, blitter->m_bandFill,
                 blitter->m_bandBits + firstSlot * blitter->m_bandStride, blitter->m_bandInfo,
                 blitter->m_rop);
    }
    FreeBlock(blitter->m_bandBits);
    FreeBlock(blitter->m_bandInfo);
    return kBlitOk;
}

void DrawBand(HDC dc, int x, int y, int width, int height, const void* bits, BITMAPINFO* info,
              uint32_t rop)
{
    const LONG bandHeight = info->bmiHeader.biHeight;
    info->bmiHeader.biHeight = height;
    StretchDIBits(dc, x, y, width, height, 0, 0, width, height, bits, info, DIB_RGB_COLORS, rop);
    info->bmiHeader.biHeight = bandHeight;
}

}  // namespace dibdraw
