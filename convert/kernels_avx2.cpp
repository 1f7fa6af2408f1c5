// The kernels with AVX2. A group of thirty-two pixels is two blocks of
// sixteen, one in each 128-bit half of a vector: AVX2's byte shuffles stay
// within a half, so the same shuffles separate the blue, green and red
// channels of both blocks, and the results come out in pixel order. A last
// block of sixteen fills the first half alone, so nothing outside the pixels
// is read or written. Functions of a channel byte are worked out from its
// high nibble by 16-entry shuffles or by 16-bit multiplies; whole byte
// tables (the colour map, a byte map) are looked up by shuffles over their
// slices.
//
// Only the functions marked for AVX2 use it, so that no code shared with
// other files is compiled for it.
#include "convert/kernels_sse2.h"

#include <immintrin.h>

#include <array>
#include <cstring>
#include <type_traits>

#include "convert/luma_shares.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

constexpr int kGroupPixels = 32;
constexpr int kBlockPixels = 16;
static_assert(kBlockPixels == kDitherBlockPixels && kBlockPixels == kMonoBlockPixels);

// A group, or a last lone block.
template <int Pixels>
using GroupSize = std::integral_constant<int, Pixels>;

// A vector whose halves are alike: byte k is f(k mod 16).
using Pattern = std::array<uint8_t, 32>;

template <typename Byte>
constexpr Pattern Repeated(Byte byte)
{
    Pattern pattern{};
    for (int k = 0; k < 32; ++k) {
        pattern[static_cast<size_t>(k)] = static_cast<uint8_t>(byte(k % kBlockPixels));
    }
    return pattern;
}

// Channel c (0 blue, 1 green, 2 red) of pixel k of a block is byte 3k + c of
// its 48; picked from the 16 of load m where it lies there, zero elsewhere.
constexpr Pattern ChannelPicks(int channel, int load)
{
    return Repeated([=](int k) {
        const int byte = 3 * k + channel;
        return byte / 16 == load ? byte % 16 : 0x80;
    });
}

constexpr Pattern kChannelPicks[3][3] = {
    {ChannelPicks(0, 0), ChannelPicks(0, 1), ChannelPicks(0, 2)},
    {ChannelPicks(1, 0), ChannelPicks(1, 1), ChannelPicks(1, 2)},
    {ChannelPicks(2, 0), ChannelPicks(2, 1), ChannelPicks(2, 2)},
};

// Calls convert(i, GroupSize<32>) for each group at the start of `pixels` (a
// multiple of 16) and convert(i, GroupSize<16>) for a last lone block.
template <typename Convert>
[[gnu::target("avx2")]]
inline void ForEachGroup(int32_t pixels, Convert&& convert)
{
    int32_t i = 0;
    for (; pixels - i >= kGroupPixels; i += kGroupPixels) {
        convert(i, GroupSize<kGroupPixels>());
    }
    if (i < pixels) {
        convert(i, GroupSize<kBlockPixels>());
    }
}

[[gnu::target("avx2")]]
inline __m256i Load(const uint8_t* bytes)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

[[gnu::target("avx2")]]
inline __m256i Load(const Pattern& pattern)
{
    return Load(pattern.data());
}

// Bytes 16 m .. 16 m + 15 of each block of a group: of the first block in the
// first half, of the second (if the group has it) in the second.
template <int Pixels>
[[gnu::target("avx2")]]
inline __m256i LoadBlocks(const uint8_t* src, int m)
{
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16 * m));
    if constexpr (Pixels == kGroupPixels) {
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * kBlockPixels + 16 * m));
        return _mm256_set_m128i(second, first);
    } else {
        return _mm256_set_m128i(_mm_setzero_si128(), first);
    }
}

struct Channels {
    __m256i blue;
    __m256i green;
    __m256i red;
};

