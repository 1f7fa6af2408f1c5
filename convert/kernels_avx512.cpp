// The 24-bit kernels with AVX-512 byte look-ups. Sixty-four pixels are
// loaded as three vectors; byte permutes across them separate the blue,
// green and red channels, and every function of a byte (a channel's weighted
// cube level or luminance share, the colour map) is one look-up in a
// 256-byte table held in four registers, as is each byte of a byte map. A
// short last group is loaded and stored under masks, so nothing outside the
// pixels is touched.
//
// Only the functions marked for the wider instructions use them, so that no
// code shared with other files is compiled for them.
#include "convert/kernels.h"

#include <immintrin.h>

#include <array>

#include "convert/kernels_sse2.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

constexpr int kGroupPixels = 64;
using Table = std::array<uint8_t, 256>;

// Channel c (0 blue, 1 green, 2 red) of pixel k is byte 3k + c of the group.
// A first permute picks it from the first two vectors, bit 6 of the index
// choosing the vector; where it lies in the third, a second permute picks
// byte 3k + c - 128 of that one.
constexpr std::array<uint8_t, 64> PicksFromFirstTwo(int channel)
{
    std::array<uint8_t, 64> picks{};
    for (int k = 0; k < 64; ++k) {
        picks[static_cast<size_t>(k)] = static_cast<uint8_t>((3 * k + channel) & 127);
    }
    return picks;
}

constexpr std::array<uint8_t, 64> PicksFromThird(int channel)
{
    std::array<uint8_t, 64> picks{};
    for (int k = 0; k < 64; ++k) {
        picks[static_cast<size_t>(k)] = static_cast<uint8_t>((3 * k + channel - 128) & 63);
    }
    return picks;
}

constexpr uint64_t LanesInThird(int channel)
{
    uint64_t lanes = 0;
    for (int k = 0; k < 64; ++k) {
        if (3 * k + channel >= 128) {
            lanes |= uint64_t{1} << k;
        }
    }
    return lanes;
}

struct ChannelPicks {
    std::array<uint8_t, 64> fromFirstTwo;
    std::array<uint8_t, 64> fromThird;
    uint64_t inThird;
};

constexpr ChannelPicks kChannelPicks[3] = {
    {PicksFromFirstTwo(0), PicksFromThird(0), LanesInThird(0)},
    {PicksFromFirstTwo(1), PicksFromThird(1), LanesInThird(1)},
    {PicksFromFirstTwo(2), PicksFromThird(2), LanesInThird(2)},
};

constexpr Table Scaled(const Table& table, int factor)
{
    Table scaled{};
    for (size_t v = 0; v < 256; ++v) {
        scaled[v] = static_cast<uint8_t>(factor * table[v]);
    }
    return scaled;
}

// The cube entry is kCubeLevel[red] + 6 kCubeLevel[green] + 36 kCubeLevel[blue].
constexpr Table kCubeBlue = Scaled(kCubeLevel, 36);
constexpr Table kCubeGreen = Scaled(kCubeLevel, 6);

// The pixels of the group starting at pixel i of `pixels`: 64, or the rest.
constexpr int GroupAt(int32_t i, int32_t pixels)
{
    return static_cast<int>(pixels - i < kGroupPixels ? pixels - i : kGroupPixels);
}

constexpr uint64_t FirstBytes(int count)
{
    return count >= 64 ? ~uint64_t{0} : count <= 0 ? 0 : (uint64_t{1} << count) - 1;
}

// A 256-byte table in four registers.
struct ByteTable {
    __m512i quarters[4];
};

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
inline ByteTable LoadTable(const uint8_t* table)
{
    ByteTable loaded;
    for (int q = 0; q < 4; ++q) {
        loaded.quarters[q] = _mm512_loadu_si512(table + 64 * q);
    }
    return loaded;
}

