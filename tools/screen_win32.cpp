// The Windows build's screen: a window on the real display, drawn through
// GDI and USER and read back through a DIB section.
#include <algorithm>
#include <cstdio>

#include "common/bmp_file.h"
#include "tools/output_file.h"
#include "tools/png_io.h"
#include "tools/screen.h"

namespace dibtool {

namespace {

constexpr char kWindowClass[] = "dibdraw screen";

LRESULT CALLBACK ScreenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        // The tool paints the background itself, once, before the blit.
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterScreenClass()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ScreenProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Lets the windows be shown and their first messages go by before anything
// is drawn, so that no paint arrives after the tool has drawn.
void PumpMessages()
{
    for (int round = 0; round < 5; ++round) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

struct Caps {
    int planes;
    int bitsPixel;
    bool palette;
};

Caps DisplayCapsOf(HDC dc)
{
    return Caps{GetDeviceCaps(dc, PLANES), GetDeviceCaps(dc, BITSPIXEL),
                (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0};
}

std::string Describe(int planes, int bitsPixel, bool palette)
{
    return std::to_string(planes) + (planes == 1 ? " plane" : " planes") + " x " + std::to_string(bitsPixel) +
           (bitsPixel == 1 ? " bit" : " bits") + (palette ? " with a palette" : " without a palette");
}

// The colour a solid background shows as. On a palette display a brush of
// any other colour than the default palette's may be dithered, so the
// background is its nearest colour (the first of equally near ones), as the
// virtual display fills its screen.
COLORREF BackgroundShown(COLORREF wanted, bool palette)
{
    if (!palette) {
        return wanted;
    }
    PALETTEENTRY entries[20];
    const UINT count = GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, entries);
    COLORREF best = wanted;
    int bestDistance = 0x7FFFFFFF;
    for (UINT i = 0; i < count; ++i) {
        const int dr = entries[i].peRed - GetRValue(wanted);
        const int dg = entries[i].peGreen - GetGValue(wanted);
        const int db = entries[i].peBlue - GetBValue(wanted);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
        }
    }
    return best;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

struct Screen::State {
    HWND screen = nullptr;   // the top-level window standing for the screen
    // The window blitted into when it is not the whole screen: a popup owned
    // by the screen window, over it. (Wine draws nothing into child windows
    // when it draws through the X server, as the tool needs it to on
    // 256-colour displays.)
    HWND overlay = nullptr;
    Size size;

    // What the screen shows, 0x00RRGGBB per pixel, top row first.
    std::vector<uint32_t> ReadColors() const;
};

std::vector<uint32_t> Screen::State::ReadColors() const
{
    std::vector<uint32_t> pixels(static_cast<size_t>(size.width) * static_cast<size_t>(size.height));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // With an overlay the screen is read where it lies on the desktop (at
    // the top left), as the screen window's own pixels under the overlay
    // are undefined.
    const HWND source = overlay != nullptr ? nullptr : screen;
    const HDC dc = GetDC(source);
    const HDC memory = CreateCompatibleDC(dc);
    void* bits = nullptr;
    const HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool read = false;
    if (memory != nullptr && copy != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, copy);
        const BOOL copied = BitBlt(memory, 0, 0, size.width, size.height, dc, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        read = copied && GetDIBits(memory, copy, 0, static_cast<UINT>(size.height), pixels.data(), &info,
                                   DIB_RGB_COLORS) == size.height;
    }
    if (copy != nullptr) {
        DeleteObject(copy);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    ReleaseDC(source, dc);
    if (!read) {
        pixels.clear();
    }
    for (uint32_t& pixel : pixels) {
        pixel &= 0xFFFFFF;
    }
    return pixels;
}

Screen::Screen() : m_state(std::make_unique<State>()) {}

// The window is left to go with the process: without a window manager,
// Wine's DestroyWindow waits two seconds for the X server to report the
// window withdrawn, which would dominate every run of the tool.
Screen::~Screen() = default;

std::string Screen::Unsupported(const Options& options)
{
    if (options.swapped) {
        return "--swapped describes the driver of a virtual display; the Windows build draws on the real "
               "display";
    }
    if (!options.systemPaletteFile.empty()) {
        return "--system-palette sets the system palette of a virtual display; the Windows build uses the real "
               "display's";
    }
    if (options.command == Command::Sheet) {
        return "the sheet command sets up displays of every kind, which only the virtual display of the Linux "
               "build can";
    }
    return {};
}

std::string Screen::Open(const Options& options, const Geometry& geometry, std::span<const PALETTEENTRY>)
{
    const HDC desktop = GetDC(nullptr);
    const Caps caps = DisplayCapsOf(desktop);
    ReleaseDC(nullptr, desktop);
    if (options.display) {
        const DisplayCaps wanted = CapsOf(*options.display);
        if (wanted.planes != caps.planes || wanted.bitsPixel != caps.bitsPixel || wanted.palette != caps.palette) {
            return "--display " + std::string(DisplayKindName(*options.display)) + " asks for " +
                   Describe(wanted.planes, wanted.bitsPixel, wanted.palette) + ", but the display has " +
                   Describe(caps.planes, caps.bitsPixel, caps.palette);
        }
    }
    const int desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    const int desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    if (geometry.screen.width > desktopWidth || geometry.screen.height > desktopHeight) {
        return "a screen of " + std::to_string(geometry.screen.width) + "x" + std::to_string(geometry.screen.height) +
               " does not fit on the " + std::to_string(desktopWidth) + "x" + std::to_string(desktopHeight) +
               " display";
    }
    if (!RegisterScreenClass()) {
        return "cannot register the window class";
    }

    State& state = *m_state;
    state.size = geometry.screen;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    // Top-most at the top left: the library's probe pixel at (0, 0) of the
    // screen lies in it, and no other window covers it.
    state.screen = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass, "dibdraw", WS_POPUP, 0, 0,
                                   geometry.screen.width, geometry.screen.height, nullptr, nullptr, instance,
                                   nullptr);
    if (state.screen == nullptr) {
        return "cannot create a window";
    }
    ShowWindow(state.screen, SW_SHOW);
    const RECT& w = geometry.window;
    if (!SameRect(w, RECT{0, 0, geometry.screen.width, geometry.screen.height})) {
        state.overlay = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, w.left, w.top,
                                        w.right - w.left, w.bottom - w.top, state.screen, nullptr, instance, nullptr);
        if (state.overlay == nullptr) {
            return "cannot create the window";
        }
        ShowWindow(state.overlay, SW_SHOW);
    }
    // The window blitted into is the active one, so that the library's
    // palette is realized in the foreground.
    SetForegroundWindow(window());
    UpdateWindow(state.screen);
    PumpMessages();

    const HBRUSH brush = CreateSolidBrush(BackgroundShown(options.background, caps.palette));
    for (const HWND target : {state.screen, state.overlay}) {
        if (target != nullptr) {
            RECT area;
            GetClientRect(target, &area);
            const HDC dc = GetDC(target);
            FillRect(dc, &area, brush);
            ReleaseDC(target, dc);
        }
    }
    DeleteObject(brush);
    return {};
}

HWND Screen::window() const { return m_state->overlay != nullptr ? m_state->overlay : m_state->screen; }

std::vector<PALETTEENTRY> Screen::SystemPalette() const
{
    std::vector<PALETTEENTRY> entries;
    const HDC dc = GetDC(m_state->screen);
    if (DisplayCapsOf(dc).palette) {
        entries.resize(static_cast<size_t>(std::max(0, GetDeviceCaps(dc, SIZEPALETTE))));
        entries.resize(GetSystemPaletteEntries(dc, 0, static_cast<UINT>(entries.size()), entries.data()));
    }
    ReleaseDC(m_state->screen, dc);
    return entries;
}

std::vector<uint32_t> Screen::Colors() const { return m_state->ReadColors(); }

std::string Screen::Write(const std::string& path, OutputFormat format, bool rgb) const
{
    const State& state = *m_state;
    const std::vector<uint32_t> colors = state.ReadColors();
    if (colors.empty()) {
        return "cannot read back the window";
    }
    std::vector<uint8_t> samples;
    std::vector<PALETTEENTRY> table;
    if (format == OutputFormat::Bmp || !rgb) {
        table = SystemPalette();
    }
    if (!table.empty() && table.size() <= 256) {
        // Every pixel of a palette display shows a system palette entry; it
        // is written as the first entry of its colour.
        samples.reserve(colors.size());
        for (uint32_t c : colors) {
            const auto found = std::find_if(table.begin(), table.end(), [&](const PALETTEENTRY& e) {
                return (uint32_t{e.peRed} << 16 | uint32_t{e.peGreen} << 8 | e.peBlue) == c;
            });
            if (found == table.end()) {
                char text[96];
                std::snprintf(text, sizeof text, "the window shows colour %06X, which is not in the system palette",
                              static_cast<unsigned>(c));
                return text;
            }
            samples.push_back(static_cast<uint8_t>(found - table.begin()));
        }
    } else {
        table.clear();
        samples.reserve(colors.size() * 3);
        for (uint32_t c : colors) {
            samples.insert(samples.end(),
                           {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
        }
    }
    const int width = state.size.width;
    const int height = state.size.height;
    if (format == OutputFormat::Png) {
        // The depth is taken before the table is moved: the order in which
        // arguments are evaluated is unspecified.
        const int bits = PngImage::IndexBitsFor(table.size());
        const PngImage picture = table.empty() ? PngImage::Rgb(width, height, std::move(samples))
                                               : PngImage::Indexed(width, height, bits, std::move(samples),
                                                                   std::move(table));
        return WriteOutput(path, [&](const std::string& temporary) { return WritePng(temporary, picture); });
    }
    std::vector<dibkit::BmpColor> colours;
    for (const PALETTEENTRY& e : table) {
        colours.push_back({e.peRed, e.peGreen, e.peBlue});
    }
    const std::vector<uint8_t> file = table.empty() ? dibkit::EncodeBmp24(width, height, samples)
                                                    : dibkit::EncodeBmp8(width, height, samples, colours);
    return WriteOutput(path, [&](const std::string& temporary) { return WriteBytes(temporary, file); });
}

}  // namespace dibtool