template <int Pixels>
[[gnu::target("avx2")]]
inline Channels LoadGroup(const uint8_t* src)
{
    const __m256i loads[3] = {LoadBlocks<Pixels>(src, 0), LoadBlocks<Pixels>(src, 1), LoadBlocks<Pixels>(src, 2)};
    __m256i channels[3];
    for (int c = 0; c < 3; ++c) {
        channels[c] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(loads[0], Load(kChannelPicks[c][0])),
                                                      _mm256_shuffle_epi8(loads[1], Load(kChannelPicks[c][1]))),
                                      _mm256_shuffle_epi8(loads[2], Load(kChannelPicks[c][2])));
    }
    return {channels[0], channels[1], channels[2]};
}

using GroupOffsets = PixelRaiseLower<kGroupPixels>;

// A channel raised and lowered by its pixel's offset, saturating, which
// clamps to 0..255 exactly.
[[gnu::target("avx2")]]
inline __m256i Offset(__m256i channel, const GroupOffsets& offsets)
{
    return _mm256_subs_epu8(_mm256_adds_epu8(channel, Load(offsets.raise)), Load(offsets.lower));
}

[[gnu::target("avx2")]]
inline __m256i HighNibbles(__m256i bytes)
{
    return _mm256_and_si256(_mm256_srli_epi16(bytes, 4), _mm256_set1_epi8(15));
}

// A channel's term of the cube entry, weight x kCubeLevel[v]. The level
// steps at most once within the 16 values of a high nibble h, at steps[h]:
// the term is start[h] there, less the weight from the step on. Where it
// does not step, the step is 0, which every value reaches.
struct CubeSteps {
    Pattern start;
    Pattern step;
};

constexpr int kNoStep = 0;

constexpr int StepWithin(int nibble)
{
    for (int v = 16 * nibble + 1; v < 16 * nibble + 16; ++v) {
        if (kCubeLevel[static_cast<size_t>(v)] != kCubeLevel[static_cast<size_t>(v - 1)]) {
            return v;
        }
    }
    return kNoStep;
}

constexpr CubeSteps MakeCubeSteps(int weight)
{
    return {Repeated([=](int nibble) {
                const int level = kCubeLevel[static_cast<size_t>(16 * nibble)];
                return weight * (StepWithin(nibble) == kNoStep ? level + 1 : level);
            }),
            Repeated(StepWithin)};
}

constexpr bool CubeStepsMatchTable(int weight)
{
    const CubeSteps steps = MakeCubeSteps(weight);
    for (int v = 0; v < 256; ++v) {
        const auto nibble = static_cast<size_t>(v / 16);
        const int term = steps.start[nibble] - (v >= steps.step[nibble] ? weight : 0);
        if (term != weight * kCubeLevel[static_cast<size_t>(v)]) {
            return false;
        }
        // Only one step within each nibble.
        if (v % 16 != 0 && v != steps.step[nibble] &&
            kCubeLevel[static_cast<size_t>(v)] != kCubeLevel[static_cast<size_t>(v - 1)]) {
            return false;
        }
    }
    return true;
}

// The cube entry is kCubeLevel[red] + 6 kCubeLevel[green] + 36 kCubeLevel[blue].
constexpr int kCubeWeights[3] = {36, 6, 1};
constexpr CubeSteps kCubeSteps[3] = {MakeCubeSteps(36), MakeCubeSteps(6), MakeCubeSteps(1)};
static_assert(CubeStepsMatchTable(36) && CubeStepsMatchTable(6) && CubeStepsMatchTable(1));

struct CubeTerm {
    __m256i start;
    __m256i step;
    __m256i weight;
};

[[gnu::target("avx2")]]
inline CubeTerm LoadCubeTerm(int channel)
{
    return {Load(kCubeSteps[channel].start), Load(kCubeSteps[channel].step),
            _mm256_set1_epi8(static_cast<char>(kCubeWeights[channel]))};
}

[[gnu::target("avx2")]]
inline __m256i Term(const CubeTerm& term, __m256i v)
{
    const __m256i nibbles = HighNibbles(v);
    const __m256i stepped = _mm256_cmpeq_epi8(_mm256_max_epu8(v, _mm256_shuffle_epi8(term.step, nibbles)), v);
    return _mm256_sub_epi8(_mm256_shuffle_epi8(term.start, nibbles), _mm256_and_si256(stepped, term.weight));
}

