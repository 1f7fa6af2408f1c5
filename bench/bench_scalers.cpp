// Horizontal scalers on a 1920-pixel source row, enlarged by half again and
// reduced to half; the rate counts destination pixels in megapixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "blitter/scalers.h"
#include "dibdraw32/VyrBlitter.h"

namespace {

constexpr int32_t kSourceWidth = 1920;

void RunScaler(benchmark::State& state, StretchFn scaler, int bitsPerPixel, int32_t dstCount)
{
    std::vector<uint8_t> src((static_cast<size_t>(kSourceWidth) * bitsPerPixel + 7) / 8 + 1);
    for (size_t k = 0; k < src.size(); ++k) {
        src[k] = static_cast<uint8_t>(k * 37 + 11);
    }
    std::vector<uint8_t> dst((static_cast<size_t>(dstCount) * bitsPerPixel + 7) / 8 + 3 * dstCount);
    for (auto _ : state) {
        scaler(src.data(), dst.data(), kSourceWidth, dstCount, 0);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * dstCount / 1e6,
                                                benchmark::Counter::kIsRate);
}

constexpr int32_t kEnlarged = kSourceWidth * 3 / 2;
constexpr int32_t kReduced = kSourceWidth / 2;

void BM_Stretch24_Enlarge(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch24, 24, kEnlarged); }
void BM_Stretch24_Reduce(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch24, 24, kReduced); }
void BM_Stretch8_Enlarge(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch8, 8, kEnlarged); }
void BM_Stretch8_Reduce(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch8, 8, kReduced); }
void BM_Stretch4_Enlarge(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch4, 4, kEnlarged); }
void BM_Stretch4_Reduce(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch4, 4, kReduced); }
void BM_Stretch1_Enlarge(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch1, 1, kEnlarged); }
void BM_Stretch1_Reduce(benchmark::State& state) { RunScaler(state, &dibdraw::Stretch1, 1, kReduced); }
void BM_Shrink1ToGray_Reduce(benchmark::State& state) { RunScaler(state, &dibdraw::Shrink1ToGray, 1, kReduced); }

BENCHMARK(BM_Stretch24_Enlarge);
BENCHMARK(BM_Stretch24_Reduce);
BENCHMARK(BM_Stretch8_Enlarge);
BENCHMARK(BM_Stretch8_Reduce);
BENCHMARK(BM_Stretch4_Enlarge);
BENCHMARK(BM_Stretch4_Reduce);
BENCHMARK(BM_Stretch1_Enlarge);
BENCHMARK(BM_Stretch1_Reduce);
BENCHMARK(BM_Shrink1ToGray_Reduce);

}  // namespace
