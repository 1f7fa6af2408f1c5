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

#include "gdi_structs.h"

#endif
