// Whole blits of a 1920 x 1080 image through the virtual display, in
// megapixels of destination per second.
#include <benchmark/benchmark.h>

#include <vector>

#include "common/packed_dib.h"
#include "dibdraw32/VyrBlitter.h"
#include "vdisplay/vdisplay.h"

namespace {

dibkit::PackedDib MakeImage(int width, int height, int bits)
{
    dibkit::PackedDib image(width, height, bits);
    for (int i = 0; i < image.colorCount(); ++i) {
        image.SetColor(i, static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7));
    }
    uint32_t state = 12345;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.StoredRow(y);
        for (size_t k = 0; k < image.stride(); ++k) {
            // Smooth gradients with some noise, like a photograph.
            state = state * 1103515245u + 12345u;
            row[k] = static_cast<uint8_t>((k / 3 + static_cast<size_t>(y) / 4) + ((state >> 16) & 7));
        }
    }
    return image;
}

void RunBlit(benchmark::State& state, vd::Kind kind, int bits, int dither, double scale)
{
    const int width = 1920, height = 1080;
    const int dstW = static_cast<int>(width * scale), dstH = static_cast<int>(height * scale);
    vd::Config config;
    config.kind = kind;
    config.width = dstW;
    config.height = dstH;
    vd::Configure(config);
    dibkit::PackedDib image = MakeImage(width, height, bits);
    VyrBlitter blitter(dither, 0);
    HDC screen = GetDC(nullptr);
    for (auto _ : state) {
        RECT src = {0, 0, width, height}, dst = {0, 0, dstW, dstH};
        benchmark::DoNotOptimize(blitter.VyrBlit(screen, image.header(), &src, &dst));
        // The display records every StretchDIBits call; unchecked, that
        // record would grow with every iteration.
        vd::ClearStretchCalls();
    }
    ReleaseDC(nullptr, screen);
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(dstW) * dstH / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void TrueColour24(benchmark::State& state) { RunBlit(state, vd::Kind::Rgb32, 24, 0, state.range(0) / 100.0); }
void TrueColour8(benchmark::State& state) { RunBlit(state, vd::Kind::Rgb32, 8, 0, state.range(0) / 100.0); }
void Palette8From24(benchmark::State& state) { RunBlit(state, vd::Kind::Palette8, 24, static_cast<int>(state.range(0)), 1.0); }
void MonoFrom24(benchmark::State& state) { RunBlit(state, vd::Kind::Mono, 24, static_cast<int>(state.range(0)), 1.0); }

BENCHMARK(TrueColour24)->ArgName("scale%")->Arg(100)->Arg(150)->Arg(200)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(TrueColour8)->ArgName("scale%")->Arg(100)->Arg(150)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(Palette8From24)->ArgName("dither")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(MonoFrom24)->ArgName("dither")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
