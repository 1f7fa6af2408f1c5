// Host side of the virtual display: what a test or a tool uses to set up the
// in-memory screen behind the GDI functions of gdi.h and to look at it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gdi.h"

namespace vd {

enum class Kind {
    Mono,      // 1 plane x 1 bit: black, white
    Planar4,   // 16 colours as 4 planes x 1 bit
    Packed4,   // 16 colours as 1 plane x 4 bits
    Palette8,  // 256 colours with a system palette (SIZEPALETTE 256)
    Rgb332,    // 8 bits without a palette (SIZEPALETTE 0), pixels stored 3-3-2
    Rgb565,    // 16 bits, 5-6-5
    Rgb24,     // 24 bits
    Rgb32,     // 32 bits
    Grey2,     // 2 bits: four greys
};

// The largest side of a screen; Configure clamps sizes to 1..kMaxScreenSide.
constexpr int kMaxScreenSide = 16384;

// Vector instruction sets the display's own drawing may use.
enum class Vectors { Sse2, Avx2, Avx512 };  // Avx512: with the VBMI byte permutes

struct Config {
    int width = 64;
    int height = 64;
    Kind kind = Kind::Rgb32;
    // The driver's 24-bit DIBs are red, green, blue instead of blue, green,
    // red, in GetDIBits and StretchDIBits alike.
    bool swappedRgb = false;
    // The widest vectors the display draws with, where the processor has
    // them: narrower, it draws as it would on a narrower machine, so that a
    // program measured there pays what such a machine's display costs, and
    // every way of drawing can be tested on one machine.
    Vectors widestVectors = Vectors::Avx512;
};

// Replaces the screen: a new framebuffer filled with black, the standard
// system palette of the kind, no windows and no device contexts. Palettes and
// bitmaps created before stay valid and counted until deleted, as GDI objects
// outlive a change of display mode.
VDISPLAY_API void Configure(const Config& config);
VDISPLAY_API Config CurrentConfig();

// A window is a rectangle of the screen; GetDC(window) draws into it, with its
// top-left corner as the origin, clipped to it.
VDISPLAY_API HWND CreateWindow(const RECT& area);
VDISPLAY_API void DestroyWindow(HWND window);

// The framebuffer: device pixel values (palette indices on 1-, 2-, 4- and
// 8-bit palette kinds, packed 3-3-2 / 5-6-5 values, 0x00RRGGBB on 24/32 bits),
// and the colours they show, at screen coordinates. Outside the screen both
// return 0xFFFFFFFF (CLR_INVALID).
VDISPLAY_API uint32_t DevicePixel(int x, int y);
VDISPLAY_API COLORREF ScreenColor(int x, int y);
// The colour a device pixel value shows on the current screen.
VDISPLAY_API COLORREF PixelColor(uint32_t pixel);
// Writes one device pixel value (masked to the kind's bits) at screen coordinates.
VDISPLAY_API void SetDevicePixel(int x, int y, uint32_t pixel);
// Fills the whole screen with the device's rendition of a colour (as drawn
// through a DC with the default palette).
VDISPLAY_API void FillScreen(COLORREF color);

// The current system palette as GetSystemPaletteEntries reports it: 256
// entries on the 256-colour kind, the fixed colours of the 1-, 2- and 4-bit
// kinds, nothing on direct-colour kinds.
VDISPLAY_API std::vector<PALETTEENTRY> SystemPalette();

// The device pixels of a bitmap, top row first; empty for an invalid handle.
struct BitmapContents {
    int width = 0;
    int height = 0;
    Kind kind = Kind::Rgb32;  // Mono for the stock bitmap and bitmaps made compatible with it
    std::vector<uint32_t> pixels;
};
VDISPLAY_API BitmapContents ReadBitmap(HBITMAP bitmap);

// Writes system palette entries directly, as another application realizing
// its palette would (256-colour kind only; ignored elsewhere).
VDISPLAY_API void SetSystemPaletteEntries(unsigned start, unsigned count, const PALETTEENTRY* entries);

// A record of every StretchDIBits call since the last clear.
struct StretchCall {
    int x, y, width, height;           // destination, in DC coordinates
    int srcX, srcY, srcWidth, srcHeight;
    int bitCount;                      // of the DIB drawn
    DWORD rop;
};
VDISPLAY_API std::vector<StretchCall> StretchCalls();
VDISPLAY_API void ClearStretchCalls();

// Objects created and not yet released or deleted. An object deleted while
// still selected into a DC lives on, and is counted, until that DC lets go of
// it, as in GDI.
struct LiveObjects {
    int dcs;       // GetDC without ReleaseDC, CreateCompatibleDC without DeleteDC
    int palettes;  // CreatePalette without DeleteObject
    int bitmaps;   // CreateCompatibleBitmap without DeleteObject
};
VDISPLAY_API LiveObjects CountLiveObjects();
// Calls of GetDC since the process started, window or screen, successful or not.
VDISPLAY_API uint64_t DcRequests();

// The screen as a packed DIB (header, colour table, bottom-up rows) in the
// device's own format, as WriteScreenBmp writes it. ReadScreenDib returns its
// size and writes it to `dib` only when `capacity` holds it all.
VDISPLAY_API size_t ReadScreenDib(void* dib, size_t capacity);
VDISPLAY_API std::vector<uint8_t> ScreenDib();
// The whole screen, top row first: the colours shown as red, green, blue,
// 255 (4 bytes a pixel), or a palette display's device pixels (its palette
// indices, a byte a pixel; 0 bytes on direct-colour displays). Each returns
// the size and writes only when `capacity` holds it all.
VDISPLAY_API size_t ReadScreenColors(void* rgbx, size_t capacity);
VDISPLAY_API size_t ReadScreenIndices(void* indices, size_t capacity);

// Writes the screen as a BMP in the device's own format: indexed with the
// system palette as colour table on 1-, 2-, 4- and 8-bit palette kinds (the
// 2-bit kind as a 4-bit file whose table holds its four greys, since desktop
// readers know no 2-bit BMPs), 24-bit true colour otherwise, bottom-up.
// Returns false when the file cannot be written.
VDISPLAY_API bool WriteScreenBmp(const char* path);

}  // namespace vd
