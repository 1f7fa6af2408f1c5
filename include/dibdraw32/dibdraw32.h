/* dibdraw32's C interface: the library for every compiler and language.
 *
 * Plain functions with undecorated names, the same in dibdraw32.dll (32- and
 * 64-bit) and libdibdraw32.so, in the Windows calling convention of system
 * libraries (stdcall on 32-bit Windows). A blitter is an opaque handle made
 * by DibdrawCreate and released by DibdrawDestroy; every function that
 * reports a result returns a signed 16-bit code, zero on success:
 *
 *      0     DIBDRAW_OK           success, also when there was nothing to draw
 *  -1007     DIBDRAW_NO_MEMORY    an allocation failed; nothing was drawn
 *  -1032     DIBDRAW_UNSUPPORTED  a null handle or pointer, a DIB that does not
 *                                 fit in the length given or that the library
 *                                 cannot draw, or no converter for the display
 *                                 depth, source depth and dither mode
 *
 * Dither modes: 0 ordered, 1 none, 2 Floyd-Steinberg, 3 ordered with a fixed
 * 8 x 8 period. Palette modes: 0 the fixed palette, 1 the image's palette
 * realized by the host, 2 the image's colours against whatever the display
 * holds.
 *
 * A DIB is packed: a BITMAPINFOHEADER, its colour table of 2^biBitCount
 * entries (1, 4 and 8 bits per pixel), then bottom-up rows padded to 4
 * bytes. Every function that reads one takes its length in bytes and reads
 * nothing beyond it. An object serves one thread at a time.
 *
 * This header compiles as C89, C99 and C++. On Windows it takes the GDI
 * types from <windows.h>; elsewhere from the virtual display the library
 * draws on (<vdisplay/gdi_types.h>). */
#ifndef DIBDRAW32_DIBDRAW32_H
#define DIBDRAW32_DIBDRAW32_H

#include <stddef.h>

#if defined(_WIN32)
#include <windows.h>
#if defined(DIBDRAW32_BUILD)
#define DIBDRAW32_C_API
#else
#define DIBDRAW32_C_API __declspec(dllimport)
#endif
#else
#include <vdisplay/gdi_types.h>
#if defined(DIBDRAW32_BUILD)
#define DIBDRAW32_C_API __attribute__((visibility("default")))
#else
#define DIBDRAW32_C_API
#endif
#ifndef WINAPI
#define WINAPI
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define DIBDRAW_OK 0
#define DIBDRAW_NO_MEMORY (-1007)
#define DIBDRAW_UNSUPPORTED (-1032)

typedef struct DibdrawBlitter DibdrawBlitter;

/* What the last blit of an object did. The caller sets `size` to
 * sizeof(DibdrawBlitInfo); later versions only add fields at the end. */
typedef struct DibdrawBlitInfo {
    unsigned int size;
    short result;          /* the blit's result */
    int displayDepth;      /* the display as the object classes it: 1, 4, 8 or 24 */
    const char* converter; /* the converter chosen ("Blit24To8Mode2"), "none" before any;
                              the library's own text, valid while it is loaded */
    RECT source;           /* the source rectangle after clipping to the bitmap */
    unsigned int bands;    /* the bands sent to the display, one StretchDIBits call each */
    DWORD rop;             /* the bands' raster operation: SRCCOPY, SRCAND or SRCPAINT */
    int paletteMode;       /* the palette mode in force: 0 once the image's colours
                              could not be shown closely enough by index translation */
} DibdrawBlitInfo;

/* Makes a blitter for the current display. Returns null on failure, with the
 * code in *result when `result` is not null (DIBDRAW_OK on success). */
DIBDRAW32_C_API DibdrawBlitter* WINAPI DibdrawCreate(int ditherMode, int paletteMode, short* result);
/* Releases a blitter and its palette; a null handle does nothing. */
DIBDRAW32_C_API void WINAPI DibdrawDestroy(DibdrawBlitter* blitter);
/* Re-reads the display (after a change of display mode) and sets new modes.
 * DIBDRAW_NO_MEMORY when a 256-colour display's palette could not be made:
 * the blitter's blits then return DIBDRAW_NO_MEMORY until a later
 * DibdrawReInit succeeds. */
DIBDRAW32_C_API short WINAPI DibdrawReInit(DibdrawBlitter* blitter, int ditherMode, int paletteMode);

/* Draws the part `src` of a DIB of `dibBytes` bytes scaled into `dst`, in
 * device coordinates. `src` is clipped to the bitmap in place; null `src`
 * means the whole bitmap, null `dst` the clipped source's size at (0, 0). */
DIBDRAW32_C_API short WINAPI DibdrawBlitDC(DibdrawBlitter* blitter, HDC dc, const BITMAPINFOHEADER* dib,
                                           size_t dibBytes, RECT* src, RECT* dst);
/* The same into a window's client area; a null window is the whole screen. */
DIBDRAW32_C_API short WINAPI DibdrawBlitWindow(DibdrawBlitter* blitter, HWND window, const BITMAPINFOHEADER* dib,
                                               size_t dibBytes, RECT* src, RECT* dst);

/* Put colours into a 256-colour display's palette for a window (null: the
 * screen), as the palette mode says: the fixed palette in mode 0, the given
 * colours in mode 1, nothing in mode 2 or on other displays. */
DIBDRAW32_C_API short WINAPI DibdrawRealizeFixedPalette(DibdrawBlitter* blitter, HWND window);
DIBDRAW32_C_API short WINAPI DibdrawRealizeDibPalette(DibdrawBlitter* blitter, HWND window,
                                                      const BITMAPINFOHEADER* dib, size_t dibBytes);
/* `count` colours, 0 to 256 (more are ignored, fewer than 0 refused). */
DIBDRAW32_C_API short WINAPI DibdrawRealizeColors(DibdrawBlitter* blitter, HWND window, const RGBQUAD* colors,
                                                  int count);

/* A short English text for a result code ("out of memory"). */
DIBDRAW32_C_API const char* WINAPI DibdrawResultText(short result);
/* The library's version; null pointers are skipped. */
DIBDRAW32_C_API void WINAPI DibdrawVersion(int* major, int* minor, int* patch);
/* Fills `info` with what the object's last blit did (before any blit: a
 * result of 0, converter "none" and nothing sent). */
DIBDRAW32_C_API short WINAPI DibdrawLastBlit(const DibdrawBlitter* blitter, DibdrawBlitInfo* info);

#ifdef __cplusplus
}
#endif

#endif
