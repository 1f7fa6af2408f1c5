// Horizontal scalers. The four resampling scalers share one sampling loop and
// differ only in how they read a source pixel and append an output pixel; the
// sampling positions come from an accumulator, never from a multiply or divide.
#include "blitter/scalers.h"

#include <cstring>

namespace dibdraw {

namespace {

// Nearest-lower sampling: output pixel j is source pixel floor(j * srcCount /
// dstCount). `acc` holds j * srcCount - i * dstCount for the current source
// pixel i and output pixel j, so a pixel is written while acc < dstCount.
//
// Over all source pixels exactly dstCount outputs are written, and the loop
// ends on the last of them; so the reader moves on only when another source
// pixel is still to come and never touches anything past srcCount - 1.
template <typename Reader, typename Writer>
inline void SampleNearestLower(Reader reader, Writer writer, int32_t srcCount, int32_t dstCount)
{
    if (srcCount <= 0 || dstCount <= 0) {
        return;
    }
    int32_t remaining = dstCount;
    int32_t acc = 0;
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

struct Pixel24 {
    uint8_t bytes[3];
};

struct Reader24 {
    const uint8_t* pixel;

    Pixel24 Load() const { return {{pixel[0], pixel[1], pixel[2]}}; }
    void Next() { pixel += 3; }
};

struct Writer24 {
    uint8_t* out;

    void Store(Pixel24 pixel)
    {
        out[0] = pixel.bytes[0];
        out[1] = pixel.bytes[1];
        out[2] = pixel.bytes[2];
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

void Stretch24(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t)
{
    if (srcCount == dstCount && srcCount > 0) {
        std::memcpy(dst, src, 3 * static_cast<size_t>(srcCount));
        return;
    }
    SampleNearestLower(Reader24{src}, Writer24{dst}, srcCount, dstCount);
}

void Stretch8(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t)
{
    if (srcCount == dstCount && srcCount > 0) {
        std::memcpy(dst, src, static_cast<size_t>(srcCount));
        return;
    }
    SampleNearestLower(Reader8{src}, Writer8{dst}, srcCount, dstCount);
}

void Stretch4(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t)
{
    SampleNearestLower(Reader4{src}, Writer4{dst}, srcCount, dstCount);
}

void Stretch1(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount, int32_t bitOffset)
{
    SampleNearestLower(BitReader(src, bitOffset), Writer1{dst}, srcCount, dstCount);
}

// Box averaging: source pixel i falls in output pixel floor(i * dstCount /
// srcCount); `acc` holds i * dstCount - j * srcCount, and pixel i joins group j
// while acc < srcCount. With srcCount > dstCount no group is empty. A row that
// is not reduced has groups of at most one pixel, some of them empty; it is
// sampled like Stretch1 instead, each pixel becoming level 0 or 255.
void Shrink1ToGray(const uint8_t* src, uint8_t* dst, int32_t srcCount, int32_t dstCount,
                   int32_t bitOffset)
{
    if (srcCount <= 0 || dstCount <= 0) {
        return;
    }
    BitReader reader(src, bitOffset);
    if (srcCount <= dstCount) {
        SampleNearestLower(reader, LevelWriter{dst}, srcCount, dstCount);
        return;
    }
    int32_t acc = 0;
    int32_t i = 0;
    for (int32_t j = 0; j < dstCount; ++j) {
        int32_t ones = 0;
        int32_t pixels = 0;
        while (acc < srcCount && i < srcCount) {
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

}  // namespace dibdraw
