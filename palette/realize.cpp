// Building a 256-colour palette from an image's colour table: near-black
// colours and colours the display already reserves are dropped, the rest is
// thinned by coarser and coarser channel masks until it fits beside the 20
// static colours, and the remaining slots are filled from the fixed palette.
//
// The work table is 256 red, green, blue triples; black marks an empty slot.
#include "palette/realize.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/heap.h"
#include "dibdraw32/BlitResult.h"
#include "palette/tables.h"

namespace dibdraw {

namespace {

constexpr int32_t kWorkEntries = 256;
constexpr uint32_t kWorkBytes = 3 * kWorkEntries;
constexpr uint32_t kOutputBytes = 4 * kWorkEntries;
constexpr uint32_t kLogPaletteBytes = 4 + 4 * kWorkEntries;
// Image colours kept, black's slot included: 256 less the 20 static colours.
constexpr int32_t kMaxImageColors = 236;
constexpr int kStaticColors = 20;
// Channels all below this count as black.
constexpr int kNearBlackLimit = 43;
// A colour whose channels each differ from a static colour by less than this
// duplicates it.
constexpr int kNearStaticLimit = 16;
constexpr uint8_t kReductionMasks[] = {0xFE, 0xFC, 0xF8, 0xF0, 0xE0, 0xC0};

using Triple = std::array<uint8_t, 3>;
static_assert(sizeof(Triple) == 3 && alignof(Triple) == 1, "triples are packed 3-byte records");

Triple* Triples(uint8_t* work)
{
    return reinterpret_cast<Triple*>(work);
}

void SortTriples(uint8_t* work, int32_t count)
{
    Triple* triples = Triples(work);
    std::sort(triples, triples + count,
              [](const Triple& a, const Triple& b) { return CompareTriples(a.data(), b.data()) < 0; });
}

bool IsBlack(const uint8_t* triple)
{
    return triple[0] == 0 && triple[1] == 0 && triple[2] == 0;
}

void Clear(uint8_t* triple)
{
    triple[0] = triple[1] = triple[2] = 0;
}

bool IsNearBlack(const uint8_t* triple)
{
    return triple[0] < kNearBlackLimit && triple[1] < kNearBlackLimit && triple[2] < kNearBlackLimit;
}

bool IsNear(int a, int b)
{
    const int difference = a > b ? a - b : b - a;
    return difference < kNearStaticLimit;
}

// Copies the image's colours into the (black) work table and drops those that
// are near black or near one of the display's static colours.
void LoadImageColors(uint8_t* work, const RGBQUAD* colors, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        uint8_t* triple = work + 3 * i;
        triple[0] = colors[i].rgbRed;
        triple[1] = colors[i].rgbGreen;
        triple[2] = colors[i].rgbBlue;
        if (IsNearBlack(triple)) {
            Clear(triple);
        }
    }
    for (int s = 0; s < kStaticColors; ++s) {
        const uint32_t color = GetStaticColor(s);
        const int red = static_cast<int>(color & 0xFF);
        const int green = static_cast<int>((color >> 8) & 0xFF);
        const int blue = static_cast<int>((color >> 16) & 0xFF);
        for (int32_t i = 0; i < count; ++i) {
            uint8_t* triple = work + 3 * i;
            if (IsNear(triple[0], red) && IsNear(triple[1], green) && IsNear(triple[2], blue)) {
                Clear(triple);
            }
        }
    }
}

// Thins the table with ever coarser masks until it fits; returns the count of
// the last pass.
int32_t ReduceToFit(uint8_t* work)
{
    int32_t kept = ReduceColors(work, 0xFF, kWorkEntries);
    for (uint8_t mask : kReductionMasks) {
        if (kept <= kMaxImageColors) {
            break;
        }
        kept = ReduceColors(work, mask, kWorkEntries);
    }
    return kept;
}

}  // namespace

int CompareTriples(const uint8_t* a, const uint8_t* b)
{
    for (int k = 0; k < 3; ++k) {
        if (a[k] != b[k]) {
            return a[k] < b[k] ? -1 : 1;
        }
    }
    return 0;
}

int32_t ReduceColors(uint8_t* work, uint8_t mask, int32_t count)
{
    for (int32_t k = 0; k < 3 * count; ++k) {
        work[k] &= mask;
    }
    SortTriples(work, count);
    for (int32_t k = 0; k + 1 < count; ++k) {
        if (std::memcmp(work + 3 * k, work + 3 * (k + 1), 3) == 0) {
            Clear(work + 3 * k);
        }
    }
    int32_t kept = 1;  // the slot that black will take
    for (int32_t k = 0; k < count; ++k) {
        if (!IsBlack(work + 3 * k)) {
            ++kept;
        }
    }
    return kept;
}

