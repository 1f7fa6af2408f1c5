// Shared set-up of the converter benchmarks: a blitter on a chosen kind of
// virtual display with its error row, a random source row of RowPixels(), and
// the measurement of one converter call per iteration in megapixels per
// second.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "convert/registry.h"
#include "dibdraw32/VyrBlitter.h"
#include "memkit40.h"
#include "vdisplay/vdisplay.h"

namespace convertbench {

// The pixels of a row: 1920, or as many as DIBDRAW_BENCH_ROW_PIXELS says (a
// multiple of 8 from 8 up), so that a 4096-pixel row, say, can be measured.
inline int RowPixels()
{
    static const int pixels = [] {
        const char* variable = std::getenv("DIBDRAW_BENCH_ROW_PIXELS");
        const int asked = variable != nullptr ? std::atoi(variable) : 0;
        return asked >= 8 && asked % 8 == 0 ? asked : 1920;
    }();
    return pixels;
}

struct RowSetup {
    vd::Kind display;
    int ditherMode;
    int srcBitOffset;
};

inline void ConfigureDisplay(vd::Kind kind)
{
    vd::Config config;
    config.kind = kind;
    vd::Configure(config);
}

// Gives the blitter a zeroed error row wide enough for every converter; false,
// with the benchmark skipped, when there is no memory for it.
inline bool GiveErrorRow(benchmark::State& state, VyrBlitter& blitter)
{
    const uint32_t errorBytes = 6 * RowPixels();
    blitter.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(errorBytes));
    if (blitter.m_errorRow == nullptr) {
        state.SkipWithError("no memory for the error row");
        return false;
    }
    std::memset(blitter.m_errorRow, 0, errorBytes);
    return true;
}

// Converts the same source row again and again, advancing the row counter as
// the pipeline does, so the dithered converters walk through their patterns
// and the error row carries from one call to the next.
inline void TimeRows(benchmark::State& state, BlitterFn converter, VyrBlitter& blitter, const uint8_t* src,
                     uint8_t* dst)
{
    for (auto _ : state) {
        converter(&blitter, src, dst, RowPixels());
        ++blitter.m_rowCounter;
        benchmark::DoNotOptimize(dst);
        benchmark::ClobberMemory();
    }
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * RowPixels() / 1e6,
                                                benchmark::Counter::kIsRate);
}

// A converter on random rows and a random colour table.
inline void MeasureConverter(benchmark::State& state, BlitterFn converter, const RowSetup& setup)
{
    ConfigureDisplay(setup.display);
    VyrBlitter blitter(setup.ditherMode, 0);

    std::mt19937 random(12345);
    auto randomBytes = [&](size_t count) {
        std::vector<uint8_t> bytes(count);
        for (auto& b : bytes) {
            b = static_cast<uint8_t>(random());
        }
        return bytes;
    };
    std::vector<uint8_t> palette = randomBytes(768);
    const std::vector<uint8_t> src = randomBytes(3 * RowPixels() + 8);
    std::vector<uint8_t> dst(3 * (RowPixels() + 4));

    blitter.m_monoColor0 = 0x000000;
    blitter.m_monoColor1 = 0xFFFFFF;
    blitter.m_srcBitOffset = setup.srcBitOffset;
    if (GiveErrorRow(state, blitter)) {
        blitter.m_imagePalette = palette.data();
        TimeRows(state, converter, blitter, src.data(), dst.data());
        blitter.m_imagePalette = nullptr;
    }
}

// The dither mode a benchmark's blitter gets for an entry: its own, or for an
// entry that serves every mode, none.
inline int DitherModeFor(const dibdraw::ConverterEntry& entry)
{
    return static_cast<int>(entry.DependsOnMode() ? entry.mode : dibdraw::DitherMode::None);
}

// Registers `measure(state, entry)` as a benchmark "group/name" for every
// converter of one display depth in the registry, so that each converter added
// there is measured too. Returns true, for a static initializer.
template <typename Measure>
bool RegisterConverters(const char* group, int displayDepth, Measure measure)
{
    for (const auto section : dibdraw::ConverterSections()) {
        for (const dibdraw::ConverterEntry& entry : section) {
            if (entry.displayDepth == displayDepth) {
                benchmark::RegisterBenchmark((std::string(group) + "/" + entry.name).c_str(),
                                             [measure, &entry](benchmark::State& state) { measure(state, entry); });
            }
        }
    }
    return true;
}

}  // namespace convertbench
