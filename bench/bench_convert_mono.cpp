// Monochrome converters on rows of RowPixels(): every converter of the
// registry, and the 1-bit copy once more with its source shifted.
#include "bench/convert_bench_support.h"
#include "convert/converters.h"

namespace {

using convertbench::MeasureConverter;
using convertbench::RowSetup;

void Mono(benchmark::State& state, BlitterFn converter, int ditherMode, int srcBitOffset)
{
    MeasureConverter(state, converter, RowSetup{vd::Kind::Mono, ditherMode, srcBitOffset});
}

[[maybe_unused]] const bool kRegistered = convertbench::RegisterConverters(
    "Mono", 1, [](benchmark::State& state, const dibdraw::ConverterEntry& entry) {
        Mono(state, entry.fn, convertbench::DitherModeFor(entry), 0);
    });

}  // namespace

BENCHMARK_CAPTURE(Mono, Blit1To1/offset3, dibdraw::Blit1To1, 0, 3);
