/* c_host: draws a 2 x 2 24-bit DIB, enlarged to 8 x 8, onto the screen
 * through dibdraw32's C interface and checks the colours the screen shows
 * at the four corners. Prints what it found and the blit's report; exits 0
 * when everything succeeded and every corner shows its source pixel.
 *
 * On Windows it draws on the real display. On Linux the library draws on
 * its virtual display, which the program sets up first. */
#include <dibdraw32/dibdraw32.h>

#include <stdint.h>
#include <stdio.h>

#if !defined(_WIN32)
#include <vdisplay/vdisplay_c.h>
#endif

/* A packed DIB: the header, then bottom-up rows padded to 4 bytes, each
 * pixel blue, green, red. */
struct TwoByTwoDib {
    BITMAPINFOHEADER header;
    uint8_t rows[2][8];
};

static COLORREF ShownAt(int x, int y)
{
#if defined(_WIN32)
    HDC screen = GetDC(NULL);
    COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return color;
#else
    return VdScreenColor(x, y);
#endif
}

int main(void)
{
    /* The bottom row (blue, white) comes first in memory, then the top row
     * (red, green). */
    const struct TwoByTwoDib dib = {
        .header = {.biSize = sizeof(BITMAPINFOHEADER), .biWidth = 2, .biHeight = 2, .biPlanes = 1, .biBitCount = 24},
        .rows = {{255, 0, 0, 255, 255, 255, 0, 0}, {0, 0, 255, 0, 255, 0, 0, 0}},
    };

#if !defined(_WIN32)
    if (VdConfigure(VD_RGB32, 64, 64, 0) != VD_OK) {
        printf("VdConfigure failed\n");
        return 1;
    }
#endif
    short result = 0;
    DibdrawBlitter* blitter = DibdrawCreate(2, 0, &result);
    if (blitter == NULL) {
        printf("DibdrawCreate failed: %s\n", DibdrawResultText(result));
        return 1;
    }
    const int left = 16, topEdge = 16;
    RECT dst = {left, topEdge, left + 8, topEdge + 8};
    result = DibdrawBlitWindow(blitter, NULL, &dib.header, sizeof dib, NULL, &dst);
    printf("DibdrawBlitWindow returned %d (%s)\n", result, DibdrawResultText(result));

    DibdrawBlitInfo info = {0};
    info.size = sizeof info;
    if (DibdrawLastBlit(blitter, &info) == DIBDRAW_OK) {
        printf("converter %s, %u band(s), display depth %d\n", info.converter, info.bands, info.displayDepth);
    }
    DibdrawDestroy(blitter);

    const struct {
        const char* name;
        int x, y;
        COLORREF expected;
    } corners[] = {
        {"top left", left, topEdge, 0x0000FF},
        {"top right", left + 7, topEdge, 0x00FF00},
        {"bottom left", left, topEdge + 7, 0xFF0000},
        {"bottom right", left + 7, topEdge + 7, 0xFFFFFF},
    };
    int right = result == DIBDRAW_OK;
    for (int i = 0; i < 4; ++i) {
        const COLORREF shown = ShownAt(corners[i].x, corners[i].y);
        printf("%s: %06lX\n", corners[i].name, (unsigned long)shown);
        right = right && shown == corners[i].expected;
    }
    printf("%s\n", right ? "ok" : "WRONG");
    return right ? 0 : 1;
}
