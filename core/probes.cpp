#include "core/probes.h"

namespace dibdraw {

namespace {

int ScreenCaps(int index)
{
    HDC screen = GetDC(nullptr);
    const int value = GetDeviceCaps(screen, index);
    ReleaseDC(nullptr, screen);
    return value;
}

}  // namespace

int GetDisplayPlanes()
{
    return ScreenCaps(PLANES);
}

int GetDisplayBitsPixel()
{
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL);
    if (bits == 8 && GetDeviceCaps(screen, SIZEPALETTE) == 0) {
        bits = 24;
    }
    ReleaseDC(nullptr, screen);
    return bits;
}

int GetDisplayColorBits()
{
    return GetDisplayPlanes() * GetDisplayBitsPixel();
}

void ReadSystemPalette(uint8_t* dst)
{
    const int colorBits = GetDisplayColorBits();
    // Only called below 24 bits; the clamp keeps a nonsensical report inside the table.
    const UINT count = (colorBits >= 0 && colorBits <= 8) ? (1u << colorBits) : 256u;
    PALETTEENTRY entries[256] = {};
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, count, entries);
    ReleaseDC(nullptr, screen);
    for (UINT i = 0; i < count; ++i) {
        dst[3 * i] = entries[i].peRed;
        dst[3 * i + 1] = entries[i].peGreen;
        dst[3 * i + 2] = entries[i].peBlue;
    }
}

short ReadBackDisplayPixel(unsigned char red, unsigned char green, unsigned char blue, void* out)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    // The pixel is put back as the device held it. On a palette display it is
    // kept as its index in a bitmap: restoring its colour with SetPixel would
    // put the nearest static colour in its place. Elsewhere its colour is
    // kept, which SetPixel puts back exactly; a bitmap is no safe store there,
    // since Wine keeps bitmaps compatible with a 16-bit display in 5-5-5 and
    // would lose a bit of green.
    const bool palette = GetDeviceCaps(screen, SIZEPALETTE) != 0;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 1);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HBITMAP saved = nullptr;
    COLORREF savedColor = 0;
    if (palette) {
        saved = CreateCompatibleBitmap(screen, 1, 1);
        SelectObject(memory, saved);
        BitBlt(memory, 0, 0, 1, 1, screen, 0, 0, SRCCOPY);
        SelectObject(memory, bitmap);
    } else {
        savedColor = GetPixel(screen, 0, 0);
    }

    SetPixel(screen, 0, 0, RGB(red, green, blue));
    BitBlt(memory, 0, 0, 1, 1, screen, 0, 0, SRCCOPY);

    BITMAPINFO info = {};
    info.bmiHeader = {.biSize = sizeof(BITMAPINFOHEADER), .biWidth = 1, .biHeight = 1, .biPlanes = 1,
                      .biBitCount = 24, .biCompression = BI_RGB, .biSizeImage = 4, .biXPelsPerMeter = 0,
                      .biYPelsPerMeter = 0, .biClrUsed = 0, .biClrImportant = 0};
    GetDIBits(memory, bitmap, 0, 1, out, &info, DIB_RGB_COLORS);

    if (palette) {
        SelectObject(memory, saved);
        BitBlt(screen, 0, 0, 1, 1, memory, 0, 0, SRCCOPY);
    } else {
        SetPixel(screen, 0, 0, savedColor);
    }

    // The bitmaps must leave the memory DC before they can be deleted.
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    if (saved != nullptr) {
        DeleteObject(saved);
    }
    ReleaseDC(nullptr, screen);
    return 0;
}

}  // namespace dibdraw
