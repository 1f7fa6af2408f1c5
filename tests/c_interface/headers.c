/* The public C headers, on their own, as a C or C++ program includes them. */
#include <dibdraw32/dibdraw32.h>
#include <vdisplay/vdisplay_c.h>

int main(void)
{
    DibdrawBlitInfo info;
    info.size = sizeof info;
    return DibdrawLastBlit(0, &info) == DIBDRAW_UNSUPPORTED && VdConfigure(VD_RGB32, 8, 8, 0) == VD_OK ? 0 : 1;
}
