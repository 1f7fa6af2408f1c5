// Horizontal scalers. The four resampling scalers share one sampling loop and
// differ only in how they read a source pixel and append an output pixel; the
// sampling positions come from an accumulator; only the start of a span takes
// a multiply and a divide.
#include "blitter/scalers.h"

#include <cstring>

#include "convert/kernels.h"

namespace dibdraw {

namespace {

// Where sampling starts for a span: its first source pixel, and the
// accumulator's value there (see the samplers below).
struct SpanStart {
    int64_t source;
    uint32_t acc;
};

// Nearest-lower: output pixel j is source pixel floor(j * srcCount / dstCount).
SpanStart NearestStart(const ScaleSpan& span)
{
    const int64_t position = static_cast<int64_t>(span.first) * span.srcCount;
    return {position / span.dstCount, static_cast<uint32_t>(position % span.dstCount)};
}

// Box averaging: output pixel j averages the source pixels i with
// floor(i * dstCount / srcCount) = j, the first of them ceil(j * srcCount / dstCount).
SpanStart AveragedStart(const ScaleSpan& span)
{
    const int64_t position = static_cast<int64_t>(span.first) * span.srcCount;
    const int64_t source = (position + span.dstCount - 1) / span.dstCount;
    return {source, static_cast<uint32_t>(source * span.dstCount - position)};
}

bool IsAveraged(const ScaleSpan& span, bool averaged)
{
    return averaged && span.srcCount > span.dstCount;
}

bool IsEmpty(const ScaleSpan& span)
{
    return span.srcCount <= 0 || span.dstCount <= 0 || span.count <= 0;
}

// Nearest-lower sampling of a span. `acc` holds j * srcCount - i * dstCount
// for the current source pixel i and output pixel j, so a pixel is written
// while acc < dstCount; it stays below srcCount + dstCount, inside 32 bits.
//
// The loop ends on the span's last output pixel, so the reader moves on only
// when another source pixel is still to come and never touches anything past
// the last source pixel of the span.
//
// Enlargement by a whole factor takes a loop of its own: after the first
// source pixel of the span, whose copies depend on where the span starts,
// every source pixel is written exactly factor times.
template <typename Reader, typename Writer>
inline void SampleNearestLower(Reader reader, Writer writer, const ScaleSpan& span)
{
    if (IsEmpty(span)) {
        return;
    }
    const auto srcCount = static_cast<uint32_t>(span.srcCount);
    const auto dstCount = static_cast<uint32_t>(span.dstCount);
    int32_t remaining = span.count;
    uint32_t acc = NearestStart(span).acc;
    if (dstCount > srcCount && dstCount % srcCount == 0) {
        const auto factor = static_cast<int32_t>(dstCount / srcCount);
        auto copies = static_cast<int32_t>((dstCount - acc + srcCount - 1) / srcCount);
        for (;;) {
            const auto pixel = reader.Load();
            if (remaining <= copies) {
                for (; remaining > 0; --remaining) {
                    writer.Store(pixel);
                }
                writer.Finish();
                return;
            }
            remaining -= copies;
            for (; copies > 0; --copies) {
                writer.Store(pixel);
            }
            copies = factor;
            reader.Next();
        }
    }
    for (;;) {
        if (acc < dstCount) {
            const auto pixel = reader.Load();
            do {
                writer.Store(pixel);
                if (--remaining == 0) {
                    writer.Finish();
                    return;
                }
                acc += srcCount;
            } while (acc < dstCount);
        }
        acc -= dstCount;
        reader.Next();
    }
}

// A 24-bit pixel in the low three bytes of a word, first byte lowest. The
// three bytes are read one by one: a wider read could pass the row's end.
struct Reader24 {
    const uint8_t* pixel;

    uint32_t Load() const { return pixel[0] | (uint32_t{pixel[1]} << 8) | (uint32_t{pixel[2]} << 16); }
    void Next() { pixel += 3; }
};

// Stores each pixel with one four-byte store whose last byte the next pixel
// overwrites, so it must not write a span's last pixel; Writer24 does.
struct OverlappingWriter24 {
    uint8_t* out;

