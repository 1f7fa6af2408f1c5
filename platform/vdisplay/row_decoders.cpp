// Row decoders of the virtual display, for surfaces of 32-bit pixels and of
// byte pixels. 8-bit rows are copied (widened onto 32-bit pixels) where the
// colour table is the identity, looked up 64 at a time where the device
// pixels fit a byte and the processor has AVX-512 VBMI, 32 at a time onto
// byte pixels with AVX2, and without it a word at a time through the pixels
// of every two indices once the table has drawn enough to pay for them;
// onto 32-bit pixels a vector's worth of look-ups gathered into one store;
// 1-bit rows a byte at a time;
// blue-green-red rows onto true-colour displays eight pixels a step with
// AVX2. Streaming decoders store past the cache from the first 16-byte
// boundary of the row on.
#include "row_decoders.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace vd::detail {

namespace {

// The device pixels of a translated colour table, in the surface's pixel type.
template <typename Pixel>
const Pixel* TableOf(const Decoder& decoder)
{
    if constexpr (std::is_same_v<Pixel, uint8_t>) {
        return decoder.tableBytes;
    } else {
        return decoder.table;
    }
}

#if defined(__SSE2__)
// Sixteen bytes of device pixels to `out`: an ordinary store, or one past
// the cache, which needs `out` 16-byte aligned.
template <bool Streaming>
inline void Put16Bytes(void* out, __m128i pixels)
{
    if constexpr (Streaming) {
        _mm_stream_si128(static_cast<__m128i*>(out), pixels);
    } else {
        _mm_storeu_si128(static_cast<__m128i*>(out), pixels);
    }
}

// 32 bytes to `out`, as two stores past the cache, which need `out` 16-byte
// aligned, or one ordinary store.
template <bool Streaming>
[[gnu::target("avx2")]] inline void Put32Bytes(void* out, __m256i pixels)
{
    if constexpr (Streaming) {
        Put16Bytes<true>(out, _mm256_castsi256_si128(pixels));
        Put16Bytes<true>(static_cast<uint8_t*>(out) + 16, _mm256_extracti128_si256(pixels, 1));
    } else {
        _mm256_storeu_si256(static_cast<__m256i*>(out), pixels);
    }
}

template <typename Pixel>
inline bool Aligned16(const Pixel* out)
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
template <typename Pixel>
inline int LeadToAlignment(const Decoder& decoder, const Pixel* out, int count)
{
    if (!decoder.streaming) {
        return 0;
    }
    const auto toBoundary = (16 - (reinterpret_cast<uintptr_t>(out) & 15)) & 15;
    return std::min(count, static_cast<int>(toBoundary / sizeof(Pixel)));
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
        Put16Bytes<Streaming>(out, _mm_xor_si128(dark, _mm_and_si128(high, toLight)));
        Put16Bytes<Streaming>(out + 4, _mm_xor_si128(dark, _mm_and_si128(low, toLight)));
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
        Put32Bytes<Streaming>(out, _mm256_xor_si256(dark, _mm256_and_si256(set, toLight)));
    }
}

// 0xFF in byte k of the result where bit 7 - k of `byte` is set: byte k of
// the product holds `byte`, the mask keeps its bit 7 - k, and adding 0x7F to
// a byte sets its top bit exactly when it is not 0, never carrying out of it.
inline uint64_t BitsToByteMasks(unsigned byte)
{
    const uint64_t bits = (byte * 0x0101010101010101ull) & 0x0102040810204080ull;
    const uint64_t tops = (bits + 0x7F7F7F7F7F7F7F7Full) & 0x8080808080808080ull;
    return (tops >> 7) * 0xFF;
}

// Whole bytes of a 1-bit row onto byte pixels, two bytes' sixteen pixels a
// store: the dark entry in every byte, the difference to the light one
// masked in where the pixel's bit is set. Returns the bytes decoded.
template <bool Streaming>
int DecodeBitBytesToBytes(const uint8_t* table, const uint8_t* bytes, int byteCount, uint8_t* out)
{
    constexpr uint64_t kEveryByte = 0x0101010101010101ull;
    const uint64_t dark = table[0] * kEveryByte;
    const uint64_t toLight = (table[0] ^ table[1]) * kEveryByte;
    int k = 0;
    for (; k + 2 <= byteCount; k += 2, out += 16) {
        const uint64_t first = dark ^ (BitsToByteMasks(bytes[k]) & toLight);
        const uint64_t second = dark ^ (BitsToByteMasks(bytes[k + 1]) & toLight);
        Put16Bytes<Streaming>(out, _mm_set_epi64x(static_cast<long long>(second), static_cast<long long>(first)));
    }
    return k;
}
#endif

