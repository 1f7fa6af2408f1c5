// StretchDIBits: draws a DIB into a DC, stretched or not, clipped to the DC.
//
// Every call decides once how a source pixel becomes a device pixel: indexed
// DIBs get a table with one device pixel per colour-table entry, true-colour
// DIBs a converter chosen by display kind, and both a row decoder
// (row_decoders.h). Rows are then decoded straight into the framebuffer, in
// its own pixel type (SRCCOPY without stretching), or into a scratch row of
// 32-bit pixels that is resampled and combined with the destination.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#endif

#include "display_state.h"
#include "row_decoders.h"

using namespace vd::detail;
using vd::Kind;

namespace {

// Asks for the next row's bytes while this one is decoded. A bottom-up DIB
// drawn from the top walks down through memory, one row below the last,
// where the processor's own prefetching does not look: from cold caches, an
// 8-bit 1920 x 1080 image drew 70 % faster with this and a 24-bit one 35 %.
// Into the second-level cache only, where they push out nothing that this
// row needs. (GCC 12 judged a lambda that did only this free of effects and
// dropped its calls.)
void PrefetchBytes(const uint8_t* bytes, size_t count)
{
    constexpr int kReadOnly = 0;
    constexpr int kSecondLevel = 2;
    for (size_t k = 0; k < count; k += 64) {
        __builtin_prefetch(bytes + k, kReadOnly, kSecondLevel);
    }
}

// Whether another thread could read the surface after this call. Streamed
// stores are weakly ordered: another thread that takes the lock next could
// find the surface without them unless a fence follows them. The fence waits
// for them to reach memory, once a call, and a blit whose bands are a row
// each makes a call a row: it cost an unscaled 4096 x 4096 blit 12 %. In a
// process of one thread no other can read the surface (glibc then takes its
// mutexes, this display's lock too, without locked instructions). A thread
// is made through the kernel, whose locked instructions on the creating
// processor complete every store before them, streamed ones too.
bool OtherThreadsMayRead()
{
#if __has_include(<sys/single_threaded.h>)
    return __libc_single_threaded == 0;
#else
    return true;
#endif
}

// One axis of the mapping from destination to source pixels: destination
// pixel j of the (normalized) destination span shows source pixel
// first + floor(j * srcSpan / dstSpan), counted from the far end when exactly
// one of the two spans was given negative.
struct Axis {
    int dstStart, dstSpan;
    int srcStart, srcSpan;
    bool mirrored;

    int SourceOf(int dst) const { return SourceOfStep(StepOf(dst)); }

    // The destination pixels [begin, end) of [low, high) whose source pixel
    // lies in 0..width-1. The mapping is monotonic, so they form one run,
    // found from its two ends without visiting the pixels between.
    void VisibleRun(int low, int high, int width, int& begin, int& end) const
    {
        // Steps k = floor(j * srcSpan / dstSpan) that land inside the source.
        const int64_t firstStep = mirrored ? int64_t{srcStart} + srcSpan - width : -int64_t{srcStart};
        const int64_t lastStep = mirrored ? int64_t{srcStart} + srcSpan - 1 : int64_t{width} - 1 - srcStart;
        // The first j reaching firstStep and the first j beyond lastStep.
        const int64_t firstJ = firstStep <= 0 ? 0 : CeilDiv(firstStep * dstSpan, srcSpan);
        const int64_t endJ = lastStep < 0 ? 0 : CeilDiv((lastStep + 1) * dstSpan, srcSpan);
        begin = static_cast<int>(std::max<int64_t>(low, dstStart + firstJ));
        end = static_cast<int>(std::min<int64_t>(high, dstStart + endJ));
    }

    // The source pixels of destination pixels first, first + 1, ..., stepped
    // without a division per pixel.
    void SourcesOf(int first, int count, int* sources) const
    {
        const int64_t j = first - dstStart;
        int k = StepOf(first);
        int remainder = static_cast<int>(j * srcSpan - int64_t{k} * dstSpan);
        const int whole = srcSpan / dstSpan;
        const int part = srcSpan % dstSpan;
        for (int i = 0; i < count; ++i) {
            sources[i] = SourceOfStep(k);
            k += whole;
            remainder += part;
            if (remainder >= dstSpan) {
                remainder -= dstSpan;
                ++k;
            }
        }
    }

private:
    static int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }
    int StepOf(int dst) const { return static_cast<int>(int64_t{dst - dstStart} * srcSpan / dstSpan); }
    int SourceOfStep(int k) const { return srcStart + (mirrored ? srcSpan - 1 - k : k); }
};

