// True-colour converters on rows of RowPixels().
#include "bench/convert_bench_support.h"
#include "convert/converters.h"
#include "support/converter_named.h"

namespace {

using convertbench::MeasureConverter;
using convertbench::RowSetup;

void TrueColor(benchmark::State& state, BlitterFn converter, int srcBitOffset)
{
    MeasureConverter(state, converter, RowSetup{vd::Kind::Rgb24, 0, srcBitOffset});
}

}  // namespace

BENCHMARK_CAPTURE(TrueColor, Blit24To24, dibdraw::Blit24To24, 0);
BENCHMARK_CAPTURE(TrueColor, Blit24To24Swap, testsupport::Converter("Blit24To24Swap"), 0);
BENCHMARK_CAPTURE(TrueColor, Blit8To24, testsupport::Converter("Blit8To24"), 0);
BENCHMARK_CAPTURE(TrueColor, Blit8To24Swap, testsupport::Converter("Blit8To24Swap"), 0);
BENCHMARK_CAPTURE(TrueColor, Blit4To24, testsupport::Converter("Blit4To24"), 0);
BENCHMARK_CAPTURE(TrueColor, Blit4To24Swap, testsupport::Converter("Blit4To24Swap"), 0);
BENCHMARK_CAPTURE(TrueColor, Blit1To24/aligned, dibdraw::Blit1To24, 0);
BENCHMARK_CAPTURE(TrueColor, Blit1To24/offset3, dibdraw::Blit1To24, 3);