// table[x] for each byte: the low seven bits index half of the table, the
// top bit chooses the half.
[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
inline __m512i LookUp(const ByteTable& table, __m512i x)
{
    const __m512i low = _mm512_permutex2var_epi8(table.quarters[0], x, table.quarters[1]);
    const __m512i high = _mm512_permutex2var_epi8(table.quarters[2], x, table.quarters[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

// The three channels of up to 64 pixels, blue, green and red; the bytes of
// pixels past `count` are zero.
struct Channels {
    __m512i blue;
    __m512i green;
    __m512i red;
};

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
inline Channels LoadGroup(const uint8_t* src, int count)
{
    const int bytes = 3 * count;
    const __m512i first = _mm512_maskz_loadu_epi8(FirstBytes(bytes), src);
    const __m512i second = _mm512_maskz_loadu_epi8(FirstBytes(bytes - 64), src + 64);
    const __m512i third = _mm512_maskz_loadu_epi8(FirstBytes(bytes - 128), src + 128);
    __m512i channels[3];
    for (int c = 0; c < 3; ++c) {
        const ChannelPicks& picks = kChannelPicks[c];
        const __m512i fromFirstTwo =
            _mm512_permutex2var_epi8(first, _mm512_loadu_si512(picks.fromFirstTwo.data()), second);
        channels[c] = _mm512_mask_permutexvar_epi8(fromFirstTwo, picks.inThird,
                                                   _mm512_loadu_si512(picks.fromThird.data()), third);
    }
    return {channels[0], channels[1], channels[2]};
}

// The luminance of up to 64 pixels, one byte each: the three shares add up
// to at most 255.
struct LuminanceTables {
    ByteTable blue;
    ByteTable green;
    ByteTable red;
};

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
inline LuminanceTables LoadLuminanceTables()
{
    return {LoadTable(kLumaBlue.data()), LoadTable(kLumaGreen.data()), LoadTable(kLumaRed.data())};
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
inline __m512i Luminance(const LuminanceTables& shares, const Channels& c)
{
    return _mm512_add_epi8(_mm512_add_epi8(LookUp(shares.blue, c.blue), LookUp(shares.green, c.green)),
                           LookUp(shares.red, c.red));
}

using GroupOffsets = PixelRaiseLower<kGroupPixels>;

// A channel raised and lowered by its pixel's offset, saturating, which
// clamps to 0..255 exactly.
[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
inline __m512i Offset(__m512i channel, const GroupOffsets& offsets)
{
    const __m512i raised = _mm512_adds_epu8(channel, _mm512_load_si512(offsets.raise));
    return _mm512_subs_epu8(raised, _mm512_load_si512(offsets.lower));
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
int32_t QuantizeRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                  const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    const ByteTable blueTerms = LoadTable(kCubeBlue.data());
    const ByteTable greenTerms = LoadTable(kCubeGreen.data());
    const ByteTable redTerms = LoadTable(kCubeLevel.data());
    const ByteTable entries = LoadTable(colorMap);
    const GroupOffsets offsets(dither);
    for (int32_t i = 0; i < pixels; i += kGroupPixels) {
        const int group = GroupAt(i, pixels);
        const Channels c = LoadGroup(src + 3 * i, group);
        const __m512i entry = _mm512_add_epi8(_mm512_add_epi8(LookUp(blueTerms, Offset(c.blue, offsets)),
                                                              LookUp(greenTerms, Offset(c.green, offsets))),
                                              LookUp(redTerms, Offset(c.red, offsets)));
        _mm512_mask_storeu_epi8(dst + i, FirstBytes(group), LookUp(entries, entry));
    }
    return pixels;
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
void LuminanceRgb24BlocksAvx512(const uint8_t* src, int16_t* luminance, int32_t count)
{
    const LuminanceTables shares = LoadLuminanceTables();
    for (int32_t i = 0; i < count; i += kGroupPixels) {
        const int group = GroupAt(i, count);
        const __m512i sums = Luminance(shares, LoadGroup(src + 3 * i, group));
        const auto lanes = static_cast<uint64_t>(FirstBytes(group));
        // Each half of the sums widened to 16 bits (the masked extract keeps
        // GCC 12 from warning about its unmasked form).
        for (int half = 0; half < 2; ++half) {
            const __m256i bytes = half == 0 ? _mm512_maskz_extracti64x4_epi64(0xF, sums, 0)
                                            : _mm512_maskz_extracti64x4_epi64(0xF, sums, 1);
            _mm512_mask_storeu_epi16(luminance + i + 32 * half, static_cast<__mmask32>(lanes >> (32 * half)),
                                     _mm512_cvtepu8_epi16(bytes));
        }
    }
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
int32_t ThresholdRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits)
{
    const int32_t pixels = Rgb24BlockPixels(count);
    const LuminanceTables shares = LoadLuminanceTables();
    // The pixels of each byte reversed, so that bit k of the comparison
    // mask holds the pixel the output byte keeps in bit k: the first pixel
    // in the most significant bit. The limits repeat every eight columns.
    uint8_t reversed[kGroupPixels];
    uint8_t reversedLimits[kGroupPixels];
    for (int k = 0; k < kGroupPixels; ++k) {
        reversed[k] = static_cast<uint8_t>((k & ~7) + 7 - (k & 7));
        reversedLimits[k] = limits[7 - (k & 7)];
    }
    const __m512i byteOrder = _mm512_loadu_si512(reversed);
    const __m512i limitsInOrder = _mm512_loadu_si512(reversedLimits);
    for (int32_t i = 0; i < pixels; i += kGroupPixels) {
        const int group = GroupAt(i, pixels);
        const __m512i sums =
            _mm512_maskz_permutexvar_epi8(~uint64_t{0}, byteOrder, Luminance(shares, LoadGroup(src + 3 * i, group)));
        const uint64_t light = _mm512_cmpgt_epu8_mask(sums, limitsInOrder);
        _mm512_mask_storeu_epi8(dst + i / 8, FirstBytes(group / 8),
                                _mm512_maskz_set1_epi64(1, static_cast<long long>(light)));
    }
    return pixels;
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
int32_t JudgeRgb24BlocksAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    const GroupOffsets offsets(dither);
    const __m512i bright = _mm512_maskz_loadu_epi8(0xFF, kBrightVgaIndex.data());
    for (int32_t i = 0; i < pixels; i += kGroupPixels) {
        const int group = GroupAt(i, pixels);
        const Channels c = LoadGroup(src + 3 * i, group);
        // A channel is light where the top bit of its byte is set; the colour
        // code is 4 red + 2 green + blue.
        const __m512i codes = _mm512_or_si512(
            _mm512_or_si512(_mm512_maskz_mov_epi8(_mm512_movepi8_mask(Offset(c.red, offsets)), _mm512_set1_epi8(4)),
                            _mm512_maskz_mov_epi8(_mm512_movepi8_mask(Offset(c.green, offsets)), _mm512_set1_epi8(2))),
            _mm512_maskz_mov_epi8(_mm512_movepi8_mask(Offset(c.blue, offsets)), _mm512_set1_epi8(1)));
        const __m512i indices = _mm512_maskz_permutexvar_epi8(~uint64_t{0}, codes, bright);
        // Each 16-bit lane holds a pair of pixels: the first to the high
        // nibble of the byte, the second to the low one.
        const __m512i pairs = _mm512_or_si512(_mm512_and_si512(_mm512_slli_epi16(indices, 4), _mm512_set1_epi16(0xF0)),
                                              _mm512_srli_epi16(indices, 8));
        _mm256_mask_storeu_epi8(dst + i / 2, static_cast<__mmask32>(FirstBytes(group / 2)),
                                _mm512_maskz_cvtepi16_epi8(~__mmask32{0}, pairs));
    }
    return pixels;
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]]
void MapBytesAvx512(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* map)
{
    const ByteTable table = LoadTable(map);
    for (int32_t i = 0; i < count; i += kGroupPixels) {
        const uint64_t bytes = FirstBytes(GroupAt(i, count));
        _mm512_mask_storeu_epi8(dst + i, bytes, LookUp(table, _mm512_maskz_loadu_epi8(bytes, src + i)));
    }
}

// The byte permutes need VBMI as well as BW and VL. The compiler's check also
// asks the system whether it saves the 512-bit registers; its processor
// model is filled in by a constructor, which the first caller into a DLL may
// run ahead of, and filling it twice is harmless.
bool ProcessorHasByteTables()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
}

}  // namespace

constexpr Rgb24Kernels kAvx512Rgb24 = {QuantizeRgb24BlocksAvx512, JudgeRgb24BlocksAvx512, ThresholdRgb24BlocksAvx512,
                                       LuminanceRgb24BlocksAvx512};
constinit const KernelSet kAvx512Kernels = {"avx512", ProcessorHasByteTables, kAvx512Rgb24, kAvx2Diffusion,
                                            MapBytesAvx512, false,           CopyBytesAvx2,
                                            DoubleRgb24Avx2};

}  // namespace dibdraw
