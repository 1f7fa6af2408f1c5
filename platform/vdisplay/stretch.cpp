// StretchDIBits: draws a DIB into a DC, stretched or not, clipped to the DC.
//
// Every call decides once how a source pixel becomes a device pixel: indexed
// DIBs get a table with one device pixel per colour-table entry, true-colour
// DIBs a converter chosen by display kind. Rows are then decoded straight
// into the framebuffer (SRCCOPY without stretching) or into a scratch row
// that is resampled and combined with the destination.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "display_state.h"

using namespace vd::detail;
using vd::Kind;

namespace {

struct Decoder;
using DecodeFn = void (*)(const Decoder& decoder, const uint8_t* row, int first, int count, uint32_t* out);

struct Decoder {
    DecodeFn decode = nullptr;
    const uint32_t* table = nullptr;  // indexed sources: device pixel per entry
    ColorMatcher* matcher = nullptr;  // true-colour sources on colour-table kinds
    // Rows go straight to a surface larger than a cache keeps: the vector
    // loops store past the cache where the row allows it.
    bool streaming = false;
};

#if defined(__SSE2__)
// Four device pixels to `out`: an ordinary store, or one past the cache,
// which needs `out` 16-byte aligned.
template <bool Streaming>
inline void PutFour(uint32_t* out, __m128i pixels)
{
    if constexpr (Streaming) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out), pixels);
    } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
    }
}

// Eight device pixels to `out`, as two stores past the cache, which need
// `out` 16-byte aligned, or one ordinary store.
template <bool Streaming>
[[gnu::target("avx2")]] inline void PutEight(uint32_t* out, __m256i pixels)
{
    if constexpr (Streaming) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(pixels));
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + 4), _mm256_extracti128_si256(pixels, 1));
    } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
    }
}

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

inline bool Aligned16(const uint32_t* out)
{
    return (reinterpret_cast<uintptr_t>(out) & 15) == 0;
}

// Runs a vector loop, loop(std::true_type) storing past the cache or
// loop(std::false_type) storing ordinarily, as chosen once for the row.
template <typename Loop>
inline void WithStores(bool streaming, Loop&& loop)
{
    if (streaming) {
        loop(std::true_type{});
    } else {
        loop(std::false_type{});
    }
}

// Pixels to decode one by one before a streaming row reaches a 16-byte
// boundary of the surface; none for ordinary rows.
inline int LeadToAlignment(const Decoder& decoder, const uint32_t* out, int count)
{
    if (!decoder.streaming) {
        return 0;
    }
    return std::min(count, static_cast<int>((16 - (reinterpret_cast<uintptr_t>(out) & 15)) / 4 % 4));
}

// Whole bytes of a 1-bit row, eight pixels each: a pixel is the dark entry
// with the difference to the light one masked in where its bit is set.
template <bool Streaming>
void DecodeBitBytes(const uint32_t* table, const uint8_t* bytes, int byteCount, uint32_t* out)
{
    const __m128i dark = _mm_set1_epi32(static_cast<int>(table[0]));
    const __m128i toLight = _mm_set1_epi32(static_cast<int>(table[0] ^ table[1]));
    const __m128i highBits = _mm_setr_epi32(0x80, 0x40, 0x20, 0x10);
    const __m128i lowBits = _mm_setr_epi32(0x08, 0x04, 0x02, 0x01);
    for (int k = 0; k < byteCount; ++k, out += 8) {
        const __m128i byte = _mm_set1_epi32(bytes[k]);
        const __m128i high = _mm_cmpeq_epi32(_mm_and_si128(byte, highBits), highBits);
        const __m128i low = _mm_cmpeq_epi32(_mm_and_si128(byte, lowBits), lowBits);
        PutFour<Streaming>(out, _mm_xor_si128(dark, _mm_and_si128(high, toLight)));
        PutFour<Streaming>(out + 4, _mm_xor_si128(dark, _mm_and_si128(low, toLight)));
    }
}

// The same with AVX2, one byte's eight pixels a step: each lane shifts its
// pixel's bit to the top, and the shift of the sign spreads it over the lane.
template <bool Streaming>
[[gnu::target("avx2")]] void DecodeBitBytesAvx2(const uint32_t* table, const uint8_t* bytes, int byteCount,
                                                uint32_t* out)
{
    const __m256i dark = _mm256_set1_epi32(static_cast<int>(table[0]));
    const __m256i toLight = _mm256_set1_epi32(static_cast<int>(table[0] ^ table[1]));
    const __m256i bitToTop = _mm256_setr_epi32(24, 25, 26, 27, 28, 29, 30, 31);
    for (int k = 0; k < byteCount; ++k, out += 8) {
        const __m256i byte = _mm256_set1_epi32(bytes[k]);
        const __m256i set = _mm256_srai_epi32(_mm256_sllv_epi32(byte, bitToTop), 31);
        PutEight<Streaming>(out, _mm256_xor_si256(dark, _mm256_and_si256(set, toLight)));
    }
}
#endif

