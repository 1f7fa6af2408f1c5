// The C interface of vdisplay_c.h over the C++ one of vdisplay.h.
#include <algorithm>

#include "vdisplay.h"
#include "vdisplay_c.h"

namespace {

static_assert(VD_MONO == static_cast<int>(vd::Kind::Mono) && VD_PLANAR4 == static_cast<int>(vd::Kind::Planar4) &&
                  VD_PACKED4 == static_cast<int>(vd::Kind::Packed4) &&
                  VD_PALETTE8 == static_cast<int>(vd::Kind::Palette8) &&
                  VD_RGB332 == static_cast<int>(vd::Kind::Rgb332) && VD_RGB565 == static_cast<int>(vd::Kind::Rgb565) &&
                  VD_RGB24 == static_cast<int>(vd::Kind::Rgb24) && VD_RGB32 == static_cast<int>(vd::Kind::Rgb32) &&
                  VD_GREY2 == static_cast<int>(vd::Kind::Grey2),
              "the C kinds are the C++ kinds");
static_assert(VD_MAX_SCREEN_SIDE == vd::kMaxScreenSide, "one largest screen side");

bool ValidSide(int side) { return side >= 1 && side <= vd::kMaxScreenSide; }

}  // namespace

extern "C" {

int VdConfigure(int kind, int width, int height, int swappedRgb)
{
    if (kind < VD_MONO || kind > VD_GREY2 || !ValidSide(width) || !ValidSide(height)) {
        return VD_BAD_ARGUMENT;
    }
    vd::Config config;
    config.kind = static_cast<vd::Kind>(kind);
    config.width = width;
    config.height = height;
    config.swappedRgb = swappedRgb != 0;
    vd::Configure(config);
    return VD_OK;
}

int VdSetSystemPalette(int start, int count, const PALETTEENTRY* entries)
{
    if (vd::CurrentConfig().kind != vd::Kind::Palette8 || start < 0 || count < 0 || start > 256 - count ||
        (entries == nullptr && count > 0)) {
        return VD_BAD_ARGUMENT;
    }
    vd::SetSystemPaletteEntries(static_cast<unsigned>(start), static_cast<unsigned>(count), entries);
    return VD_OK;
}

int VdGetSystemPalette(PALETTEENTRY* entries, int capacity)
{
    if (capacity < 0 || (entries == nullptr && capacity > 0)) {
        return VD_BAD_ARGUMENT;
    }
    const std::vector<PALETTEENTRY> palette = vd::SystemPalette();
    const size_t copied = std::min(palette.size(), static_cast<size_t>(capacity));
    std::copy_n(palette.begin(), copied, entries);
    return static_cast<int>(palette.size());
}

int VdFillScreen(COLORREF color)
{
    vd::FillScreen(color);
    return VD_OK;
}

HWND VdCreateWindow(int left, int top, int right, int bottom) { return vd::CreateWindow(RECT{left, top, right, bottom}); }

void VdDestroyWindow(HWND window) { vd::DestroyWindow(window); }

HDC VdGetScreenDC(void) { return GetDC(nullptr); }

int VdReleaseScreenDC(HDC dc) { return ReleaseDC(nullptr, dc); }

COLORREF VdScreenColor(int x, int y) { return vd::ScreenColor(x, y); }

size_t VdReadScreen(void* dib, size_t capacity) { return vd::ReadScreenDib(dib, capacity); }

size_t VdReadScreenColors(void* rgbx, size_t capacity) { return vd::ReadScreenColors(rgbx, capacity); }

size_t VdReadScreenIndices(void* indices, size_t capacity) { return vd::ReadScreenIndices(indices, capacity); }

void VdCountLiveObjects(int* dcs, int* palettes, int* bitmaps)
{
    const vd::LiveObjects live = vd::CountLiveObjects();
    if (dcs != nullptr) {
        *dcs = live.dcs;
    }
    if (palettes != nullptr) {
        *palettes = live.palettes;
    }
    if (bitmaps != nullptr) {
        *bitmaps = live.bitmaps;
    }
}

}  // extern "C"