#if defined(__SSE2__)
// Four look-ups of an 8-bit row gathered into one store onto 32-bit pixels:
// the loop is bound by stores, of which there is one per four pixels. (Byte
// pixels are looked up one by one: gathering sixteen into a store costs
// three times as much as storing each.) Returns the pixels decoded.
template <bool Streaming>
int GatherIndices(const uint32_t* table, const uint8_t* row, int count, uint32_t* out)
{
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const auto pixel = [&](int k) { return static_cast<int>(table[row[i + k]]); };
        Put16Bytes<Streaming>(out + i, _mm_setr_epi32(pixel(0), pixel(1), pixel(2), pixel(3)));
    }
    return i;
}

// 8-bit indices onto byte pixels through a table whose device pixels fit a
// byte, with AVX2, which permutes bytes only within 16, and a shuffle gives
// 0 where the top bit of its index is set: slice p of the table's sixteen
// 16-entry slices is shuffled with the index and slice p + 8 with the
// index's top bit inverted, so that an OR of the two holds the one of the
// index's half; blends on bits 4, 5 and 6 of the index then take its slice
// out of the eight pairs. Per 32 pixels: 16 shuffles, 8 ORs, 7 blends and 4
// steps to place the bits, the StretchDIBits of an 8-bit image 16 % faster
// here than keeping each slice XOR the one before and shuffling it with the
// index less 16 s (16 shuffles, 16 subtractions, 16 XORs and a blend).
// Returns the pixels decoded, all whole groups of 32.
template <bool Streaming>
[[gnu::target("avx2")]] int LookUpBytesAvx2(const uint8_t* tableBytes, const uint8_t* row, int count, uint8_t* out)
{
    constexpr int kPairs = 8;
    const __m256i topBit = _mm256_set1_epi8(static_cast<char>(0x80));
    auto shuffled = [&](int slice, __m256i control) __attribute__((target("avx2"), always_inline)) {
        const __m128i entries = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tableBytes + 16 * slice));
        return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(entries), control);
    };
    int i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i indices = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
        // Shifting the 16-bit lanes left moves bit 4, 5 or 6 of each byte
        // into its top bit; nothing crosses into another byte's top bit.
        const __m256i bit4 = _mm256_slli_epi16(indices, 3);
        const __m256i bit5 = _mm256_slli_epi16(indices, 2);
        const __m256i bit6 = _mm256_slli_epi16(indices, 1);
        const __m256i upperHalf = _mm256_xor_si256(indices, topBit);
        __m256i pairs[kPairs];
#pragma GCC unroll 8
        for (int p = 0; p < kPairs; ++p) {
            pairs[p] = _mm256_or_si256(shuffled(p, indices), shuffled(p + kPairs, upperHalf));
        }
        __m256i quads[kPairs / 2];
#pragma GCC unroll 4
        for (int q = 0; q < kPairs / 2; ++q) {
            quads[q] = _mm256_blendv_epi8(pairs[2 * q], pairs[2 * q + 1], bit4);
        }
        Put32Bytes<Streaming>(out + i, _mm256_blendv_epi8(_mm256_blendv_epi8(quads[0], quads[1], bit5),
                                                           _mm256_blendv_epi8(quads[2], quads[3], bit5), bit6));
    }
    return i;
}

