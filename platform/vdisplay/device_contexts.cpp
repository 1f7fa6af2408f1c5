// Device contexts, compatible bitmaps, object selection and deletion, and
// the device capabilities.
#include "display_state.h"

using namespace vd::detail;
using vd::Kind;

namespace {

constexpr int64_t kMaxBitmapPixels = int64_t{1} << 26;

// GetDeviceCaps indices and raster capabilities beyond those gdi.h names.
constexpr int kHorzRes = 8;
constexpr int kVertRes = 10;
constexpr int kNumReserved = 106;
constexpr int kRcBitBlt = 0x0001;
constexpr int kRcBitmap64 = 0x0008;
constexpr int kRcDiBitmap = 0x0080;
constexpr int kRcDibToDev = 0x0200;
constexpr int kRcStretchBlt = 0x0800;
constexpr int kRcStretchDib = 0x2000;

HDC NewDc(State& state, DeviceContext context)
{
    context.palette = StockPaletteHandle();
    const uintptr_t handle = NewHandle(state, HandleType::Dc);
    state.dcs.emplace(handle, context);
    return reinterpret_cast<HDC>(handle);
}

// Deletes an object now, or once the last DC selecting it lets go.
template <class Object>
BOOL DeleteSelectable(std::unordered_map<uintptr_t, Object>& objects, uintptr_t handle)
{
    auto found = objects.find(handle);
    if (found == objects.end() || found->second.deletePending) {
        return FALSE;
    }
    if (found->second.stock) {
        return TRUE;
    }
    if (found->second.selections > 0) {
        found->second.deletePending = true;
    } else {
        objects.erase(found);
    }
    return TRUE;
}

}  // namespace

extern "C" {

HDC GetDC(HWND window)
{
    auto lock = Lock();
    State& state = TheState();
    ++state.dcRequests;
    DeviceContext context;
    if (window != nullptr) {
        if (state.windows.count(reinterpret_cast<uintptr_t>(window)) == 0) {
            return nullptr;
        }
        context.type = DcType::Window;
        context.window = window;
    }
    return NewDc(state, context);
}

int ReleaseDC(HWND, HDC dc)
{
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* context = FindDc(state, dc);
    if (context == nullptr || context->type == DcType::Memory) {
        return 0;
    }
    const HPALETTE palette = context->palette;
    state.dcs.erase(reinterpret_cast<uintptr_t>(dc));
    ReleasePaletteSelection(state, palette);
    return 1;
}

HDC CreateCompatibleDC(HDC dc)
{
    auto lock = Lock();
    State& state = TheState();
    if (dc != nullptr && FindDc(state, dc) == nullptr) {
        return nullptr;
    }
    DeviceContext context;
    context.type = DcType::Memory;
    context.bitmap = StockBitmapHandle();
    return NewDc(state, context);
}

BOOL DeleteDC(HDC dc)
{
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* context = FindDc(state, dc);
    if (context == nullptr || context->type != DcType::Memory) {
        return FALSE;
    }
    const HPALETTE palette = context->palette;
    const HBITMAP bitmap = context->bitmap;
    state.dcs.erase(reinterpret_cast<uintptr_t>(dc));
    ReleasePaletteSelection(state, palette);
    ReleaseBitmapSelection(state, bitmap);
    return TRUE;
}

// The part of the surface a DC may draw on, in its own coordinates: the
// window's part of the screen for a window DC, the whole screen or bitmap
// otherwise.
int GetClipBox(HDC dc, RECT* box)
{
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* context = FindDc(state, dc);
    Target target;
    if (context == nullptr || box == nullptr || !ResolveTarget(state, *context, target)) {
        return ERROR;
    }
    const RECT& clip = target.clip;
    if (clip.right <= clip.left || clip.bottom <= clip.top) {
        *box = RECT{0, 0, 0, 0};
        return NULLREGION;
    }
    *box = RECT{clip.left - target.originX, clip.top - target.originY, clip.right - target.originX,
                clip.bottom - target.originY};
    return SIMPLEREGION;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* context = FindDc(state, dc);
    if (context == nullptr || width < 0 || height < 0 ||
        int64_t{width} * int64_t{height} > kMaxBitmapPixels) {
        return nullptr;
    }
    if (width == 0 || height == 0) {
        return StockBitmapHandle();
    }
    // Compatible with a memory DC means in the format of its current bitmap,
    // monochrome while it still holds the stock one.
    Kind kind = state.config.kind;
    if (context->type == DcType::Memory) {
        auto selected = state.bitmaps.find(reinterpret_cast<uintptr_t>(context->bitmap));
        if (selected != state.bitmaps.end()) {
            kind = selected->second.surface.kind;
        }
    }
    Bitmap bitmap;
    bitmap.surface.Allocate(kind, width, height);
    const uintptr_t handle = NewHandle(state, HandleType::Bitmap);
    state.bitmaps.emplace(handle, std::move(bitmap));
    return reinterpret_cast<HBITMAP>(handle);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* context = FindDc(state, dc);
    const HBITMAP handle = static_cast<HBITMAP>(object);
    Bitmap* bitmap = FindBitmap(state, handle);
    if (context == nullptr || bitmap == nullptr || context->type != DcType::Memory) {
        return nullptr;
    }
    const HBITMAP previous = context->bitmap;
    if (handle == previous) {
        return previous;
    }
    // A bitmap can be selected into one DC at a time.
    if (!bitmap->stock && bitmap->selections > 0) {
        return nullptr;
    }
    ++bitmap->selections;
    context->bitmap = handle;
    ReleaseBitmapSelection(state, previous);
    return previous;
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto lock = Lock();
    State& state = TheState();
    const uintptr_t handle = reinterpret_cast<uintptr_t>(object);
    if (state.palettes.count(handle) != 0) {
        return DeleteSelectable(state.palettes, handle);
    }
    return DeleteSelectable(state.bitmaps, handle);
}

int GetDeviceCaps(HDC dc, int index)
{
    auto lock = Lock();
    State& state = TheState();
    if (FindDc(state, dc) == nullptr) {
        return 0;
    }
    const vd::Kind kind = state.config.kind;
    const KindInfo& info = InfoOf(kind);
    const bool palettized = kind == vd::Kind::Palette8;
    switch (index) {
    case kHorzRes: return state.screen.width;
    case kVertRes: return state.screen.height;
    case BITSPIXEL: return info.bitsPixel;
    case PLANES: return info.planes;
    case NUMCOLORS: return palettized ? 20 : info.paletteEntries > 0 ? info.paletteEntries : -1;
    case RASTERCAPS:
        return kRcBitBlt | kRcBitmap64 | kRcDiBitmap | kRcDibToDev | kRcStretchBlt | kRcStretchDib |
               (palettized ? RC_PALETTE : 0);
    case SIZEPALETTE: return palettized ? 256 : 0;
    case kNumReserved: return palettized ? 20 : 0;
    default: return 0;
    }
}

}  // extern "C"

namespace vd {

uint64_t DcRequests()
{
    auto lock = Lock();
    return TheState().dcRequests;
}

}  // namespace vd