#if defined(__SSE2__)
// Four look-ups of an 8-bit row gathered into one store: the loop is bound
// by stores, of which there is one per four pixels. Returns the pixels
// decoded.
template <bool Streaming>
int GatherIndicesSse2(const uint32_t* table, const uint8_t* row, int count, uint32_t* out)
{
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        PutFour<Streaming>(out + i, _mm_setr_epi32(static_cast<int>(table[row[i]]), static_cast<int>(table[row[i + 1]]),
                                                   static_cast<int>(table[row[i + 2]]),
                                                   static_cast<int>(table[row[i + 3]])));
    }
    return i;
}

// Sixteen indices of an 8-bit row widened to their device pixels a step,
// where each index is its own device pixel. Returns the pixels decoded.
template <bool Streaming>
int WidenIndices(const uint8_t* row, int count, uint32_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i low = _mm_unpacklo_epi8(bytes, zero);
        const __m128i high = _mm_unpackhi_epi8(bytes, zero);
        PutFour<Streaming>(out + i, _mm_unpacklo_epi16(low, zero));
        PutFour<Streaming>(out + i + 4, _mm_unpackhi_epi16(low, zero));
        PutFour<Streaming>(out + i + 8, _mm_unpacklo_epi16(high, zero));
        PutFour<Streaming>(out + i + 12, _mm_unpackhi_epi16(high, zero));
    }
    return i;
}
#endif

// How the whole steps of an 8-bit row are decoded.
enum class IndexSteps {
    LookedUp,  // each index through the table
    Widened,   // the table is the identity: each index is its device pixel
};

// 8-bit rows: pixels one by one up to a 16-byte boundary of a streaming
// surface, then whole vector steps, then the rest one by one.
template <IndexSteps Steps>
void DecodeIndices(const Decoder& decoder, const uint8_t* row, int first, int count, uint32_t* out)
{
    const uint32_t* table = decoder.table;
    row += first;
    int i = 0;
#if defined(__SSE2__)
    for (const int lead = LeadToAlignment(decoder, out, count); i < lead; ++i) {
        out[i] = table[row[i]];
    }
    WithStores(decoder.streaming, [&](auto streaming) {
        constexpr bool kStreaming = decltype(streaming)::value;
        if constexpr (Steps == IndexSteps::Widened) {
            i += WidenIndices<kStreaming>(row + i, count - i, out + i);
        } else {
            i += GatherIndicesSse2<kStreaming>(table, row + i, count - i, out + i);
        }
    });
#endif
    for (; i < count; ++i) {
        out[i] = table[row[i]];
    }
}

// 1- and 4-bit rows.
template <int Bits>
void DecodeIndexed(const Decoder& decoder, const uint8_t* row, int first, int count, uint32_t* out)
{
    const uint32_t* table = decoder.table;
    // Pixels up to the next byte boundary one by one, then whole bytes
    // with their pixels at fixed shifts, then the pixels of a last partial
    // byte; only the bytes holding the pixels are read.
    constexpr int perByte = 8 / Bits;
    constexpr unsigned mask = (1u << Bits) - 1;
    auto pixelAt = [&](int x) { return table[(row[x / perByte] >> (8 - Bits * (x % perByte + 1))) & mask]; };
    int x = first;
    const int end = first + count;
    for (; x < end && x % perByte != 0; ++x) {
        *out++ = pixelAt(x);
    }
#if defined(__SSE2__)
    if constexpr (Bits == 1) {
        const int bytes = (end - x) / 8;
        const uint8_t* whole = row + x / 8;
        WithStores(decoder.streaming && Aligned16(out), [&](auto streaming) {
            constexpr bool kStreaming = decltype(streaming)::value;
            if (HasAvx2()) {
                DecodeBitBytesAvx2<kStreaming>(table, whole, bytes, out);
            } else {
                DecodeBitBytes<kStreaming>(table, whole, bytes, out);
            }
        });
        x += 8 * bytes;
        out += 8 * bytes;
    }
#endif
    for (; x + perByte <= end; x += perByte, out += perByte) {
        const unsigned byte = row[x / perByte];
        for (int k = 0; k < perByte; ++k) {
            out[k] = table[(byte >> (8 - Bits * (k + 1))) & mask];
        }
    }
    for (; x < end; ++x) {
        *out++ = pixelAt(x);
    }
}

