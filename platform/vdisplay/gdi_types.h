/* The Windows types of the virtual display's GDI subset, with the Windows
 * names and layouts, in C so that C programs and C interfaces can use them
 * (gdi.h adds the constants and functions for C++). */
#ifndef VDISPLAY_GDI_TYPES_H
#define VDISPLAY_GDI_TYPES_H

#if defined(VDISPLAY_BUILD)
#define VDISPLAY_API __attribute__((visibility("default")))
#else
#define VDISPLAY_API
#endif

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef int LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef DWORD COLORREF;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

typedef struct HDC__* HDC;
typedef struct HWND__* HWND;
typedef struct HPALETTE__* HPALETTE;
typedef struct HBITMAP__* HBITMAP;
typedef void* HGDIOBJ;

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
