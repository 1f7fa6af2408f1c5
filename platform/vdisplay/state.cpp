// The display state, its handles and the host calls that configure it.
#include <algorithm>

#include "display_state.h"

namespace vd::detail {

namespace {

constexpr uintptr_t HandleValue(uintptr_t serial, HandleType type)
{
    return (serial << 4) | static_cast<uintptr_t>(type);
}

template <class Object>
void KeepApplicationObjects(std::unordered_map<uintptr_t, Object>& objects)
{
    for (auto it = objects.begin(); it != objects.end();) {
        if (it->second.stock || it->second.deletePending) {
            it = objects.erase(it);
        } else {
            it->second.selections = 0;
            ++it;
        }
    }
}

void Reset(State& state, const Config& config)
{
    state.config = config;
    state.config.width = std::clamp(config.width, 1, kMaxScreenSide);
    state.config.height = std::clamp(config.height, 1, kMaxScreenSide);
    state.screen.Allocate(config.kind, state.config.width, state.config.height);
    ResetSystemPalette(state);
    state.windows.clear();
    state.dcs.clear();
    // Palettes and bitmaps are the applications' objects and outlive a change
    // of display mode, as in GDI; the DCs they were selected into do not.
    KeepApplicationObjects(state.palettes);
    KeepApplicationObjects(state.bitmaps);
    for (auto& [handle, palette] : state.palettes) {
        palette.systemIndex.clear();
    }
    state.stretchCalls.clear();

    Palette defaultPalette;
    defaultPalette.stock = true;
    for (int s = 0; s < 20; ++s) {
        defaultPalette.colors.push_back(kStaticColors[static_cast<size_t>(s)]);
        defaultPalette.systemIndex.push_back(static_cast<uint8_t>(StaticIndex(s)));
    }
    state.palettes.emplace(reinterpret_cast<uintptr_t>(StockPaletteHandle()), std::move(defaultPalette));

    // Every memory DC starts with this 1 x 1 monochrome bitmap selected.
    Bitmap stockBitmap;
    stockBitmap.stock = true;
    stockBitmap.surface.Allocate(Kind::Mono, 1, 1);
    state.bitmaps.emplace(reinterpret_cast<uintptr_t>(StockBitmapHandle()), std::move(stockBitmap));
}

template <class Object>
void ReleaseSelection(std::unordered_map<uintptr_t, Object>& objects, uintptr_t handle)
{
    auto found = objects.find(handle);
    if (found == objects.end()) {
        return;
    }
    Object& object = found->second;
    if (object.selections > 0) {
        --object.selections;
    }
    if (object.selections == 0 && object.deletePending && !object.stock) {
        objects.erase(found);
    }
}

}  // namespace

State& TheState()
{
    static State state;
    static const bool initialized = (Reset(state, Config{}), true);
    (void)initialized;
    return state;
}

std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(TheState().mutex); }

uintptr_t NewHandle(State& state, HandleType type) { return HandleValue(state.nextSerial++, type); }

HPALETTE StockPaletteHandle() { return reinterpret_cast<HPALETTE>(HandleValue(1, HandleType::Palette)); }
HBITMAP StockBitmapHandle() { return reinterpret_cast<HBITMAP>(HandleValue(2, HandleType::Bitmap)); }

DeviceContext* FindDc(State& state, HDC dc)
{
    auto found = state.dcs.find(reinterpret_cast<uintptr_t>(dc));
    return found == state.dcs.end() ? nullptr : &found->second;
}

Palette* FindPalette(State& state, HPALETTE palette)
{
    auto found = state.palettes.find(reinterpret_cast<uintptr_t>(palette));
    return found == state.palettes.end() || found->second.deletePending ? nullptr : &found->second;
}

Bitmap* FindBitmap(State& state, HBITMAP bitmap)
{
    auto found = state.bitmaps.find(reinterpret_cast<uintptr_t>(bitmap));
    return found == state.bitmaps.end() || found->second.deletePending ? nullptr : &found->second;
}

void ReleasePaletteSelection(State& state, HPALETTE palette)
{
    ReleaseSelection(state.palettes, reinterpret_cast<uintptr_t>(palette));
}

void ReleaseBitmapSelection(State& state, HBITMAP bitmap)
{
    ReleaseSelection(state.bitmaps, reinterpret_cast<uintptr_t>(bitmap));
}

bool IntersectRect(RECT& result, const RECT& a, const RECT& b)
{
    result.left = std::max(a.left, b.left);
    result.top = std::max(a.top, b.top);
    result.right = std::min(a.right, b.right);
    result.bottom = std::min(a.bottom, b.bottom);
    if (result.left >= result.right || result.top >= result.bottom) {
        result = RECT{0, 0, 0, 0};
        return false;
    }
    return true;
}

bool ResolveTarget(State& state, const DeviceContext& dc, Target& target)
{
    target = Target{};
    switch (dc.type) {
    case DcType::Screen:
        target.surface = &state.screen;
        target.clip = RECT{0, 0, state.screen.width, state.screen.height};
        return true;
    case DcType::Window: {
        target.surface = &state.screen;
        auto window = state.windows.find(reinterpret_cast<uintptr_t>(dc.window));
        if (window != state.windows.end()) {
            target.originX = window->second.left;
            target.originY = window->second.top;
            IntersectRect(target.clip, window->second, RECT{0, 0, state.screen.width, state.screen.height});
        }
        return true;
    }
    case DcType::Memory: {
        // A bitmap deleted while selected is still drawn into until released.
        auto bitmap = state.bitmaps.find(reinterpret_cast<uintptr_t>(dc.bitmap));
        if (bitmap == state.bitmaps.end()) {
            return false;
        }
        target.surface = &bitmap->second.surface;
        target.clip = RECT{0, 0, target.surface->width, target.surface->height};
        return true;
    }
    }
    return false;
}

}  // namespace vd::detail

using namespace vd::detail;
using vd::Kind;

namespace vd {

void Configure(const Config& config)
{
    auto lock = Lock();
    Reset(TheState(), config);
}

Config CurrentConfig()
{
    auto lock = Lock();
    return TheState().config;
}

HWND CreateWindow(const RECT& area)
{
    if (area.right < area.left || area.bottom < area.top || !WithinLimits(area.left) ||
        !WithinLimits(area.top) || !WithinLimits(area.right) || !WithinLimits(area.bottom)) {
        return nullptr;
    }
    auto lock = Lock();
    State& state = TheState();
    const uintptr_t handle = NewHandle(state, HandleType::Window);
    state.windows.emplace(handle, area);
    return reinterpret_cast<HWND>(handle);
}

void DestroyWindow(HWND window)
{
    auto lock = Lock();
    TheState().windows.erase(reinterpret_cast<uintptr_t>(window));
}

std::vector<StretchCall> StretchCalls()
{
    auto lock = Lock();
    return TheState().stretchCalls;
}

void ClearStretchCalls()
{
    auto lock = Lock();
    TheState().stretchCalls.clear();
}

LiveObjects CountLiveObjects()
{
    auto lock = Lock();
    const State& state = TheState();
    LiveObjects live{static_cast<int>(state.dcs.size()), 0, 0};
    for (const auto& entry : state.palettes) {
        live.palettes += entry.second.stock ? 0 : 1;
    }
    for (const auto& entry : state.bitmaps) {
        live.bitmaps += entry.second.stock ? 0 : 1;
    }
    return live;
}

}  // namespace vd