// Each index of an 8-bit row is its own device pixel: sixteen indices a
// step, copied onto byte pixels or widened to 32-bit ones. Returns the
// pixels decoded.
template <bool Streaming, typename Pixel>
int CopyIndices(const uint8_t* row, int count, Pixel* out)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        if constexpr (std::is_same_v<Pixel, uint8_t>) {
            Put16Bytes<Streaming>(out + i, bytes);
        } else {
            const __m128i low = _mm_unpacklo_epi8(bytes, zero);
            const __m128i high = _mm_unpackhi_epi8(bytes, zero);
            Put16Bytes<Streaming>(out + i, _mm_unpacklo_epi16(low, zero));
            Put16Bytes<Streaming>(out + i + 4, _mm_unpackhi_epi16(low, zero));
            Put16Bytes<Streaming>(out + i + 8, _mm_unpacklo_epi16(high, zero));
            Put16Bytes<Streaming>(out + i + 12, _mm_unpackhi_epi16(high, zero));
        }
    }
    return i;
}

// Quarter q of a 512-bit vector. The masked forms keep GCC from warning of
// the unmasked ones' undefined inputs.
template <int Quarter>
[[gnu::target("avx512f")]] inline __m128i QuarterOf(__m512i v)
{
    return _mm512_maskz_extracti32x4_epi32(0xF, v, Quarter);
}

// 64 bytes to `out`: four stores past the cache, which need `out` 16-byte
// aligned, or one ordinary store.
template <bool Streaming>
[[gnu::target("avx512f")]] inline void Put64Bytes(void* out, __m512i pixels)
{
    if constexpr (Streaming) {
        auto* bytes = static_cast<uint8_t*>(out);
        Put16Bytes<true>(bytes, QuarterOf<0>(pixels));
        Put16Bytes<true>(bytes + 16, QuarterOf<1>(pixels));
        Put16Bytes<true>(bytes + 32, QuarterOf<2>(pixels));
        Put16Bytes<true>(bytes + 48, QuarterOf<3>(pixels));
    } else {
        _mm512_storeu_si512(out, pixels);
    }
}

// The sixteen bytes of quarter q of `bytes` widened to device pixels.
template <int Quarter>
[[gnu::target("avx512f")]] inline __m512i WidenQuarter(__m512i bytes)
{
    return _mm512_maskz_cvtepu8_epi32(0xFFFF, QuarterOf<Quarter>(bytes));
}

// 64 indices of an 8-bit row a step through a table whose device pixels fit
// a byte: its 256 bytes lie in four registers, each half looked up by one
// permute of 128 entries, the halves chosen by each index's top bit; the
// bytes are stored as they are, or widened to 32-bit pixels. Returns the
// pixels decoded.
template <bool Streaming, typename Pixel>
[[gnu::target("avx512f,avx512bw,avx512vbmi")]] int LookUpBytesAvx512(const uint8_t* tableBytes, const uint8_t* row,
                                                                     int count, Pixel* out)
{
    const __m512i entries0 = _mm512_loadu_si512(tableBytes);
    const __m512i entries64 = _mm512_loadu_si512(tableBytes + 64);
    const __m512i entries128 = _mm512_loadu_si512(tableBytes + 128);
    const __m512i entries192 = _mm512_loadu_si512(tableBytes + 192);
    int i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m512i indices = _mm512_loadu_si512(row + i);
        const __m512i pixels = _mm512_mask_blend_epi8(_mm512_movepi8_mask(indices),
                                                      _mm512_permutex2var_epi8(entries0, indices, entries64),
                                                      _mm512_permutex2var_epi8(entries128, indices, entries192));
        if constexpr (std::is_same_v<Pixel, uint8_t>) {
            Put64Bytes<Streaming>(out + i, pixels);
        } else {
            Put64Bytes<Streaming>(out + i, WidenQuarter<0>(pixels));
            Put64Bytes<Streaming>(out + i + 16, WidenQuarter<1>(pixels));
            Put64Bytes<Streaming>(out + i + 32, WidenQuarter<2>(pixels));
            Put64Bytes<Streaming>(out + i + 48, WidenQuarter<3>(pixels));
        }
    }
    return i;
}
#endif

