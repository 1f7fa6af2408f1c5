// The output band: converted rows collect in a bottom-up DIB of the
// destination's width in display format, sent to the device in one
// StretchDIBits call per band of about 16000 bytes, at a 1:1 size.
#pragma once

#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

constexpr uint32_t kBandBytes = 16000;

short BeginBand(VyrBlitter* blitter, const RECT* dstRect);
short AddBandRow(VyrBlitter* blitter, HDC dc, const uint8_t* row);
// Where the band's next row lies, for a row written in place: it holds
// m_bandStride bytes, and CommitBandRow adds it to the band.
uint8_t* NextBandRow(VyrBlitter* blitter);
short CommitBandRow(VyrBlitter* blitter, HDC dc);
short EndBand(VyrBlitter* blitter, HDC dc);
void DrawBand(HDC dc, int x, int y, int width, int height, const void* bits, BITMAPINFO* info,
              uint32_t rop);

// Bits per pixel of the band DIB for a display depth: 1, 4, 8 or 24.
int BandBitCount(int displayDepth);
// Bytes of one band row of `width` pixels at the display depth.
int64_t BandStride(int64_t width, int displayDepth);

}  // namespace dibdraw
