// VyrBlit of an unscaled 24-bit image onto a window, against GDI's own
// StretchDIBits of the whole image onto the same window: what the library
// costs over the platform's own. compare.sh runs it under Wine on an Xvfb
// screen of 24 bits.
//
//   dibdraw_window_bench W H REPS ROUNDS
//
// The window is W x H at (kMargin, kMargin) of the screen, which must hold
// it whole. Prints a line "# ..." that describes the screen and what is
// drawn, then for each round "<W>x<H> vyrblit_window <megapixels per second>"
// and "<W>x<H> stretchdibits_window <megapixels per second>", each measure
// the mean of REPS draws.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench/bench_image.h"
#include "bench/bench_timing.h"
#include "dibdraw32/VyrBlitter.h"

namespace {

// Away from the screen pixel (0, 0), where the library's display probes draw.
constexpr int kMargin = 32;

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "dibdraw_window_bench: %s\n", message.c_str());
    std::exit(2);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HWND CreateBenchWindow(int width, int height)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DibdrawWindowBench";
    // No background brush: only the measures paint the window.
    RegisterClassA(&windowClass);
    const HWND window =
        CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "dibdraw32 benchmark", WS_POPUP | WS_VISIBLE,
                        kMargin, kMargin, width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        Fail("cannot create the window");
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetForegroundWindow(window);
    PumpMessages();
    RECT client = {};
    GetClientRect(window, &client);
    if (client.right != width || client.bottom != height) {
        Fail("the window's client area is " + std::to_string(client.right) + " x " + std::to_string(client.bottom) +
             ", not the image's size");
    }
    return window;
}

// Both draws must show the image: each is checked on a grid of points of a
// window blackened first, so that a draw that did nothing is not measured.
void CheckDraw(const char* what, HWND window, const dibkit::PackedDib& dib, const std::function<void()>& draw)
{
    HDC dc = GetDC(window);
    PatBlt(dc, 0, 0, dib.width(), dib.height(), BLACKNESS);
    ReleaseDC(window, dc);
    draw();
    dc = GetDC(window);
    for (int gy = 0; gy < 8; ++gy) {
        for (int gx = 0; gx < 8; ++gx) {
            const int x = (2 * gx + 1) * dib.width() / 16, y = (2 * gy + 1) * dib.height() / 16;
            const COLORREF shown = GetPixel(dc, x, y);
            const uint32_t expected = dib.Color(x, y);
            if (shown != RGB(expected >> 16, (expected >> 8) & 0xFF, expected & 0xFF)) {
                char message[160];
                std::snprintf(message, sizeof message, "%s shows %06lx (COLORREF) at (%d, %d), not %06lx", what,
                              static_cast<unsigned long>(shown), x, y, static_cast<unsigned long>(expected));
                Fail(message);
            }
        }
    }
    ReleaseDC(window, dc);
}

int Run(int width, int height, int reps, int rounds)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (width + kMargin > screenWidth || height + kMargin > screenHeight) {
        Fail("a screen of " + std::to_string(screenWidth) + " x " + std::to_string(screenHeight) +
             " cannot hold the window");
    }
    const HWND window = CreateBenchWindow(width, height);
    dibkit::PackedDib dib = benchimage::MakeDib(benchimage::MakeRows(width, height), width, height, 24);
    VyrBlitter blitter(0, 0);

    auto vyrBlit = [&] {
        RECT src = {0, 0, width, height};
        RECT dst = src;
        if (blitter.VyrBlit(window, dib.header(), &src, &dst) != 0) {
            Fail("VyrBlit failed");
        }
        GdiFlush();
    };
    auto stretchDIBits = [&] {
        HDC dc = GetDC(window);
        const int lines = StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, dib.StoredRow(0),
                                        reinterpret_cast<const BITMAPINFO*>(dib.header()), DIB_RGB_COLORS, SRCCOPY);
        ReleaseDC(window, dc);
        GdiFlush();
        if (lines != height) {
            Fail("StretchDIBits failed");
        }
    };
    CheckDraw("VyrBlit", window, dib, vyrBlit);
    CheckDraw("StretchDIBits", window, dib, stretchDIBits);

    HDC screen = GetDC(nullptr);
    std::printf("# screen %d x %d, %d bits per pixel; a window of %d x %d at (%d, %d) shows the whole image\n",
                screenWidth, screenHeight, GetDeviceCaps(screen, BITSPIXEL), width, height, kMargin, kMargin);
    ReleaseDC(nullptr, screen);
    const double pixels = double(width) * height;
    for (int round = 0; round < rounds; ++round) {
        // Each draw, then the other, so that a slow moment hits both.
        std::printf("%dx%d vyrblit_window %.2f\n", width, height, benchtiming::Rate(pixels, reps, vyrBlit));
        std::printf("%dx%d stretchdibits_window %.2f\n", width, height, benchtiming::Rate(pixels, reps, stretchDIBits));
        std::fflush(stdout);
        PumpMessages();
    }
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5 || std::atoi(argv[1]) <= 0 || std::atoi(argv[2]) <= 0 || std::atoi(argv[3]) <= 0 ||
        std::atoi(argv[4]) <= 0) {
        std::fprintf(stderr, "usage: dibdraw_window_bench W H REPS ROUNDS\n");
        return 2;
    }
    return Run(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
}
