// The C interface of dibdraw32.h: a handle holding a VyrBlitter and the
// report of its last blit. Every entry point checks the pointers it is given
// before it touches them; the blits go through the bounds-checked pipeline.
#include <new>

#include "blitter/pipeline.h"
#include "core/dib_layout.h"
#include "core/heap.h"
#include "dibdraw32/Diagnostics.h"
#include "dibdraw32/dibdraw32.h"

static_assert(DIBDRAW_OK == kBlitOk && DIBDRAW_NO_MEMORY == kBlitNoMemory && DIBDRAW_UNSUPPORTED == kBlitUnsupported,
              "the C interface's codes are the class's");

struct DibdrawBlitter {
    DibdrawBlitter(int ditherMode, int paletteMode) : blitter(ditherMode, paletteMode) {}

    VyrBlitter blitter;
    // What the last blit returned and sent, and the source rectangle it
    // left; the rest of the report is read from the object.
    short lastResult = kBlitOk;
    RECT lastSource = {0, 0, 0, 0};
    uint32_t lastBands = 0;
};

namespace {

using dibdraw::BlitTrace;

// The object holds its 256-colour display palette unless allocating it
// failed, which leaves the object unable to draw there.
bool HasItsPalette(const VyrBlitter& blitter)
{
    return blitter.m_displayDepth != 8 || blitter.m_logPalette != nullptr;
}

bool HoldsHeader(const BITMAPINFOHEADER* dib, size_t dibBytes)
{
    return dib != nullptr && dibBytes >= sizeof(BITMAPINFOHEADER);
}

// Blits `dib` into a device context, filling in what the caller left out,
// and records the report.
short Blit(DibdrawBlitter& handle, HDC dc, const BITMAPINFOHEADER* dib, size_t dibBytes, RECT* src, RECT* dst)
{
    RECT whole = {0, 0, 0, 0};
    RECT atOrigin = {0, 0, 0, 0};
    BlitTrace trace;
    short result = kBlitUnsupported;
    if (dc != nullptr && HoldsHeader(dib, dibBytes)) {
        if (src == nullptr) {
            whole = RECT{0, 0, dib->biWidth, dib->biHeight};
            src = &whole;
        }
        if (dst == nullptr) {
            RECT clipped = *src;
            if (dibdraw::ClipSource(*dib, clipped)) {
                atOrigin = RECT{0, 0, clipped.right - clipped.left, clipped.bottom - clipped.top};
            }
            dst = &atOrigin;
        }
        result = dibdraw::BlitChecked(&handle.blitter, dc, dib, dibBytes, src, dst, trace);
    }
    handle.lastResult = result;
    handle.lastSource = src != nullptr ? *src : RECT{0, 0, 0, 0};
    handle.lastBands = trace.bands;
    return result;
}

}  // namespace

extern "C" {

DibdrawBlitter* WINAPI DibdrawCreate(int ditherMode, int paletteMode, short* result)
{
    short outcome = kBlitNoMemory;
    DibdrawBlitter* handle = nullptr;
    if (void* block = KemAllocSMem(sizeof(DibdrawBlitter)); block != nullptr) {
        handle = new (block) DibdrawBlitter(ditherMode, paletteMode);
        if (HasItsPalette(handle->blitter)) {
            outcome = kBlitOk;
        } else {
            DibdrawDestroy(handle);
            handle = nullptr;
        }
    }
    if (result != nullptr) {
        *result = outcome;
    }
    return handle;
}

void WINAPI DibdrawDestroy(DibdrawBlitter* blitter)
{
    if (blitter != nullptr) {
        blitter->~DibdrawBlitter();
        KemFreeSMem(blitter);
    }
}

short WINAPI DibdrawReInit(DibdrawBlitter* blitter, int ditherMode, int paletteMode)
{
    if (blitter == nullptr) {
        return kBlitUnsupported;
    }
    return blitter->blitter.VyrReInitBlitter(ditherMode, paletteMode);
}

short WINAPI DibdrawBlitDC(DibdrawBlitter* blitter, HDC dc, const BITMAPINFOHEADER* dib, size_t dibBytes, RECT* src,
                           RECT* dst)
{
    if (blitter == nullptr) {
        return kBlitUnsupported;
    }
    return Blit(*blitter, dc, dib, dibBytes, src, dst);
}

short WINAPI DibdrawBlitWindow(DibdrawBlitter* blitter, HWND window, const BITMAPINFOHEADER* dib, size_t dibBytes,
                               RECT* src, RECT* dst)
{
    if (blitter == nullptr) {
        return kBlitUnsupported;
    }
    HDC dc = GetDC(window);
    const short result = Blit(*blitter, dc, dib, dibBytes, src, dst);
    if (dc != nullptr) {
        ReleaseDC(window, dc);
    }
    return result;
}

short WINAPI DibdrawRealizeFixedPalette(DibdrawBlitter* blitter, HWND window)
{
    if (blitter == nullptr) {
        return kBlitUnsupported;
    }
    return blitter->blitter.VyrRealizeFixedPalette(window);
}

short WINAPI DibdrawRealizeDibPalette(DibdrawBlitter* blitter, HWND window, const BITMAPINFOHEADER* dib,
                                     size_t dibBytes)
{
    if (blitter == nullptr || !HoldsHeader(dib, dibBytes)) {
        return kBlitUnsupported;
    }
    return blitter->blitter.VyrRealizePalette(window, dib, dibBytes);
}

short WINAPI DibdrawRealizeColors(DibdrawBlitter* blitter, HWND window, const RGBQUAD* colors, int count)
{
    if (blitter == nullptr || count < 0 || (colors == nullptr && count > 0)) {
        return kBlitUnsupported;
    }
    // The class takes the table as writable but only reads it.
    return blitter->blitter.VyrRealizePalette(window, const_cast<RGBQUAD*>(colors), count);
}

const char* WINAPI DibdrawResultText(short result) { return BlitResultText(result); }

void WINAPI DibdrawVersion(int* major, int* minor, int* patch)
{
    if (major != nullptr) {
        *major = DIBDRAW_VERSION_MAJOR;
    }
    if (minor != nullptr) {
        *minor = DIBDRAW_VERSION_MINOR;
    }
    if (patch != nullptr) {
        *patch = DIBDRAW_VERSION_PATCH;
    }
}

short WINAPI DibdrawLastBlit(const DibdrawBlitter* blitter, DibdrawBlitInfo* info)
{
    if (blitter == nullptr || info == nullptr || info->size < sizeof(DibdrawBlitInfo)) {
        return kBlitUnsupported;
    }
    const VyrBlitter& object = blitter->blitter;
    info->result = blitter->lastResult;
    info->displayDepth = object.m_displayDepth;
    info->converter = ConverterName(object.m_convert);
    info->source = blitter->lastSource;
    info->bands = blitter->lastBands;
    info->rop = object.m_rop;
    info->paletteMode = object.m_paletteMode;
    return kBlitOk;
}

}  // extern "C"
