// StretchDIBits of one output band, 1920 x 16 at 1:1, as the blitter sends
// it: 24-bit onto a 32-bit display and 8-bit onto the 256-colour display.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "common/logical_palette.h"
#include "common/packed_dib.h"
#include "vdisplay/vdisplay.h"

namespace {

constexpr int kBandWidth = 1920;
constexpr int kBandRows = 16;

// A band of the display's format whose colour table is the display's own
// palette, as the blitter sends it.
dibkit::PackedDib MakeBand(int bitCount)
{
    dibkit::PackedDib band(kBandWidth, kBandRows, bitCount);
    const std::vector<PALETTEENTRY> palette = vd::SystemPalette();
    for (int i = 0; i < band.colorCount() && i < static_cast<int>(palette.size()); ++i) {
        const PALETTEENTRY& entry = palette[static_cast<size_t>(i)];
        band.SetColor(i, entry.peRed, entry.peGreen, entry.peBlue);
    }
    uint8_t* bits = band.StoredRow(0);
    const size_t bytes = band.stride() * kBandRows;
    for (size_t i = 0; i < bytes; ++i) {
        bits[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    }
    return band;
}

// As the blitter leaves a 256-colour display: the middle of the system
// palette filled with an image's colours, and a copy of the whole system
// palette selected and realized into the DC.
HPALETTE SelectSystemPaletteCopy(HDC dc)
{
    std::vector<PALETTEENTRY> middle;
    for (int i = 0; i < 236; ++i) {
        middle.push_back(PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 77, 0});
    }
    vd::SetSystemPaletteEntries(10, static_cast<unsigned>(middle.size()), middle.data());
    HPALETTE palette = dibkit::CreatePaletteOf(vd::SystemPalette());
    SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    return palette;
}

void DrawBands(benchmark::State& state, vd::Kind kind, int bitCount)
{
    vd::Config config;
    config.kind = kind;
    config.width = kBandWidth;
    config.height = 1080;
    vd::Configure(config);
    HDC dc = GetDC(nullptr);
    HPALETTE palette = kind == vd::Kind::Palette8 ? SelectSystemPaletteCopy(dc) : nullptr;
    const dibkit::PackedDib band = MakeBand(bitCount);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(band.header());
    int top = 0;
    int64_t drawn = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(StretchDIBits(dc, 0, top, kBandWidth, kBandRows, 0, 0, kBandWidth, kBandRows,
                                               band.StoredRow(0), info, DIB_RGB_COLORS, SRCCOPY));
        top = (top + kBandRows) % (1080 - kBandRows);
        // Keep the record of calls from growing without bound.
        if (++drawn % 4096 == 0) {
            vd::ClearStretchCalls();
        }
    }
    ReleaseDC(nullptr, dc);
    DeleteObject(palette);
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(drawn) * kBandWidth * kBandRows / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_StretchDIBits24On32(benchmark::State& state) { DrawBands(state, vd::Kind::Rgb32, 24); }
void BM_StretchDIBits8OnPalette8(benchmark::State& state) { DrawBands(state, vd::Kind::Palette8, 8); }

BENCHMARK(BM_StretchDIBits24On32);
BENCHMARK(BM_StretchDIBits8OnPalette8);

}  // namespace
