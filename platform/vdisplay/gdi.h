// The subset of the Windows GDI and USER interfaces that dibdraw32 uses, with
// the Windows names, struct layouts and constants, implemented over an
// in-memory screen by the virtual display library (see vdisplay.h for the
// host side that configures it).
#pragma once

#include <cstdint>

#include "gdi_types.h"

static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4 && sizeof(PALETTEENTRY) == 4, "4-byte colour entries");
static_assert(sizeof(LOGPALETTE) == 8, "LOGPALETTE header plus one entry");

constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue)
{
    return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
           (static_cast<COLORREF>(blue) << 16);
}
constexpr BYTE GetRValue(COLORREF color) { return static_cast<BYTE>(color); }
constexpr BYTE GetGValue(COLORREF color) { return static_cast<BYTE>(color >> 8); }
constexpr BYTE GetBValue(COLORREF color) { return static_cast<BYTE>(color >> 16); }

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Raster operations.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCPAINT = 0x00EE0086;

// GetDeviceCaps indices.
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int SIZEPALETTE = 104;
constexpr int RC_PALETTE = 0x0100;

// GetClipBox results: the kind of region the clip box bounds.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD BI_RGB = 0;
constexpr int DEFAULT_PALETTE = 15;

extern "C" {
VDISPLAY_API HDC GetDC(HWND window);
VDISPLAY_API int ReleaseDC(HWND window, HDC dc);
VDISPLAY_API int GetDeviceCaps(HDC dc, int index);
VDISPLAY_API UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);
VDISPLAY_API HPALETTE CreatePalette(const LOGPALETTE* logPalette);
VDISPLAY_API HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
VDISPLAY_API UINT RealizePalette(HDC dc);
VDISPLAY_API HGDIOBJ GetStockObject(int object);
VDISPLAY_API BOOL DeleteObject(HGDIOBJ object);
VDISPLAY_API COLORREF GetPixel(HDC dc, int x, int y);
VDISPLAY_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
VDISPLAY_API HDC CreateCompatibleDC(HDC dc);
VDISPLAY_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
VDISPLAY_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
VDISPLAY_API BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                         DWORD rop);
VDISPLAY_API int GetDIBits(HDC dc, HBITMAP bitmap, UINT startLine, UINT lines, void* bits,
                           BITMAPINFO* info, UINT usage);
VDISPLAY_API BOOL DeleteDC(HDC dc);
VDISPLAY_API int GetClipBox(HDC dc, RECT* box);
VDISPLAY_API int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                               int ySrc, int srcWidth, int srcHeight, const void* bits,
                               const BITMAPINFO* info, UINT usage, DWORD rop);
}