short AddColor(uint8_t* work, const uint8_t* triple, int32_t slot)
{
    for (int32_t k = 0; k < kWorkEntries; ++k) {
        if (std::memcmp(work + 3 * k, triple, 3) == 0) {
            return 0;
        }
    }
    std::memcpy(work + 3 * slot, triple, 3);
    return 1;
}

// Greys and the colours one step off grey: (i, i, i), then the six mixtures
// of i and i + 1.
void FillNearGreys(uint8_t* work, int32_t slot)
{
    for (int i = 0; i < 256 && slot < kWorkEntries; ++i) {
        const auto a = static_cast<uint8_t>(i);
        const auto b = static_cast<uint8_t>(i + 1);
        const uint8_t candidates[7][3] = {{a, a, a}, {a, a, b}, {a, b, a}, {b, a, a},
                                          {a, b, b}, {b, b, a}, {b, a, b}};
        for (const auto& candidate : candidates) {
            if (AddColor(work, candidate, slot) != 0 && ++slot == kWorkEntries) {
                return;
            }
        }
    }
}

uint32_t GetStaticColor(int32_t index)
{
    const UINT entry = static_cast<UINT>(index < 10 ? index : index + 236);
    PALETTEENTRY color = {};
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, entry, 1, &color);
    ReleaseDC(nullptr, screen);
    return static_cast<uint32_t>(color.peRed) | static_cast<uint32_t>(color.peGreen) << 8 |
           static_cast<uint32_t>(color.peBlue) << 16;
}

// A table longer than the work table is cut to its first 256 colours.
short BuildPalette(const RGBQUAD* colors, int32_t count, RGBQUAD* output)
{
    uint8_t* work = AllocBlock(kWorkBytes);
    if (work == nullptr) {
        return kBlitNoMemory;
    }
    std::memset(work, 0, kWorkBytes);
    count = std::clamp(count, 0, kWorkEntries);
    LoadImageColors(work, colors, count);

    const int32_t kept = ReduceToFit(work);
    // Descending order puts the surviving colours first and the blacks last;
    // the first of the blacks, entry kept - 1, is the one the palette keeps.
    SortTriples(work, kWorkEntries);
    std::reverse(Triples(work), Triples(work) + kWorkEntries);

    int32_t slot = kept;
    for (const RGBQUAD& fixed : kFixedPalette) {
        if (slot == kWorkEntries) {
            break;
        }
        const uint8_t triple[3] = {fixed.rgbRed, fixed.rgbGreen, fixed.rgbBlue};
        slot += AddColor(work, triple, slot);
    }
    if (slot < kWorkEntries) {
        FillNearGreys(work, slot);
    }

    for (int32_t i = 0; i < kWorkEntries; ++i) {
        output[i].rgbRed = work[3 * i];
        output[i].rgbGreen = work[3 * i + 1];
        output[i].rgbBlue = work[3 * i + 2];
    }
    FreeBlock(work);
    return kBlitOk;
}

// The palette is realized once into the window's context and deleted again:
// what stays is the system palette it leaves behind.
short RealizeImagePalette(HWND window, const RGBQUAD* colors, int32_t count)
{
    RGBQUAD* output = AllocBlock<RGBQUAD>(kOutputBytes);
    if (output == nullptr) {
        return kBlitNoMemory;
    }
    if (BuildPalette(colors, count, output) != kBlitOk) {
        FreeBlock(output);
        return kBlitNoMemory;
    }
    LOGPALETTE* logPalette = AllocBlock<LOGPALETTE>(kLogPaletteBytes);
    if (logPalette == nullptr) {
        FreeBlock(output);
        return kBlitNoMemory;
    }
    logPalette->palVersion = 0x300;
    logPalette->palNumEntries = kWorkEntries;
    PALETTEENTRY* entries = logPalette->palPalEntry;
    for (int32_t i = 0; i < kWorkEntries; ++i) {
        entries[i].peRed = output[i].rgbRed;
        entries[i].peGreen = output[i].rgbGreen;
        entries[i].peBlue = output[i].rgbBlue;
        entries[i].peFlags = 0;
    }

    HPALETTE palette = CreatePalette(logPalette);
    HDC dc = GetDC(window);
    HPALETTE replaced = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    SelectPalette(dc, replaced, FALSE);
    DeleteObject(palette);
    ReleaseDC(window, dc);

    FreeBlock(logPalette);
    FreeBlock(output);
    return kBlitOk;
}

}  // namespace dibdraw