// The first 16 x Slices entries of a byte table, looked up by byte shuffles,
// which give byte x & 15 of a 16-byte slice where the top bit of x is clear
// and zero where it is set. Slice p is shuffled with x and slice p + 8 with
// x's top bit inverted, so that an OR of the two holds the one of x's half;
// blends on bits 4, 5 and 6 of x then take x's slice out of the eight pairs.
// Per 32 entries: 16 shuffles, 8 ORs, 7 blends and 4 steps to place the bits.
// Keeping each slice XOR the one before and shuffling it with x - 16 s (16
// shuffles, 16 subtractions, 16 XORs and a blend) mapped bytes at 6.6 Gpix/s
// on one core here, this at 8.5; the ordered converter ran 18 % faster. For
// the colour map either is faster than gathering a word of the map for each
// entry or looking the entries up one at a time (1.6 and 1.8 Gpix/s
// undithered, against 2.6 for the XOR scheme).
template <int Slices>
class SlicedTable {
public:
    explicit SlicedTable(const uint8_t* table) : m_table(table) {}

    [[gnu::target("avx2"), gnu::always_inline]]
    __m256i LookUp(__m256i x) const
    {
        // Shifting the 16-bit lanes left moves bit 4, 5 or 6 of each byte
        // into its top bit; nothing crosses into another byte's top bit.
        const __m256i bit4 = _mm256_slli_epi16(x, 3);
        const __m256i bit5 = _mm256_slli_epi16(x, 2);
        const __m256i bit6 = _mm256_slli_epi16(x, 1);
        const __m256i upperHalf = _mm256_xor_si256(x, _mm256_set1_epi8(static_cast<char>(0x80)));
        __m256i pairs[kPairs];
#pragma GCC unroll 8
        for (int p = 0; p < kPairs; ++p) {
            pairs[p] = _mm256_or_si256(Shuffled(p, x), Shuffled(p + kPairs, upperHalf));
        }
        __m256i quads[kPairs / 2];
#pragma GCC unroll 4
        for (int q = 0; q < kPairs / 2; ++q) {
            quads[q] = _mm256_blendv_epi8(pairs[2 * q], pairs[2 * q + 1], bit4);
        }
        return _mm256_blendv_epi8(_mm256_blendv_epi8(quads[0], quads[1], bit5),
                                  _mm256_blendv_epi8(quads[2], quads[3], bit5), bit6);
    }

private:
    static constexpr int kPairs = 8;
    static_assert(Slices <= 2 * kPairs);

    // Slice s shuffled by `control`; zero for slices past the table, which
    // no index of it names.
    [[gnu::target("avx2"), gnu::always_inline]]
    __m256i Shuffled(int s, __m256i control) const
    {
        if (s >= Slices) {
            return _mm256_setzero_si256();
        }
        const __m128i slice = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_table + 16 * s));
        return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(slice), control);
    }

    const uint8_t* m_table;
};

// Cube entries are 0..215.
using ColourSlices = SlicedTable<14>;

// The luminance of each pixel, one byte each: the three shares add up to at
// most 255. Each share is worked out in 16-bit lanes, the even pixels' with
// the weight in the low byte of the multiplier, the odd pixels' in the high.
struct LuminanceWeights {
    __m256i even[3];
    __m256i odd[3];
};

[[gnu::target("avx2")]]
inline LuminanceWeights LoadLuminanceWeights()
{
    LuminanceWeights weights;
    for (int c = 0; c < 3; ++c) {
        weights.even[c] = _mm256_set1_epi16(static_cast<short>(kLumaWeights[c]));
        weights.odd[c] = _mm256_set1_epi16(static_cast<short>(kLumaWeights[c] << 8));
    }
    return weights;
}

[[gnu::target("avx2")]]
inline __m256i Share(__m256i channel, __m256i weight)
{
    const __m256i scaled = _mm256_add_epi16(_mm256_maddubs_epi16(channel, weight), _mm256_set1_epi16(kLumaRounding));
    return _mm256_srli_epi16(_mm256_mulhi_epu16(scaled, _mm256_set1_epi16(kLumaReciprocal)), 3);
}

