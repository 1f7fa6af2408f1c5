/* The virtual display from C: what a C program (or any language that calls
 * C) uses to set up the in-memory screen that libdibdraw32 draws on under
 * Linux, and to look at it afterwards. It mirrors the C++ interface of
 * vdisplay.h; every function checks its arguments and reports a bad one
 * with VD_BAD_ARGUMENT, changing nothing. Compiles as C89, C99 and C++. */
#ifndef VDISPLAY_VDISPLAY_C_H
#define VDISPLAY_VDISPLAY_C_H

#include <stddef.h>

#include "gdi_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VD_OK 0
#define VD_BAD_ARGUMENT (-1)

/* Kinds of display, as in vdisplay.h. */
enum {
    VD_MONO = 0,  /* 1 plane x 1 bit: black, white */
    VD_PLANAR4,   /* 16 colours as 4 planes x 1 bit */
    VD_PACKED4,   /* 16 colours as 1 plane x 4 bits */
    VD_PALETTE8,  /* 256 colours with a system palette */
    VD_RGB332,    /* 8 bits without a palette */
    VD_RGB565,    /* 16 bits, 5-6-5 */
    VD_RGB24,     /* 24 bits */
    VD_RGB32,     /* 32 bits */
    VD_GREY2      /* 2 bits: four greys */
};

/* The largest side of a screen, in pixels. */
#define VD_MAX_SCREEN_SIDE 16384

/* Replaces the screen with a new black one of a kind (VD_MONO to VD_GREY2)
 * and a size of 1 to VD_MAX_SCREEN_SIDE pixels a side, with the kind's
 * standard system palette and no windows. `swappedRgb` non-zero makes the
 * driver's 24-bit DIBs red, green, blue. */
VDISPLAY_API int VdConfigure(int kind, int width, int height, int swappedRgb);

/* Writes entries start to start + count - 1 of the 256-colour display's
 * system palette, as another application realizing its palette would.
 * VD_BAD_ARGUMENT on other kinds, or for entries outside 0..255. */
VDISPLAY_API int VdSetSystemPalette(int start, int count, const PALETTEENTRY* entries);
/* The system palette as GetSystemPaletteEntries reports it: returns how many
 * entries the display has (0 on direct-colour kinds) and copies at most
 * `capacity` of them. */
VDISPLAY_API int VdGetSystemPalette(PALETTEENTRY* entries, int capacity);

/* Fills the whole screen with the display's rendition of a colour
 * (0x00BBGGRR, as RGB() makes it). */
VDISPLAY_API int VdFillScreen(COLORREF color);

/* A window is a rectangle of the screen; drawing into it is clipped to it.
 * VdCreateWindow returns null for a rectangle with right < left or
 * bottom < top. */
VDISPLAY_API HWND VdCreateWindow(int left, int top, int right, int bottom);
VDISPLAY_API void VdDestroyWindow(HWND window);

/* The screen's device context, as GetDC(NULL) gives it; release it with
 * VdReleaseScreenDC. */
VDISPLAY_API HDC VdGetScreenDC(void);
VDISPLAY_API int VdReleaseScreenDC(HDC dc);

/* The colour the screen shows at (x, y), 0x00BBGGRR; 0xFFFFFFFF outside. */
VDISPLAY_API COLORREF VdScreenColor(int x, int y);

/* The screen as a packed DIB in the device's own format: indexed with the
 * system palette as colour table on 1-, 2-, 4- and 8-bit palette kinds (the
 * 2-bit kind as 4 bits per pixel), 24 bits per pixel otherwise, bottom-up.
 * Returns its size in bytes, and copies it into `dib` only when `capacity`
 * holds it all; call with null and 0 to learn the size. */
VDISPLAY_API size_t VdReadScreen(void* dib, size_t capacity);

/* The whole screen, top row first, in the layouts image libraries keep
 * pixels in: VdReadScreenColors the colours shown as red, green, blue, 255
 * (4 bytes a pixel); VdReadScreenIndices a palette display's palette indices
 * (a byte a pixel; 0 bytes on direct-colour displays). Each returns the size
 * and copies only when `capacity` holds it all. */
VDISPLAY_API size_t VdReadScreenColors(void* rgbx, size_t capacity);
VDISPLAY_API size_t VdReadScreenIndices(void* indices, size_t capacity);

/* GDI objects made and not yet released: device contexts, palettes and
 * bitmaps (null pointers are skipped). */
VDISPLAY_API void VdCountLiveObjects(int* dcs, int* palettes, int* bitmaps);

#ifdef __cplusplus
}
#endif

#endif
