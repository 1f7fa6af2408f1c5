// VyrBlit: clip, prepare the display, then walk the source rows, scaling and
// converting each kept row and collecting the results in bands.
#include <cstring>

#include "blitter/band.h"
#include "blitter/heap.h"
#include "blitter/probes.h"
#include "blitter/scalers.h"
#include "blitter/selection.h"

namespace dibdraw {

namespace {

// Where the rows of one blit come from and how one clipped row is copied.
struct SourceRows {
    const uint8_t* rows;     // first row in memory: the bottom of the image
    int64_t stride;          // bytes per row, a multiple of 4
    int64_t height;          // rows in the bitmap
    int64_t firstByte;       // offset of the first copied byte within a row
    uint32_t copyBytes;      // bytes copied, all within the row
    uint32_t bufferBytes;    // size of m_srcRow
    bool shiftNibble;        // 4-bit source with an odd left edge

    const uint8_t* Row(int64_t y) const { return rows + (height - 1 - y) * stride + firstByte; }
};

bool FitsBlock(int64_t bytes)
{
    return bytes >= 0 && bytes <= UINT32_MAX;
}

// Copies image row y into m_srcRow so that its first pixel starts the buffer
// (or, for 1-bit rows, stands at m_srcBitOffset).
void CopySourceRow(VyrBlitter* blitter, const SourceRows& source, int64_t y)
{
    uint8_t* row = blitter->m_srcRow;
    std::memcpy(row, source.Row(y), source.copyBytes);
    if (source.shiftNibble) {
        for (uint32_t k = 0; k + 1 < source.copyBytes; ++k) {
            row[k] = static_cast<uint8_t>((row[k] << 4) | (row[k + 1] >> 4));
        }
        row[source.copyBytes - 1] = static_cast<uint8_t>(row[source.copyBytes - 1] << 4);
    }
}

bool IsWhite(const RGBQUAD& color)
{
    return color.rgbRed == 255 && color.rgbGreen == 255 && color.rgbBlue == 255;
}

// Rewrites a transparent colour of a 1-bit image so that one raster operation
// leaves the background showing through it. Returns false when both colours
// are transparent and nothing is to be drawn.
bool ApplyTransparency(VyrBlitter* blitter, const RGBQUAD* table)
{
    const bool clear0 = table[0].rgbReserved == 255;
    const bool clear1 = table[1].rgbReserved == 255;
    if (clear0 && clear1) {
        return false;
    }
    if (clear0 || clear1) {
        const int transparent = clear0 ? 0 : 1;
        const bool opaqueIsWhite = IsWhite(table[1 - transparent]);
        uint8_t* triple = blitter->m_imagePalette + 3 * transparent;
        std::memset(triple, opaqueIsWhite ? 0 : 255, 3);
        blitter->m_rop = opaqueIsWhite ? SRCPAINT : SRCAND;
    }
    return true;
}

void ProbeMonoColors(VyrBlitter* blitter)
{
    for (int k = 0; k < 2; ++k) {
        uint32_t pixel = 0;
        const uint8_t* color = blitter->m_imagePalette + 3 * k;
        ReadBackDisplayPixel(color[0], color[1], color[2], &pixel);
        (k == 0 ? blitter->m_monoColor0 : blitter->m_monoColor1) = pixel;
    }
}

void ReleaseBlitBuffers(VyrBlitter* blitter)
{
    FreeBlock(blitter->m_srcRow);
    FreeBlock(blitter->m_stretchRow);
    FreeBlock(blitter->m_outRow);
    FreeBlock(blitter->m_imagePalette);
    FreeBlock(blitter->m_bandBits);
    FreeBlock(blitter->m_bandInfo);
}

// The 256-level ramp from colour 0 to colour 1 of a 1-bit image, drawn as an
// 8-bit source on the grey path.
short BuildGreyRamp(VyrBlitter* blitter, const RGBQUAD* table)
{
    FreeBlock(blitter->m_imagePalette);
    blitter->m_imagePalette = AllocBlock(768);
    if (blitter->m_imagePalette == nullptr) {
        return kBlitNoMemory;
    }
    const int from[3] = {table[0].rgbRed, table[0].rgbGreen, table[0].rgbBlue};
    const int to[3] = {table[1].rgbRed, table[1].rgbGreen, table[1].rgbBlue};
    for (int k = 0; k < 256; ++k) {
        for (int c = 0; c < 3; ++c) {
            blitter->m_imagePalette[3 * k + c] = static_cast<uint8_t>((k * to[c] + (255 - k) * from[c]) / 255);
        }
    }
    return kBlitOk;
}

void RunUnscaled(VyrBlitter* blitter, HDC dc, const SourceRows& source, const RECT& src, int32_t srcW)
{
    for (int64_t y = src.top; y < src.bottom; ++y) {
        CopySourceRow(blitter, source, y);
        blitter->m_convert(blitter, blitter->m_srcRow, blitter->m_outRow, srcW);
        AddBandRow(blitter, dc, blitter->m_outRow);
    }
}

short RunScaled(VyrBlitter* blitter, HDC dc, const BITMAPINFOHEADER* bitmap, const RGBQUAD* table,
                const SourceRows& source, const RECT& src, int32_t srcW, int32_t srcH, int32_t dstW,
                int32_t dstH)
{
    const int bits = bitmap->biBitCount;
    const int64_t scaledBytes = ((static_cast<int64_t>(dstW) + 4) * bits + 7) / 8;
    if (!FitsBlock(scaledBytes) ||
        (blitter->m_stretchRow = AllocBlock(static_cast<uint32_t>(scaledBytes))) == nullptr) {
        return kBlitNoMemory;
    }
    const int32_t bitOffset = blitter->m_srcBitOffset;
    blitter->m_srcBitOffset = 0;

    const bool greyPath = bits == 1 && srcW > dstW && blitter->m_rop == SRCCOPY;
    switch (bits) {
    case 1:
        blitter->m_stretch = greyPath ? Shrink1ToGray : Stretch1;
        break;
    case 4:
        blitter->m_stretch = Stretch4;
        break;
    case 8:
        blitter->m_stretch = Stretch8;
        break;
    default:
        blitter->m_stretch = Stretch24;
        break;
    }

    if (greyPath) {
        if (BuildGreyRamp(blitter, table) != kBlitOk) {
            FreeBlock(blitter->m_stretchRow);
            return kBlitNoMemory;
        }
        if (blitter->m_displayDepth == 8 && blitter->m_logPalette != nullptr) {
            // Forces the palette tracking to rebuild the colour map for the ramp.
            std::memset(blitter->m_logPalette->palPalEntry, 0, 256 * sizeof(PALETTEENTRY));
        }
        const short prepared = PrepareDisplay(blitter, dc, 8);
        FreeBlock(blitter->m_stretchRow);
        if (prepared != kBlitOk) {
            return prepared;
        }
        // The preparation re-read the display palette after the band was
        // begun; the band must name the colours of the palette now held.
        FillBandColors(blitter);
        blitter->m_stretchRow = AllocBlock(static_cast<uint32_t>(dstW));
        if (blitter->m_stretchRow == nullptr) {
            return kBlitNoMemory;
        }
    }

    int64_t acc = 0;
    for (int64_t y = src.top; y < src.bottom; ++y) {
        if (acc < dstH) {
            CopySourceRow(blitter, source, y);
            blitter->m_stretch(blitter->m_srcRow, blitter->m_stretchRow, srcW, dstW, bitOffset);
            if (blitter->m_ditherMode == 1) {
                blitter->m_convert(blitter, blitter->m_stretchRow, blitter->m_outRow, dstW);
                for (; acc < dstH; acc += srcH) {
                    AddBandRow(blitter, dc, blitter->m_outRow);
                }
            } else {
                for (; acc < dstH; acc += srcH) {
                    blitter->m_convert(blitter, blitter->m_stretchRow, blitter->m_outRow, dstW);
                    AddBandRow(blitter, dc, blitter->m_outRow);
                }
            }
        }
        acc -= dstH;
    }
    FreeBlock(blitter->m_stretchRow);
    return kBlitOk;
}

}  // namespace

}  // namespace dibdraw