[[gnu::target("avx2")]]
inline __m256i Luminance(const LuminanceWeights& weights, const Channels& c)
{
    auto sum = [&](const __m256i(&w)[3]) __attribute__((target("avx2"))) {
        return _mm256_add_epi16(_mm256_add_epi16(Share(c.blue, w[0]), Share(c.green, w[1])), Share(c.red, w[2]));
    };
    return _mm256_or_si256(sum(weights.even), _mm256_slli_epi16(sum(weights.odd), 8));
}

[[gnu::target("avx2")]]
int32_t QuantizeRgb24BlocksAvx2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* colorMap,
                                const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    const CubeTerm blue = LoadCubeTerm(0);
    const CubeTerm green = LoadCubeTerm(1);
    const CubeTerm red = LoadCubeTerm(2);
    const GroupOffsets offsets(dither);
    const ColourSlices colours(colorMap);
    ForEachGroup(pixels, [&]<int Pixels>(int32_t i, GroupSize<Pixels>) __attribute__((target("avx2"))) {
        const Channels c = LoadGroup<Pixels>(src + 3 * i);
        const __m256i entries = _mm256_add_epi8(
            _mm256_add_epi8(Term(blue, Offset(c.blue, offsets)), Term(green, Offset(c.green, offsets))),
            Term(red, Offset(c.red, offsets)));
        const __m256i indices = colours.LookUp(entries);
        if constexpr (Pixels == kGroupPixels) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), indices);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm256_castsi256_si128(indices));
        }
    });
    return pixels;
}

[[gnu::target("avx2")]]
int32_t JudgeRgb24BlocksAvx2(const uint8_t* src, uint8_t* dst, int32_t count, const BlockDither* dither)
{
    const int32_t pixels = WholeBlockPixels(count);
    const GroupOffsets offsets(dither);
    const __m256i bright =
        _mm256_broadcastsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(kBrightVgaIndex.data())));
    // A pair of pixels to a byte, the first in the high nibble.
    const __m256i nibblePlaces = _mm256_set1_epi16(0x0110);
    ForEachGroup(pixels, [&]<int Pixels>(int32_t i, GroupSize<Pixels>) __attribute__((target("avx2"))) {
        const Channels c = LoadGroup<Pixels>(src + 3 * i);
        // A channel is light where the top bit of its byte is set; the colour
        // code is 4 red + 2 green + blue.
        auto light = [&](__m256i channel, char code) __attribute__((target("avx2"))) {
            return _mm256_and_si256(_mm256_cmpgt_epi8(_mm256_setzero_si256(), Offset(channel, offsets)),
                                    _mm256_set1_epi8(code));
        };
        const __m256i codes = _mm256_or_si256(_mm256_or_si256(light(c.red, 4), light(c.green, 2)), light(c.blue, 1));
        const __m256i pairs = _mm256_maddubs_epi16(_mm256_shuffle_epi8(bright, codes), nibblePlaces);
        const __m256i bytes = _mm256_packus_epi16(pairs, pairs);
        if constexpr (Pixels == kGroupPixels) {
            const __m256i inOrder = _mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i / 2), _mm256_castsi256_si128(inOrder));
        } else {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i / 2), _mm256_castsi256_si128(bytes));
        }
    });
    return pixels;
}