// True-colour source formats: where a pixel's channels lie.
struct Bgr24 {
    static constexpr int kBytes = 3;
    static Rgb Fetch(const uint8_t* p) { return {p[2], p[1], p[0]}; }
};
struct Rgb24Swapped {
    static constexpr int kBytes = 3;
    static Rgb Fetch(const uint8_t* p) { return {p[0], p[1], p[2]}; }
};
struct Bgrx32 {
    static constexpr int kBytes = 4;
    static Rgb Fetch(const uint8_t* p) { return {p[2], p[1], p[0]}; }
};
struct Xrgb555 {
    static constexpr int kBytes = 2;
    static uint8_t Widen(unsigned v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
    static Rgb Fetch(const uint8_t* p)
    {
        const unsigned v = p[0] | (p[1] << 8);
        return {Widen((v >> 10) & 31), Widen((v >> 5) & 31), Widen(v & 31)};
    }
};

// Device pixel makers for true-colour sources.
struct ToRgb32 {
    static uint32_t Make(const Decoder&, Rgb c) { return PackRgb32(c); }
};
struct ToRgb565 {
    static uint32_t Make(const Decoder&, Rgb c) { return PackRgb565(c); }
};
struct ToRgb332 {
    static uint32_t Make(const Decoder&, Rgb c) { return PackRgb332(c); }
};
struct ToMono {
    static uint32_t Make(const Decoder&, Rgb c) { return MonoPixel(c); }
};
struct ToNearest {
    static uint32_t Make(const Decoder& decoder, Rgb c) { return (*decoder.matcher)(c); }
};

template <class Format, class Maker>
void DecodeTrueColor(const Decoder& decoder, const uint8_t* row, int first, int count, uint32_t* out)
{
    const uint8_t* p = row + static_cast<size_t>(first) * Format::kBytes;
    for (int i = 0; i < count; ++i, p += Format::kBytes) {
        out[i] = Maker::Make(decoder, Format::Fetch(p));
    }
}

#if defined(__SSE2__)
// Eight pixels a step, each lane of the shuffle placing four: the lanes are
// loaded from bytes 0 and 12, so a step reads 28 bytes and stops while that
// many remain. Returns the pixels decoded.
template <bool Streaming>
[[gnu::target("avx2")]] int SpreadBgr24Avx2(const uint8_t* p, int count, uint32_t* out)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int i = 0;
    for (; 3 * i + 28 <= 3 * count; i += 8) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * i));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * i + 12));
        PutEight<Streaming>(out + i, _mm256_shuffle_epi8(
                                         _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1), spread));
    }
    return i;
}
#endif

// The most common case, blue-green-red pixels onto a 24- or 32-bit display:
// the device pixel is the three bytes with a zero on top. Where the processor
// has AVX2 a byte shuffle places eight pixels at a time; then SSE2 shifts
// place four, loading sixteen bytes, so that loop stops while at least 16
// bytes remain; the rest goes through the general loop.
void DecodeBgr24ToRgb32(const Decoder& decoder, const uint8_t* row, int first, int count, uint32_t* out)
{
    const uint8_t* p = row + static_cast<size_t>(first) * 3;
    int i = 0;
#if defined(__SSE2__)
    i = LeadToAlignment(decoder, out, count);
    DecodeTrueColor<Bgr24, ToRgb32>(decoder, p, 0, i, out);
    if (HasAvx2()) {
        WithStores(decoder.streaming, [&](auto streaming) {
            i += SpreadBgr24Avx2<decltype(streaming)::value>(p + 3 * i, count - i, out + i);
        });
    }
    const __m128i pixel0 = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0);
    const __m128i pixel1 = _mm_setr_epi32(0, 0x00FFFFFF, 0, 0);
    const __m128i pixel2 = _mm_setr_epi32(0, 0, 0x00FFFFFF, 0);
    const __m128i pixel3 = _mm_setr_epi32(0, 0, 0, 0x00FFFFFF);
    auto spread = [&](auto streaming) {
        for (; 3 * i + 16 <= 3 * count; i += 4) {
            // Pixel k starts at byte 3k and belongs at byte 4k: shifted up by k bytes.
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * i));
            const __m128i pixels = _mm_or_si128(
                _mm_or_si128(_mm_and_si128(bytes, pixel0), _mm_and_si128(_mm_slli_si128(bytes, 1), pixel1)),
                _mm_or_si128(_mm_and_si128(_mm_slli_si128(bytes, 2), pixel2),
                             _mm_and_si128(_mm_slli_si128(bytes, 3), pixel3)));
            PutFour<decltype(streaming)::value>(out + i, pixels);
        }
    };
    WithStores(decoder.streaming, spread);
