// host: draws a 2 x 2 24-bit DIB, enlarged to 8 x 8, into the screen with
// dibdraw32 and checks the colours the screen shows at the four corners.
// Prints what it found; exits 0 when the blit succeeded and every corner
// shows its source pixel.
//
// On Windows it draws on the real display. On Linux the library draws on its
// virtual display, which the host sets up first.
#include <dibdraw32/VyrBlitter.h>

#include <cstdint>
#include <cstdio>

#if !defined(_WIN32)
#include <vdisplay/vdisplay.h>
#endif

namespace {

// A packed DIB: the header, then bottom-up rows padded to 4 bytes, each
// pixel blue, green, red.
struct TwoByTwoDib {
    BITMAPINFOHEADER header;
    uint8_t rows[2][8];
};

}  // namespace

int main()
{
#if !defined(_WIN32)
    vd::Config screen;
    screen.width = 64;
    screen.height = 64;
    screen.kind = vd::Kind::Rgb32;
    vd::Configure(screen);
#endif
    TwoByTwoDib dib = {};
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = 2;
    dib.header.biHeight = 2;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 24;
    // The bottom row (blue, white) comes first in memory, then the top row
    // (red, green).
    const uint8_t bottom[8] = {255, 0, 0, 255, 255, 255, 0, 0};
    const uint8_t top[8] = {0, 0, 255, 0, 255, 0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        dib.rows[0][i] = bottom[i];
        dib.rows[1][i] = top[i];
    }

    const int left = 16;
    const int topEdge = 16;
    RECT src = {0, 0, 2, 2};
    RECT dst = {left, topEdge, left + 8, topEdge + 8};
    VyrBlitter blitter(2, 0);
    HDC dc = GetDC(nullptr);
    const short result = blitter.VyrBlit(dc, &dib.header, &src, &dst);

    struct Corner {
        const char* name;
        int x, y;
        COLORREF expected;
    };
    const Corner corners[] = {
        {"top left", left, topEdge, RGB(255, 0, 0)},
        {"top right", left + 7, topEdge, RGB(0, 255, 0)},
        {"bottom left", left, topEdge + 7, RGB(0, 0, 255)},
        {"bottom right", left + 7, topEdge + 7, RGB(255, 255, 255)},
    };
    bool right = result == kBlitOk;
    std::printf("VyrBlit returned %d (%s)\n", result, BlitResultText(result));
    for (const Corner& corner : corners) {
        const COLORREF shown = GetPixel(dc, corner.x, corner.y);
        std::printf("%s: %06lX\n", corner.name, static_cast<unsigned long>(shown));
        right = right && shown == corner.expected;
    }
    ReleaseDC(nullptr, dc);
    std::printf("%s\n", right ? "ok" : "WRONG");
    return right ? 0 : 1;
}