[[gnu::target("avx2")]]
int32_t ThresholdRgb24BlocksAvx2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* limits)
{
    const int32_t pixels = Rgb24BlockPixels(count);
    const LuminanceWeights weights = LoadLuminanceWeights();
    // The pixels of each output byte reversed, so that bit k of the byte mask
    // holds the pixel the output keeps in bit k: the first pixel in the most
    // significant bit. The limits repeat every eight columns; both sides are
    // compared signed, offset by 128.
    const Pattern reversed = Repeated([](int k) { return (k & ~7) + 7 - (k & 7); });
    Pattern reversedLimits{};
    for (int k = 0; k < 32; ++k) {
        reversedLimits[static_cast<size_t>(k)] = static_cast<uint8_t>(limits[7 - (k & 7)] ^ 0x80);
    }
    const __m256i byteOrder = Load(reversed);
    const __m256i limitsInOrder = Load(reversedLimits);
    const __m256i signBit = _mm256_set1_epi8(static_cast<char>(0x80));
    ForEachGroup(pixels, [&]<int Pixels>(int32_t i, GroupSize<Pixels>) __attribute__((target("avx2"))) {
        const __m256i sums = _mm256_shuffle_epi8(Luminance(weights, LoadGroup<Pixels>(src + 3 * i)), byteOrder);
        const auto light = static_cast<uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpgt_epi8(_mm256_xor_si256(sums, signBit), limitsInOrder)));
        std::memcpy(dst + i / 8, &light, Pixels / 8);
    });
    return pixels;
}

[[gnu::target("avx2")]]
void LuminanceRgb24BlocksAvx2(const uint8_t* src, int16_t* luminance, int32_t count)
{
    const LuminanceWeights weights = LoadLuminanceWeights();
    ForEachGroup(count, [&]<int Pixels>(int32_t i, GroupSize<Pixels>) __attribute__((target("avx2"))) {
        const __m256i sums = Luminance(weights, LoadGroup<Pixels>(src + 3 * i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(luminance + i), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(sums)));
        if constexpr (Pixels == kGroupPixels) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(luminance + i + kBlockPixels),
                                _mm256_cvtepu8_epi16(_mm256_extracti128_si256(sums, 1)));
        }
    });
}

[[gnu::target("avx2")]]
void MapBytesAvx2(const uint8_t* src, uint8_t* dst, int32_t count, const uint8_t* map)
{
    const SlicedTable<16> table(map);
    int32_t i = 0;
    for (; count - i >= kGroupPixels; i += kGroupPixels) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), table.LookUp(bytes));
    }
    for (; i < count; ++i) {
        dst[i] = map[src[i]];
    }
}

// Byte o of a doubled 24-bit row is this byte of the row: output pixel o / 3
// shows source pixel o / 6.
constexpr int DoubledSourceByte(int o)
{
    return 3 * (o / 6) + o % 3;
}

// Two groups (eight pixels, 24 bytes) double into three 16-byte stores;
// store q takes its bytes from the sixteen loaded at kDoublingLoads[q], so
// that the three loads read exactly the 24.
constexpr int kDoublingLoads[3] = {0, 6, 8};

constexpr Pattern DoublingPicks(int store)
{
    return Repeated([=](int k) { return DoubledSourceByte(16 * store + k) - kDoublingLoads[store]; });
}

constexpr Pattern kDoublingPicks[3] = {DoublingPicks(0), DoublingPicks(1), DoublingPicks(2)};

// The compiler's check also asks the system whether it saves the wider
// registers; see ProcessorHasByteTables.
bool ProcessorHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

constexpr Rgb24Kernels kAvx2Rgb24 = {QuantizeRgb24BlocksAvx2, JudgeRgb24BlocksAvx2, ThresholdRgb24BlocksAvx2,
                                     LuminanceRgb24BlocksAvx2};

}  // namespace

[[gnu::target("avx2")]]
void DoubleRgb24Avx2(const uint8_t* src, uint8_t* dst, int32_t groups)
{
    __m128i picks[3];
    for (int q = 0; q < 3; ++q) {
        picks[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kDoublingPicks[q].data()));
    }
    int32_t g = 0;
    for (; groups - g >= 2; g += 2, src += 24, dst += 48) {
        for (int q = 0; q < 3; ++q) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + kDoublingLoads[q]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * q), _mm_shuffle_epi8(bytes, picks[q]));
        }
    }
    DoubleRgb24Scalar(src, dst, groups - g);
}

constinit const KernelSet kAvx2Kernels = {"avx2",       ProcessorHasAvx2, kAvx2Rgb24,     kAvx2Diffusion,
                                          MapBytesAvx2, false,         CopyBytesAvx2,
                                          DoubleRgb24Avx2};

}  // namespace dibdraw