using namespace dibdraw;

short VyrBlitter::VyrBlit(HWND window, BITMAPINFOHEADER* bitmap, RECT* srcRect, RECT* dstRect)
{
    HDC dc = GetDC(window);
    const short result = VyrBlit(dc, bitmap, srcRect, dstRect);
    ReleaseDC(window, dc);
    return result;
}

short VyrBlitter::VyrBlit(HDC dc, BITMAPINFOHEADER* bitmap, RECT* srcRect, RECT* dstRect)
{
    if (bitmap->biPlanes != 1) {
        return kBlitUnsupported;
    }
    if (srcRect->left > bitmap->biWidth || srcRect->top > bitmap->biHeight) {
        return kBlitOk;
    }
    if (srcRect->right > bitmap->biWidth) {
        srcRect->right = bitmap->biWidth;
    }
    if (srcRect->bottom > bitmap->biHeight) {
        srcRect->bottom = bitmap->biHeight;
    }
    if (srcRect->left < 0) {
        srcRect->left = 0;
    }
    if (srcRect->top < 0) {
        srcRect->top = 0;
    }
    const RECT src = *srcRect;
    const int64_t srcW64 = static_cast<int64_t>(src.right) - src.left;
    const int64_t srcH64 = static_cast<int64_t>(src.bottom) - src.top;
    const int64_t dstW64 = static_cast<int64_t>(dstRect->right) - dstRect->left;
    const int64_t dstH64 = static_cast<int64_t>(dstRect->bottom) - dstRect->top;
    if (srcW64 <= 0 || srcH64 <= 0 || dstW64 <= 0 || dstH64 <= 0 || dstW64 > INT32_MAX ||
        dstH64 > INT32_MAX) {
        return kBlitOk;
    }
    const auto srcW = static_cast<int32_t>(srcW64);
    const auto srcH = static_cast<int32_t>(srcH64);
    const auto dstW = static_cast<int32_t>(dstW64);
    const auto dstH = static_cast<int32_t>(dstH64);

    const int bits = bitmap->biBitCount;
    const auto* base = reinterpret_cast<const uint8_t*>(bitmap);
    const auto* table = reinterpret_cast<const RGBQUAD*>(base + bitmap->biSize);
    const int colors = bits <= 8 ? (1 << bits) : 0;
    const uint8_t* rows = base + bitmap->biSize + 4 * colors;

    if (colors > 0) {
        m_imagePalette = AllocBlock(static_cast<uint32_t>(3 * colors));
        if (m_imagePalette == nullptr) {
            return kBlitNoMemory;
        }
        for (int i = 0; i < colors; ++i) {
            m_imagePalette[3 * i] = table[i].rgbRed;
            m_imagePalette[3 * i + 1] = table[i].rgbGreen;
            m_imagePalette[3 * i + 2] = table[i].rgbBlue;
        }
    }

    m_rop = SRCCOPY;
    if (bits == 1 && !ApplyTransparency(this, table)) {
        FreeBlock(m_imagePalette);
        return kBlitOk;
    }

    FreeBlock(m_errorRow);
    const int64_t errorBytes = 6 * dstW64;
    if (!FitsBlock(errorBytes) || (m_errorRow = AllocBlock(static_cast<uint32_t>(errorBytes))) == nullptr) {
        ReleaseBlitBuffers(this);
        return kBlitNoMemory;
    }
    std::memset(m_errorRow, 0, static_cast<size_t>(errorBytes));

    const bool greyPath = bits == 1 && m_rop == SRCCOPY && srcW > dstW;
    if (!greyPath) {
        const short prepared = PrepareDisplay(this, dc, bits);
        if (prepared != kBlitOk) {
            ReleaseBlitBuffers(this);
            return prepared;
        }
    }
    if (bits == 1) {
        ProbeMonoColors(this);
    }
    m_rowCounter = 0;

    const int64_t outBytes = (dstW64 + 4) * ((m_displayDepth + 7) / 8);
    if (!FitsBlock(outBytes) || (m_outRow = AllocBlock(static_cast<uint32_t>(outBytes))) == nullptr) {
        ReleaseBlitBuffers(this);
        return kBlitNoMemory;
    }

    m_srcBitOffset = 0;
    SourceRows source = {};
    source.rows = rows;
    source.stride = ((static_cast<int64_t>(bitmap->biWidth) * bits + 31) / 8) & ~int64_t{3};
    source.height = bitmap->biHeight;
    if (bits == 1) {
        source.firstByte = src.left / 8;
        m_srcBitOffset = src.left % 8;
        source.copyBytes = static_cast<uint32_t>((m_srcBitOffset + srcW64 + 7) / 8);
        source.bufferBytes = static_cast<uint32_t>((srcW64 + 7) / 8 + 1);
    } else if (bits == 4) {
        source.firstByte = src.left / 2;
        source.shiftNibble = (src.left & 1) != 0;
        source.copyBytes = static_cast<uint32_t>(((src.left & 1) + srcW64 + 1) / 2);
        source.bufferBytes = source.copyBytes;
    } else {
        source.firstByte = static_cast<int64_t>(bits) * src.left / 8;
        source.copyBytes = static_cast<uint32_t>((srcW64 * bits + 7) / 8);
        source.bufferBytes = source.copyBytes;
    }
    m_srcRow = AllocBlock(source.bufferBytes);
    if (m_srcRow == nullptr) {
        ReleaseBlitBuffers(this);
        return kBlitNoMemory;
    }
    std::memset(m_srcRow, 0, source.bufferBytes);

    if (BeginBand(this, dstRect) != kBlitOk) {
        ReleaseBlitBuffers(this);
        return kBlitNoMemory;
    }

    short result = kBlitOk;
    if (dstW == srcW && dstH == srcH) {
        RunUnscaled(this, dc, source, src, srcW);
    } else {
        result = RunScaled(this, dc, bitmap, table, source, src, srcW, srcH, dstW, dstH);
    }

    EndBand(this, dc);
    ReleaseBlitBuffers(this);
    return result;
}