// A machine word of indices a load and their pixels a store, through the
// pixels of every two indices: half the look-ups of one index at a time.
// Returns the pixels decoded, all whole words.
int LookUpPairs(const uint16_t* pixelPairs, const uint8_t* row, int count, uint8_t* out)
{
    using Word = uintptr_t;
    constexpr int kWordBytes = sizeof(Word);
    int i = 0;
    for (; i + kWordBytes <= count; i += kWordBytes) {
        Word indices = 0;
        std::memcpy(&indices, row + i, kWordBytes);
        Word pixels = 0;
#pragma GCC unroll 4
        for (int shift = 0; shift < 8 * kWordBytes; shift += 16) {
            pixels |= Word{pixelPairs[(indices >> shift) & 0xFFFF]} << shift;
        }
        std::memcpy(out + i, &pixels, kWordBytes);
    }
    return i;
}

// How the whole steps of an 8-bit row are decoded.
enum class IndexSteps {
    LookedUp,  // each index through the table
    Copied,    // the table is the identity: each index is its device pixel
    BytesLookedUp,  // through the table's bytes, 64 at a time (AVX-512 VBMI)
};

// 8-bit rows: pixels one by one up to a 16-byte boundary of a streaming
// surface, then whole vector steps, then the rest one by one.
template <IndexSteps Steps, typename Pixel>
void DecodeIndices(const Decoder& decoder, const uint8_t* row, int first, int count, Pixel* out)
{
    const Pixel* table = TableOf<Pixel>(decoder);
    row += first;
    int i = 0;
#if defined(__SSE2__)
    for (const int lead = LeadToAlignment(decoder, out, count); i < lead; ++i) {
        out[i] = table[row[i]];
    }
    WithStores(decoder.streaming, [&](auto streaming) {
        constexpr bool kStreaming = decltype(streaming)::value;
        if constexpr (Steps == IndexSteps::Copied) {
            i += CopyIndices<kStreaming>(row + i, count - i, out + i);
        } else if constexpr (Steps == IndexSteps::BytesLookedUp) {
            i += LookUpBytesAvx512<kStreaming>(decoder.tableBytes, row + i, count - i, out + i);
        }
        if constexpr (std::is_same_v<Pixel, uint8_t> && Steps == IndexSteps::LookedUp) {
            if (decoder.vectors >= Vectors::Avx2) {
                i += LookUpBytesAvx2<kStreaming>(table, row + i, count - i, out + i);
            }
        } else if constexpr (std::is_same_v<Pixel, uint32_t> && Steps != IndexSteps::Copied) {
            i += GatherIndices<kStreaming>(table, row + i, count - i, out + i);
        }
    });
#endif
    if constexpr (std::is_same_v<Pixel, uint8_t> && Steps == IndexSteps::LookedUp) {
        if (decoder.pixelPairs != nullptr) {
            i += LookUpPairs(decoder.pixelPairs, row + i, count - i, out + i);
        }
    }
#pragma GCC unroll 4
    for (; i < count; ++i) {
        out[i] = table[row[i]];
    }
}

