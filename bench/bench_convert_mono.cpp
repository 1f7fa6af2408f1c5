// Monochrome converters on rows of RowPixels(): every source depth in every
// dither mode, and the 1-bit copy aligned and shifted.
#include "bench/convert_bench_support.h"
#include "convert/converters.h"
#include "support/converter_named.h"

namespace {

using convertbench::MeasureConverter;
using convertbench::RowSetup;

void Mono(benchmark::State& state, BlitterFn converter, int ditherMode, int srcBitOffset)
{
    MeasureConverter(state, converter, RowSetup{vd::Kind::Mono, ditherMode, srcBitOffset});
}

}  // namespace

BENCHMARK_CAPTURE(Mono, Blit24To1Mode0, testsupport::Converter("Blit24To1Mode0"), 0, 0);
BENCHMARK_CAPTURE(Mono, Blit24To1Mode1, testsupport::Converter("Blit24To1Mode1"), 1, 0);
BENCHMARK_CAPTURE(Mono, Blit24To1Mode2, testsupport::Converter("Blit24To1Mode2"), 2, 0);
BENCHMARK_CAPTURE(Mono, Blit24To1Mode3, testsupport::Converter("Blit24To1Mode3"), 3, 0);
BENCHMARK_CAPTURE(Mono, Blit8To1Mode0, testsupport::Converter("Blit8To1Mode0"), 0, 0);
BENCHMARK_CAPTURE(Mono, Blit8To1Mode1, testsupport::Converter("Blit8To1Mode1"), 1, 0);
BENCHMARK_CAPTURE(Mono, Blit8To1Mode2, testsupport::Converter("Blit8To1Mode2"), 2, 0);
BENCHMARK_CAPTURE(Mono, Blit8To1Mode3, testsupport::Converter("Blit8To1Mode3"), 3, 0);
BENCHMARK_CAPTURE(Mono, Blit4To1Mode0, testsupport::Converter("Blit4To1Mode0"), 0, 0);
BENCHMARK_CAPTURE(Mono, Blit4To1Mode1, testsupport::Converter("Blit4To1Mode1"), 1, 0);
BENCHMARK_CAPTURE(Mono, Blit4To1Mode2, testsupport::Converter("Blit4To1Mode2"), 2, 0);
BENCHMARK_CAPTURE(Mono, Blit4To1Mode3, testsupport::Converter("Blit4To1Mode3"), 3, 0);
BENCHMARK_CAPTURE(Mono, Blit1To1/aligned, dibdraw::Blit1To1, 0, 0);
BENCHMARK_CAPTURE(Mono, Blit1To1/offset3, dibdraw::Blit1To1, 0, 3);
