/* A caller built the way Visual C++ builds one: clang's MSVC target, linked
 * by lld-link against dibdraw32.lib, with no C runtime (its own entry point).
 * It draws a 2 x 2 24-bit DIB enlarged to 8 x 8 through the C interface and
 * checks the screen, the blit report and refused arguments. On 32-bit
 * Windows it also checks that every call returns with the stack pointer
 * where it was: a function exported in another convention than the
 * header's stdcall would leave it moved. Exits 0 when all is right. */
#include <dibdraw32/dibdraw32.h>

/* The compiler may turn a zeroed struct into a call of memset, which the
 * missing C runtime would otherwise provide. */
void* memset(void* block, int value, size_t bytes)
{
    volatile unsigned char* p = (volatile unsigned char*)block;
    while (bytes-- > 0) {
        *p++ = (unsigned char)value;
    }
    return block;
}

static int failures;

static void Print(const char* text)
{
    DWORD length = 0, written = 0;
    while (text[length] != '\0') {
        ++length;
    }
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, length, &written, 0);
}

static void PrintNumber(long value)
{
    char digits[24];
    int at = 23;
    unsigned long magnitude = value < 0 ? 0ul - (unsigned long)value : (unsigned long)value;
    digits[at] = '\0';
    do {
        digits[--at] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        digits[--at] = '-';
    }
    Print(digits + at);
}

static void Check(int holds, const char* what, long got)
{
    Print(holds ? "ok: " : "WRONG: ");
    Print(what);
    Print(" (");
    PrintNumber(got);
    Print(")\n");
    failures += !holds;
}

#if defined(_M_IX86)
/* Runs one call and checks that the stack pointer is back where it was. */
#define CALL(what, expression)                                                           \
    do {                                                                                 \
        size_t before_, after_;                                                          \
        __asm__ __volatile__("movl %%esp, %0" : "=r"(before_));                          \
        expression;                                                                      \
        __asm__ __volatile__("movl %%esp, %0" : "=r"(after_));                           \
        Check(before_ == after_, what " returns with the stack as it was", (long)(after_ - before_)); \
    } while (0)
#else
/* x64 has one calling convention. */
#define CALL(what, expression) expression
#endif

struct TwoByTwoDib {
    BITMAPINFOHEADER header;
    BYTE rows[2][8];
};

static COLORREF ShownAt(int x, int y)
{
    HDC screen = GetDC(0);
    COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(0, screen);
    return color;
}

static void Run(void)
{
    /* Bottom row blue, white; top row red, green. */
    static const BYTE kRows[2][8] = {{255, 0, 0, 255, 255, 255, 0, 0}, {0, 0, 255, 0, 255, 0, 0, 0}};
    struct TwoByTwoDib dib;
    DibdrawBlitter* blitter = 0;
    DibdrawBlitInfo info;
    RECT src = {0, 0, 2, 2};
    RECT dst = {16, 16, 24, 24};
    short result = 1;
    const char* text = 0;
    int major = 0, minor = 0, patch = 0;
    int row, i;

    memset(&dib, 0, sizeof dib);
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = 2;
    dib.header.biHeight = 2;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = 24;
    for (row = 0; row < 2; ++row) {
        for (i = 0; i < 8; ++i) {
            dib.rows[row][i] = kRows[row][i];
        }
    }

    CALL("DibdrawVersion", DibdrawVersion(&major, &minor, &patch));
    Check(major == 1, "major version", major);
    CALL("DibdrawCreate", blitter = DibdrawCreate(2, 0, &result));
    Check(blitter != 0 && result == DIBDRAW_OK, "DibdrawCreate", result);
    if (blitter == 0) {
        return;
    }
    CALL("DibdrawBlitWindow", result = DibdrawBlitWindow(blitter, 0, &dib.header, sizeof dib, &src, &dst));
    Check(result == DIBDRAW_OK, "DibdrawBlitWindow", result);
    Check(ShownAt(16, 16) == 0x0000FF, "top left is red", (long)ShownAt(16, 16));
    Check(ShownAt(23, 16) == 0x00FF00, "top right is green", (long)ShownAt(23, 16));
    Check(ShownAt(16, 23) == 0xFF0000, "bottom left is blue", (long)ShownAt(16, 23));
    Check(ShownAt(23, 23) == 0xFFFFFF, "bottom right is white", (long)ShownAt(23, 23));

    memset(&info, 0, sizeof info);
    info.size = sizeof info;
    CALL("DibdrawLastBlit", result = DibdrawLastBlit(blitter, &info));
    Check(result == DIBDRAW_OK, "DibdrawLastBlit", result);
    Check(info.bands == 1, "one band sent", (long)info.bands);
    Check(info.source.right == 2 && info.source.bottom == 2, "clipped source", info.source.right);
    Check(info.rop == SRCCOPY, "raster operation", (long)info.rop);
    Check(info.converter != 0 && info.converter[0] == 'B', "converter named", 0);
    if (info.converter != 0) {
        Print("converter: ");
        Print(info.converter);
        Print("\n");
    }

    CALL("DibdrawBlitDC", result = DibdrawBlitDC(blitter, 0, &dib.header, sizeof dib, &src, &dst));
    Check(result == DIBDRAW_UNSUPPORTED, "a null DC is refused", result);
    /* Short of the top row's last pixel; the rows' padding is never read. */
    CALL("DibdrawBlitWindow", result = DibdrawBlitWindow(blitter, 0, &dib.header, sizeof dib - 3, &src, &dst));
    Check(result == DIBDRAW_UNSUPPORTED, "a short DIB is refused", result);
    CALL("DibdrawRealizeColors", result = DibdrawRealizeColors(blitter, 0, 0, -1));
    Check(result == DIBDRAW_UNSUPPORTED, "a negative count is refused", result);
    CALL("DibdrawRealizeDibPalette", result = DibdrawRealizeDibPalette(blitter, 0, &dib.header, sizeof dib));
    Check(result == DIBDRAW_OK, "DibdrawRealizeDibPalette", result);
    CALL("DibdrawRealizeFixedPalette", result = DibdrawRealizeFixedPalette(blitter, 0));
    Check(result == DIBDRAW_OK, "DibdrawRealizeFixedPalette", result);
    CALL("DibdrawReInit", result = DibdrawReInit(blitter, 1, 2));
    Check(result == DIBDRAW_OK, "DibdrawReInit", result);
    CALL("DibdrawResultText", text = DibdrawResultText(DIBDRAW_NO_MEMORY));
    Check(text != 0 && text[0] == 'o', "result text", 0);
    CALL("DibdrawDestroy", DibdrawDestroy(blitter));
    CALL("DibdrawDestroy(NULL)", DibdrawDestroy(0));
}

void start(void)
{
    Run();
    Print(failures == 0 ? "msvc_caller: all right\n" : "msvc_caller: FAILED\n");
    ExitProcess(failures == 0 ? 0 : 1);
}