    void Store(uint32_t pixel)
    {
        std::memcpy(out, &pixel, 4);
        out += 3;
    }
    void Finish() {}
};

struct Writer24 {
    uint8_t* out;

    void Store(uint32_t pixel)
    {
        out[0] = static_cast<uint8_t>(pixel);
        out[1] = static_cast<uint8_t>(pixel >> 8);
        out[2] = static_cast<uint8_t>(pixel >> 16);
        out += 3;
    }
    void Finish() {}
};

struct Reader8 {
    const uint8_t* pixel;

    uint8_t Load() const { return *pixel; }
    void Next() { ++pixel; }
};

struct Writer8 {
    uint8_t* out;

    void Store(uint8_t pixel) { *out++ = pixel; }
    void Finish() {}
};

// Nibbles, high nibble first.
struct Reader4 {
    const uint8_t* row;
    int32_t index = 0;

    uint8_t Load() const
    {
        const uint8_t pair = row[index >> 1];
        return (index & 1) != 0 ? static_cast<uint8_t>(pair & 0x0F) : static_cast<uint8_t>(pair >> 4);
    }
    void Next() { ++index; }
};

// An even output nibble starts a byte (its low half 0); an odd one completes it.
struct Writer4 {
    uint8_t* out;
    bool lowHalf = false;

    void Store(uint8_t nibble)
    {
        if (lowHalf) {
            *out++ |= nibble;
        } else {
            *out = static_cast<uint8_t>(nibble << 4);
        }
        lowHalf = !lowHalf;
    }
    void Finish() {}
};

// The position of one pixel of a 1-bit row, most significant bit first. Only
// Load() dereferences, so moving to the position after the last pixel is safe.
struct BitReader {
    const uint8_t* byte;
    unsigned mask;

    BitReader(const uint8_t* row, int32_t bitOffset)
        : byte(row + (bitOffset >> 3)), mask(0x80u >> (bitOffset & 7))
    {
    }
    bool Load() const { return (*byte & mask) != 0; }
    void Next()
    {
        mask >>= 1;
        if (mask == 0) {
            mask = 0x80;
            ++byte;
        }
    }
};

// Collects output bits in a register and stores whole bytes; the last byte
// keeps its unused low bits 0.
struct Writer1 {
    uint8_t* out;
    unsigned bits = 0;
    unsigned mask = 0x80;

    void Store(bool set)
    {
        if (set) {
            bits |= mask;
        }
        mask >>= 1;
        if (mask == 0) {
            *out++ = static_cast<uint8_t>(bits);
            bits = 0;
            mask = 0x80;
        }
    }
    void Finish()
    {
        if (mask != 0x80) {
            *out = static_cast<uint8_t>(bits);
        }
    }
};

// One grey level per pixel: a 1-bit pixel stands for level 0 or 255.
struct LevelWriter {
    uint8_t* out;