#endif
    DecodeTrueColor<Bgr24, ToRgb32>(decoder, p + 3 * i, 0, count - i, out + i);
}

template <class Format>
DecodeFn TrueColorDecoder(Kind kind)
{
    switch (kind) {
    case Kind::Rgb24:
    case Kind::Rgb32:
        if constexpr (std::is_same_v<Format, Bgr24>) {
            return &DecodeBgr24ToRgb32;
        }
        return &DecodeTrueColor<Format, ToRgb32>;
    case Kind::Rgb565: return &DecodeTrueColor<Format, ToRgb565>;
    case Kind::Rgb332: return &DecodeTrueColor<Format, ToRgb332>;
    case Kind::Mono: return &DecodeTrueColor<Format, ToMono>;
    default: return &DecodeTrueColor<Format, ToNearest>;
    }
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
    std::optional<ColorMatcher> matcher;
    if (bitCount <= 8) {
        const int tableSize = 1 << bitCount;
        const int entries = header.biClrUsed != 0 && header.biClrUsed < static_cast<DWORD>(tableSize)
                                ? static_cast<int>(header.biClrUsed)
                                : tableSize;
        const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + header.biSize);
        const ColorTableTranslation& translation = TranslateColorTable(state, *context, kind, table, entries, tableSize);
        decoder.table = translation.pixels.data();
        decoder.decode = bitCount == 1   ? &DecodeIndexed<1>
                         : bitCount == 4 ? &DecodeIndexed<4>
                         : translation.identity ? &DecodeIndices<IndexSteps::Widened>
                                                : &DecodeIndices<IndexSteps::LookedUp>;
    } else {
        // Only kinds with a colour table search it for true colours; the
        // others compute their pixels, and a band of a true-colour blit
        // need not copy the DC's palette for nothing.
        if (InfoOf(kind).paletteEntries != 0) {
            matcher.emplace(state, context, kind);
            decoder.matcher = &*matcher;
        }
        switch (bitCount) {
        case 16: decoder.decode = TrueColorDecoder<Xrgb555>(kind); break;
        case 24:
            decoder.decode = state.config.swappedRgb ? TrueColorDecoder<Rgb24Swapped>(kind)
                                                     : TrueColorDecoder<Bgr24>(kind);
            break;
        default: decoder.decode = TrueColorDecoder<Bgrx32>(kind); break;
        }
    }

    const RasterOp op{rop, InfoOf(kind).pixelMask};
    const bool direct = contiguous && rop == SRCCOPY;
    // From 4 MB on, beyond what any core keeps in its own caches, a surface
    // is a screen's frame, shown rather than read again: stores that go past
    // the cache save reading each line in first, as a write-combined
    // framebuffer does.
    constexpr size_t kStreamedSurfacePixels = size_t{1} << 20;
    decoder.streaming = direct && target.surface->pixels.size() >= kStreamedSurfacePixels;
    const size_t stride = static_cast<size_t>((width * bitCount + 31) / 32) * 4;
    const auto* dib = static_cast<const uint8_t*>(bits);
    std::vector<uint32_t> decoded(direct ? 0 : static_cast<size_t>(highColumn - lowColumn + 1));
    std::vector<uint32_t> resampled(direct || contiguous ? 0 : static_cast<size_t>(count));
    std::vector<int> sourceColumns(resampled.size());
    if (!sourceColumns.empty()) {
        columns.SourcesOf(firstColumn, count, sourceColumns.data());
    }
    int decodedRow = -1;
    for (int y = area.top; y < area.bottom; ++y) {
        const int sy = rows.SourceOf(y);
        if (sy < 0 || sy >= height) {
            continue;
        }
        const uint8_t* row = dib + static_cast<size_t>(topDown ? sy : height - 1 - sy) * stride;
        uint32_t* out = target.surface->Row(y) + firstColumn;
        if (direct) {
            decoder.decode(decoder, row, lowColumn, count, out);
            continue;
        }
        if (sy != decodedRow) {
            decoder.decode(decoder, row, lowColumn, highColumn - lowColumn + 1, decoded.data());
            if (!contiguous) {
                for (size_t i = 0; i < resampled.size(); ++i) {
                    resampled[i] = decoded[static_cast<size_t>(sourceColumns[i] - lowColumn)];
                }
            }
            decodedRow = sy;
        }
        CombineRow(op, out, contiguous ? decoded.data() : resampled.data(), count);
    }
#if defined(__SSE2__)
    if (decoder.streaming) {
        // Streamed stores are ordered with later ones only through a fence.
        _mm_sfence();
    }
#endif
    return result;
}

}  // extern "C"
