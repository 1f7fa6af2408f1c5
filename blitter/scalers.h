// Horizontal scalers: one source row in the source format to dstCount pixels.
#pragma once

#include <cstdint>

namespace dibdraw {

void Stretch24(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
void Stretch8(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
void Stretch4(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
void Stretch1(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset);
// Reduces a 1-bit row (srcCount > dstCount) to dstCount grey levels 0..255.
void Shrink1ToGray(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount,
                   int32_t bitOffset);

// A run of output pixels [first, first + count) of a row scaled from
// srcCount to dstCount pixels, so that a blit scales only what can show.
struct ScaleSpan {
    int32_t srcCount;
    int32_t dstCount;
    int32_t first;
    int32_t count;
};

// The source pixels [begin, end) that a span reads. `averaged` is true for
// Shrink1ToGray, whose output pixels average groups of source pixels.
struct SourceRange {
    int64_t begin;
    int64_t end;
};
SourceRange SpanSource(const ScaleSpan& span, bool averaged);

// The scalers above, for one span; `src` starts at the span's first source
// pixel (at bit `bitOffset` of its first byte for 1-bit rows) and `dst`
// receives output pixel span.first first.
using SpanScaler = void (*)(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset);
void Stretch24Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset);
void Stretch8Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset);
void Stretch4Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset);
void Stretch1Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset);
void Shrink1ToGraySpan(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset);

// Bytes of a buffer for a scaled row of `count` pixels of `bits` bits: what
// the scalers write, with four pixels to spare, and what the converters read
// of it, which for 1-bit rows is whole 16-bit words.
int64_t ScaledRowBytes(int64_t count, int bits);

}  // namespace dibdraw
