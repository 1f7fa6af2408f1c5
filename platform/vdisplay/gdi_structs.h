/* The Windows structures the DIB and palette calls take, with the Windows
 * names and layouts, in C. They are written with the Windows scalar names
 * (BYTE, WORD, DWORD, LONG), which the includer defines: gdi_types.h for the
 * virtual display, and the stand-in SDK header of the MSVC-ABI test caller,
 * whose DWORD and LONG are the SDK's longs: four bytes on Windows, as the
 * virtual display's ints are, so the layouts agree. */
#ifndef VDISPLAY_GDI_STRUCTS_H
#define VDISPLAY_GDI_STRUCTS_H

#pragma pack(push, 1)
typedef struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;

typedef struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;

typedef struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;
#pragma pack(pop)

typedef struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;

#endif
