// True-colour converters on rows of RowPixels().
#include "bench/convert_bench_support.h"
#include "convert/converters.h"

namespace {

using convertbench::MeasureConverter;
using convertbench::RowSetup;

void TrueColor(benchmark::State& state, BlitterFn converter, int srcBitOffset)
{
    MeasureConverter(state, converter, RowSetup{vd::Kind::Rgb24, 0, srcBitOffset});
}

}  // namespace

BENCHMARK_CAPTURE(TrueColor, Blit24To24, dibdraw::Blit24To24, 0);
BENCHMARK_CAPTURE(TrueColor, Blit24To24Swap, dibdraw::Blit24To24Swap, 0);
BENCHMARK_CAPTURE(TrueColor, Blit8To24, dibdraw::Blit8To24, 0);
BENCHMARK_CAPTURE(TrueColor, Blit8To24Swap, dibdraw::Blit8To24Swap, 0);
BENCHMARK_CAPTURE(TrueColor, Blit4To24, dibdraw::Blit4To24, 0);
BENCHMARK_CAPTURE(TrueColor, Blit4To24Swap, dibdraw::Blit4To24Swap, 0);
BENCHMARK_CAPTURE(TrueColor, Blit1To24/aligned, dibdraw::Blit1To24, 0);
BENCHMARK_CAPTURE(TrueColor, Blit1To24/offset3, dibdraw::Blit1To24, 3);