    void Store(bool set) { *out++ = set ? 255 : 0; }
    void Finish() {}
};

}  // namespace

SourceRange SpanSource(const ScaleSpan& span, bool averaged)
{
    if (IsEmpty(span)) {
        return {0, 0};
    }
    if (IsAveraged(span, averaged)) {
        const ScaleSpan end = {span.srcCount, span.dstCount, span.first + span.count, 0};
        return {AveragedStart(span).source, AveragedStart(end).source};
    }
    const ScaleSpan last = {span.srcCount, span.dstCount, span.first + span.count - 1, 1};
    return {NearestStart(span).source, NearestStart(last).source + 1};
}

int64_t ScaledRowBytes(int64_t count, int bits)
{
    const int64_t bytes = ((count + 4) * bits + 7) / 8;
    const int64_t words = (count + 15) / 16 * 2;
    return bits == 1 && words > bytes ? words : bytes;
}

namespace {

// A span of 24-bit pixels sampled one output pixel at a time; src at the
// span's first source pixel. A byte store per channel would make stores the
// bound: all pixels but the last are written four bytes at a time, the last
// exactly.
void Sample24(const uint8_t* src, uint8_t* dst, const ScaleSpan& span)
{
    if (IsEmpty(span)) {
        return;
    }
    const ScaleSpan leading = {span.srcCount, span.dstCount, span.first, span.count - 1};
    const ScaleSpan last = {span.srcCount, span.dstCount, span.first + span.count - 1, 1};
    SampleNearestLower(Reader24{src}, OverlappingWriter24{dst}, leading);
    const int64_t lastSource = NearestStart(last).source - NearestStart(span).source;
    SampleNearestLower(Reader24{src + 3 * lastSource}, Writer24{dst + 3 * (span.count - 1)}, last);
}

}  // namespace

// Enlargement to twice the width, the commonest, doubles whole groups of
// four source pixels with the process's kernel between an odd first output
// pixel and the last few, which are sampled one by one.
void Stretch24Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t)
{
    if (span.srcCount == span.dstCount && span.count > 0) {
        std::memcpy(dst, src, 3 * static_cast<size_t>(span.count));
        return;
    }
    if (IsEmpty(span)) {
        return;
    }
    int32_t done = 0;
    if (int64_t{span.dstCount} == 2 * int64_t{span.srcCount}) {
        done = span.first & 1;
        Sample24(src, dst, {span.srcCount, span.dstCount, span.first, done});
        const int32_t groups = (span.count - done) / 8;
        ActiveKernels().doubleRgb24(src + 3 * done, dst + 3 * done, groups);
        done += 8 * groups;
    }
    const ScaleSpan rest = {span.srcCount, span.dstCount, span.first + done, span.count - done};
    const int64_t restSource = NearestStart(rest).source - NearestStart(span).source;
    Sample24(src + 3 * restSource, dst + 3 * int64_t{done}, rest);
}

void Stretch8Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t)
{
    if (span.srcCount == span.dstCount && span.count > 0) {
        std::memcpy(dst, src, static_cast<size_t>(span.count));
        return;
    }
    SampleNearestLower(Reader8{src}, Writer8{dst}, span);
}

void Stretch4Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t)
{
    SampleNearestLower(Reader4{src}, Writer4{dst}, span);
}

void Stretch1Span(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset)
{
    SampleNearestLower(BitReader(src, bitOffset), Writer1{dst}, span);
}

// `acc` holds i * dstCount - j * srcCount, and source pixel i joins group j
// while acc < srcCount; it stays below srcCount + dstCount. With srcCount >
// dstCount no group is empty. A row that is not reduced has groups of at most
// one pixel, some of them empty; it is sampled like Stretch1 instead, each
// pixel becoming level 0 or 255.
void Shrink1ToGraySpan(const uint8_t* src, uint8_t* dst, const ScaleSpan& span, int32_t bitOffset)
{
    if (IsEmpty(span)) {
        return;
    }
    BitReader reader(src, bitOffset);
    if (!IsAveraged(span, true)) {
        SampleNearestLower(reader, LevelWriter{dst}, span);
        return;
    }
    const auto srcCount = static_cast<uint32_t>(span.srcCount);
    const auto dstCount = static_cast<uint32_t>(span.dstCount);
    const SpanStart start = AveragedStart(span);
    uint32_t acc = start.acc;
    int64_t i = start.source;
    for (int32_t j = 0; j < span.count; ++j) {
        int64_t ones = 0;
        int64_t pixels = 0;
        while (acc < srcCount && i < span.srcCount) {
            ones += reader.Load() ? 1 : 0;
            reader.Next();
            acc += dstCount;
            ++i;
            ++pixels;
        }
        dst[j] = static_cast<uint8_t>(ones * 255 / pixels);
        acc -= srcCount;
    }
}

void Stretch24(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset)
{
    Stretch24Span(src, dst, {srcCount, dstCount, 0, dstCount}, bitOffset);
}

void Stretch8(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset)
{
    Stretch8Span(src, dst, {srcCount, dstCount, 0, dstCount}, bitOffset);
}

void Stretch4(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset)
{
    Stretch4Span(src, dst, {srcCount, dstCount, 0, dstCount}, bitOffset);
}

void Stretch1(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset)
{
    Stretch1Span(src, dst, {srcCount, dstCount, 0, dstCount}, bitOffset);
}

void Shrink1ToGray(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount,
                   int32_t bitOffset)
{
    Shrink1ToGraySpan(src, dst, {srcCount, dstCount, 0, dstCount}, bitOffset);
}

}  // namespace dibdraw
