// Placeholder implementation: device capabilities and palettes only.
#include "vdisplay.h"

#include <mutex>

namespace {

struct State {
    vd::Config config;
};

State& TheState()
{
    static State state;
    return state;
}

struct DcTag {};
DcTag screenDc;

}  // namespace

namespace vd {

void Configure(const Config& config) { TheState().config = config; }
Config CurrentConfig() { return TheState().config; }
HWND CreateWindow(const RECT&) { return nullptr; }
void DestroyWindow(HWND) {}
uint32_t DevicePixel(int, int) { return 0; }
COLORREF ScreenColor(int, int) { return 0; }
void FillScreen(COLORREF) {}
void SetSystemPaletteEntries(unsigned, unsigned, const PALETTEENTRY*) {}
std::vector<StretchCall> StretchCalls() { return {}; }
void ClearStretchCalls() {}
LiveObjects CountLiveObjects() { return {0, 0, 0}; }
bool WriteScreenBmp(const char*) { return false; }

}  // namespace vd

extern "C" {

HDC GetDC(HWND) { return reinterpret_cast<HDC>(&screenDc); }
int ReleaseDC(HWND, HDC) { return 1; }

int GetDeviceCaps(HDC, int index)
{
    int planes = 1, bits = 32, sizePalette = 0;
    switch (TheState().config.kind) {
    case vd::Kind::Mono: bits = 1; break;
    case vd::Kind::Planar4: planes = 4; bits = 1; break;
    case vd::Kind::Packed4: bits = 4; break;
    case vd::Kind::Palette8: bits = 8; sizePalette = 256; break;
    case vd::Kind::Rgb332: bits = 8; break;
    case vd::Kind::Rgb565: bits = 16; break;
    case vd::Kind::Rgb24: bits = 24; break;
    case vd::Kind::Rgb32: bits = 32; break;
    case vd::Kind::Grey2: bits = 2; break;
    }
    switch (index) {
    case PLANES: return planes;
    case BITSPIXEL: return bits;
    case SIZEPALETTE: return sizePalette;
    default: return 0;
    }
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) { return 0; }
HPALETTE CreatePalette(const LOGPALETTE*) { return reinterpret_cast<HPALETTE>(&screenDc); }
HPALETTE SelectPalette(HDC, HPALETTE, BOOL) { return nullptr; }
UINT RealizePalette(HDC) { return 0; }
HGDIOBJ GetStockObject(int) { return nullptr; }
BOOL DeleteObject(HGDIOBJ) { return TRUE; }
COLORREF GetPixel(HDC, int, int) { return 0; }
COLORREF SetPixel(HDC, int, int, COLORREF color) { return color; }
HDC CreateCompatibleDC(HDC) { return reinterpret_cast<HDC>(&screenDc); }
HBITMAP CreateCompatibleBitmap(HDC, int, int) { return reinterpret_cast<HBITMAP>(&screenDc); }
HGDIOBJ SelectObject(HDC, HGDIOBJ) { return nullptr; }
BOOL BitBlt(HDC, int, int, int, int, HDC, int, int, DWORD) { return TRUE; }
int GetDIBits(HDC, HBITMAP, UINT, UINT lines, void*, BITMAPINFO*, UINT) { return static_cast<int>(lines); }
BOOL DeleteDC(HDC) { return TRUE; }
int StretchDIBits(HDC, int, int, int, int, int, int, int, int srcHeight, const void*, const BITMAPINFO*,
                  UINT, DWORD)
{
    return srcHeight;
}
}
