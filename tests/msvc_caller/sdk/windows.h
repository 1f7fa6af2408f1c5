/* The few declarations of the Windows SDK's <windows.h> that the MSVC-ABI
 * caller and dibdraw32.h use, as the SDK declares them: this machine has
 * clang's MSVC target but no SDK, and mingw-w64's headers do not build in
 * MSVC mode. Types and calling conventions are those of the SDK, so the
 * caller exercises the ABI a Visual C++ program has. */
#ifndef MSVC_CALLER_WINDOWS_H
#define MSVC_CALLER_WINDOWS_H

#include <stddef.h>

#define WINAPI __stdcall
#define DECLSPEC_IMPORT __declspec(dllimport)

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef long LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef DWORD COLORREF;
typedef void* HANDLE;

typedef struct HDC__* HDC;
typedef struct HWND__* HWND;

/* RECT, RGBQUAD and BITMAPINFOHEADER, laid out as the SDK lays them out. */
#include <vdisplay/gdi_structs.h>

#define SRCCOPY 0x00CC0020
#define STD_OUTPUT_HANDLE ((DWORD)-11)

DECLSPEC_IMPORT HANDLE WINAPI GetStdHandle(DWORD handle);
DECLSPEC_IMPORT BOOL WINAPI WriteFile(HANDLE file, const void* buffer, DWORD bytes, DWORD* written, void* overlapped);
DECLSPEC_IMPORT void WINAPI ExitProcess(UINT code);
DECLSPEC_IMPORT HDC WINAPI GetDC(HWND window);
DECLSPEC_IMPORT int WINAPI ReleaseDC(HWND window, HDC dc);
DECLSPEC_IMPORT COLORREF WINAPI GetPixel(HDC dc, int x, int y);

#endif