// GDI's bounding rectangle of a span given by origin and signed extent: a
// negative extent covers the pixels just before the origin, the origin included.
void Span(int origin, int extent, int& start, int& span)
{
    if (extent < 0) {
        start = origin + extent + 1;
        span = -extent;
    } else {
        start = origin;
        span = extent;
    }
}

}  // namespace

extern "C" {

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    auto lock = Lock();
    State& state = TheState();
    state.stretchCalls.push_back(vd::StretchCall{xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth,
                                                 srcHeight, info != nullptr ? info->bmiHeader.biBitCount : 0,
                                                 rop});
    DeviceContext* context = FindDc(state, dc);
    if (context == nullptr || bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS) {
        return 0;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int bitCount = header.biBitCount;
    constexpr LONG kMaxSide = 1 << 20;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biCompression != BI_RGB ||
        header.biWidth <= 0 || header.biWidth > kMaxSide || header.biHeight == 0 || header.biHeight > kMaxSide ||
        header.biHeight < -kMaxSide ||
        (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)) {
        return 0;
    }
    for (int value : {xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight}) {
        if (!WithinLimits(value)) {
            return 0;
        }
    }
    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    const bool topDown = header.biHeight < 0;

    // Source rows are measured from the bottom of a bottom-up DIB; GDI also
    // measures them so for top-down DIBs drawn with SRCCOPY, unless the call
    // draws the whole of it from the origin without stretching.
    const bool unstretchedFromOrigin =
        xSrc == 0 && ySrc == 0 && srcWidth == destWidth && srcHeight == destHeight;
    int srcTop = ySrc;
    if (!topDown || (rop == SRCCOPY && !unstretchedFromOrigin)) {
        srcTop = height - ySrc - srcHeight;
    }
    Axis columns{};
    Axis rows{};
    Span(xSrc, srcWidth, columns.srcStart, columns.srcSpan);
    Span(srcTop, srcHeight, rows.srcStart, rows.srcSpan);
    RECT source{columns.srcStart, rows.srcStart, columns.srcStart + columns.srcSpan, rows.srcStart + rows.srcSpan};
    if (!IntersectRect(source, source, RECT{0, 0, width, height})) {
        return 0;
    }
    const int result = rop == SRCCOPY ? height : header.biHeight;

    Target target;
    if (!ResolveTarget(state, *context, target)) {
        return result;
    }
    Span(xDest + target.originX, destWidth, columns.dstStart, columns.dstSpan);
    Span(yDest + target.originY, destHeight, rows.dstStart, rows.dstSpan);
    columns.mirrored = (srcWidth < 0) != (destWidth < 0);
    rows.mirrored = (srcHeight < 0) != (destHeight < 0);
    RECT area{columns.dstStart, rows.dstStart, columns.dstStart + columns.dstSpan, rows.dstStart + rows.dstSpan};
    if (!IntersectRect(area, area, target.clip)) {
        return result;
    }

    int firstColumn = 0;
    int endColumn = 0;
    columns.VisibleRun(area.left, area.right, width, firstColumn, endColumn);
    if (firstColumn >= endColumn) {
        return result;
    }
    const int count = endColumn - firstColumn;
    const int leftSource = columns.SourceOf(firstColumn);
    const int rightSource = columns.SourceOf(endColumn - 1);
    const int lowColumn = std::min(leftSource, rightSource);
    const int highColumn = std::max(leftSource, rightSource);
    const bool contiguous = !columns.mirrored && columns.srcSpan == columns.dstSpan;

    const Kind kind = target.surface->kind;
    Decoder decoder;
    decoder.vectors = UsableVectors(state.config.widestVectors);
    std::optional<ColorMatcher> matcher;
    ColorTableTranslation* translation = nullptr;
    if (bitCount <= 8) {
        const int tableSize = 1 << bitCount;
        const int entries = header.biClrUsed != 0 && header.biClrUsed < static_cast<DWORD>(tableSize)
                                ? static_cast<int>(header.biClrUsed)
                                : tableSize;
        const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + header.biSize);
        translation = &TranslateColorTable(state, *context, kind, table, entries, tableSize);
        decoder.table = translation->pixels.data();
        decoder.tableBytes = translation->pixelBytes.data();
    } else {
        // Only kinds with a colour table search it for true colours; the
        // others compute their pixels, and a band of a true-colour blit
        // need not copy the DC's palette for nothing.
        if (InfoOf(kind).paletteEntries != 0) {
            matcher.emplace(state, context, kind);
            decoder.matcher = &*matcher;
        }
    }
    // Rows decoded into a scratch row first are decoded as 32-bit pixels;
    // rows decoded straight onto the surface in its own pixel type.
    auto decoderOf = [&](auto pixel) {
        using Pixel = decltype(pixel);
        return translation != nullptr ? IndexedDecoder<Pixel>(bitCount, *translation, decoder.vectors)
                                      : TrueColorDecoder<Pixel>(bitCount, state.config.swappedRgb, kind);
    };

    const RasterOp op{rop, InfoOf(kind).pixelMask};
    const bool direct = contiguous && rop == SRCCOPY;
    // From 4 MB on, beyond what any core keeps in its own caches, a surface
    // is a screen's frame, shown rather than read again: stores that go past
    // the cache save reading each line in first, as a write-combined
    // framebuffer does.
    constexpr size_t kStreamedSurfaceBytes = size_t{4} << 20;
    decoder.streaming = direct && target.surface->SizeInBytes() >= kStreamedSurfaceBytes;
    const size_t stride = static_cast<size_t>((width * bitCount + 31) / 32) * 4;
    const auto* dib = static_cast<const uint8_t*>(bits);
    std::vector<uint32_t> decoded(direct ? 0 : static_cast<size_t>(highColumn - lowColumn + 1));
    std::vector<uint32_t> resampled(direct || contiguous ? 0 : static_cast<size_t>(count));
    std::vector<int> sourceColumns(resampled.size());
    if (!sourceColumns.empty()) {
        columns.SourcesOf(firstColumn, count, sourceColumns.data());
    }
    auto rowAt = [&](int sy) { return dib + static_cast<size_t>(topDown ? sy : height - 1 - sy) * stride; };
    const size_t readFrom = static_cast<size_t>(lowColumn) * bitCount / 8;
    const size_t readEnd = ((static_cast<size_t>(highColumn) + 1) * bitCount + 7) / 8;
    const DecodeFn<uint32_t> decodeScratch = direct ? nullptr : decoderOf(uint32_t{});
    WithPixelType(*target.surface, [&](auto pixel) {
        using Pixel = decltype(pixel);
        const DecodeFn<Pixel> decodeDirect = direct ? decoderOf(pixel) : nullptr;
        if constexpr (std::is_same_v<Pixel, uint8_t>) {
            if (direct && bitCount == 8 && decoder.vectors < vd::Vectors::Avx2) {
                decoder.pixelPairs = PixelPairsOf(*translation, int64_t{count} * (area.bottom - area.top));
            }
        }
        int decodedRow = -1;
        for (int y = area.top; y < area.bottom; ++y) {
            const int sy = rows.SourceOf(y);
            if (sy < 0 || sy >= height) {
                continue;
            }
            const uint8_t* row = rowAt(sy);
            if (const int nextSy = rows.SourceOf(y + 1); y + 1 < area.bottom && nextSy >= 0 && nextSy < height) {
                PrefetchBytes(rowAt(nextSy) + readFrom, readEnd - readFrom);
            }
            Pixel* out = target.surface->Row<Pixel>(y) + firstColumn;
            if (direct) {
                decodeDirect(decoder, row, lowColumn, count, out);
                continue;
            }
            if (sy != decodedRow) {
                decodeScratch(decoder, row, lowColumn, highColumn - lowColumn + 1, decoded.data());
                if (!contiguous) {
                    for (size_t i = 0; i < resampled.size(); ++i) {
                        resampled[i] = decoded[static_cast<size_t>(sourceColumns[i] - lowColumn)];
                    }
                }
                decodedRow = sy;
            }
            CombineRow(op, out, contiguous ? decoded.data() : resampled.data(), count);
        }
    });
#if defined(__SSE2__)
    if (decoder.streaming && OtherThreadsMayRead()) {
        _mm_sfence();
    }
#endif
    return result;
}

}  // extern "C"