// 1- and 4-bit rows.
template <int Bits, typename Pixel>
void DecodeIndexed(const Decoder& decoder, const uint8_t* row, int first, int count, Pixel* out)
{
    const Pixel* table = TableOf<Pixel>(decoder);
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
        int bytes = (end - x) / 8;
        const uint8_t* whole = row + x / 8;
        WithStores(decoder.streaming && Aligned16(out), [&](auto streaming) {
            constexpr bool kStreaming = decltype(streaming)::value;
            if constexpr (std::is_same_v<Pixel, uint8_t>) {
                bytes = DecodeBitBytesToBytes<kStreaming>(table, whole, bytes, out);
            } else if (decoder.vectors >= Vectors::Avx2) {
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

template <class Format, class Maker, typename Pixel>
void DecodeTrueColor(const Decoder& decoder, const uint8_t* row, int first, int count, Pixel* out)
{
    const uint8_t* p = row + static_cast<size_t>(first) * Format::kBytes;
    for (int i = 0; i < count; ++i, p += Format::kBytes) {
        out[i] = static_cast<Pixel>(Maker::Make(decoder, Format::Fetch(p)));
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
        Put32Bytes<Streaming>(out + i, _mm256_shuffle_epi8(
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
    DecodeTrueColor<Bgr24, ToRgb32, uint32_t>(decoder, p, 0, i, out);
    if (decoder.vectors >= Vectors::Avx2) {
        WithStores(decoder.streaming, [&](auto streaming) {
            i += SpreadBgr24Avx2<decltype(streaming)::value>(p + 3 * i, count - i, out + i);
        });
    }
    // Each 64-bit half holds two pixels: pixels 0 and 1 from bytes 0 to 7,
    // pixels 2 and 3 from bytes 6 to 13. The first of a pair stays where it
    // is; the second, at byte 3 of the half, moves up one byte to byte 4.
    const __m128i firstOfPair = _mm_set1_epi64x(0x0000000000FFFFFF);
    const __m128i secondOfPair = _mm_set1_epi64x(0x00FFFFFF00000000);
    auto spread = [&](auto streaming) {
        for (; 3 * i + 16 <= 3 * count; i += 4) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * i));
            const __m128i pairs = _mm_unpacklo_epi64(bytes, _mm_srli_si128(bytes, 6));
            const __m128i pixels =
                _mm_or_si128(_mm_and_si128(pairs, firstOfPair), _mm_and_si128(_mm_slli_epi64(pairs, 8), secondOfPair));
            Put16Bytes<decltype(streaming)::value>(out + i, pixels);
        }
    };
    WithStores(decoder.streaming, spread);
#endif
    DecodeTrueColor<Bgr24, ToRgb32, uint32_t>(decoder, p + 3 * i, 0, count - i, out + i);
}

// Byte pixels are only asked for on the kinds whose device pixels fit a
// byte, 32-bit ones on the others.
template <class Format, typename Pixel>
DecodeFn<Pixel> TrueColorDecoderOf(Kind kind)
{
    switch (kind) {
    case Kind::Rgb24:
    case Kind::Rgb32:
        if constexpr (std::is_same_v<Format, Bgr24> && std::is_same_v<Pixel, uint32_t>) {
            return &DecodeBgr24ToRgb32;
        }
        return &DecodeTrueColor<Format, ToRgb32, Pixel>;
    case Kind::Rgb565: return &DecodeTrueColor<Format, ToRgb565, Pixel>;
    case Kind::Rgb332: return &DecodeTrueColor<Format, ToRgb332, Pixel>;
    case Kind::Mono: return &DecodeTrueColor<Format, ToMono, Pixel>;
    default: return &DecodeTrueColor<Format, ToNearest, Pixel>;
    }
}

}  // namespace

Vectors UsableVectors(Vectors widest)
{
#if defined(__SSE2__)
    static const Vectors processor =
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw") ? Vectors::Avx512
        : __builtin_cpu_supports("avx2")                                            ? Vectors::Avx2
                                                                                    : Vectors::Sse2;
    return std::min(widest, processor);
#else
    return Vectors::Sse2;
#endif
}

template <typename Pixel>
DecodeFn<Pixel> IndexedDecoder(int bitCount, const ColorTableTranslation& translation, Vectors vectors)
{
    switch (bitCount) {
    case 1: return &DecodeIndexed<1, Pixel>;
    case 4: return &DecodeIndexed<4, Pixel>;
    default:
        if (translation.identity) {
            return &DecodeIndices<IndexSteps::Copied, Pixel>;
        }
        return translation.fitsBytes && vectors == Vectors::Avx512 ? &DecodeIndices<IndexSteps::BytesLookedUp, Pixel>
                                                                   : &DecodeIndices<IndexSteps::LookedUp, Pixel>;
    }
}

template <typename Pixel>
DecodeFn<Pixel> TrueColorDecoder(int bitCount, bool swapped, Kind kind)
{
    switch (bitCount) {
    case 16: return TrueColorDecoderOf<Xrgb555, Pixel>(kind);
    case 24: return swapped ? TrueColorDecoderOf<Rgb24Swapped, Pixel>(kind) : TrueColorDecoderOf<Bgr24, Pixel>(kind);
    default: return TrueColorDecoderOf<Bgrx32, Pixel>(kind);
    }
}

template DecodeFn<uint8_t> IndexedDecoder(int, const ColorTableTranslation&, Vectors);
template DecodeFn<uint32_t> IndexedDecoder(int, const ColorTableTranslation&, Vectors);
template DecodeFn<uint8_t> TrueColorDecoder(int, bool, Kind);
template DecodeFn<uint32_t> TrueColorDecoder(int, bool, Kind);

}  // namespace vd::detail
