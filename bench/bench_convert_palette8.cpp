// Throughput of the 256-colour converters over one row of RowPixels(), in
// megapixels per second: every source depth with every dither mode, the
// mapped members and the grey members.
#include <cstdint>
#include <random>
#include <vector>

#include "bench/convert_bench_support.h"
#include "convert/converters.h"
#include "support/converter_named.h"

namespace {

using convertbench::RowPixels;

enum class Source { Rgb24, Index8, Index4, Bit1 };

size_t RowBytes(Source source)
{
    switch (source) {
    case Source::Rgb24: return 3 * RowPixels();
    case Source::Index8: return RowPixels();
    case Source::Index4: return RowPixels() / 2;
    case Source::Bit1: return RowPixels() / 8;
    }
    return 0;
}

void ConvertRow(benchmark::State& state, BlitterFn converter, Source source, bool grey)
{
    convertbench::ConfigureDisplay(vd::Kind::Palette8);
    VyrBlitter blitter(0, 0);

    std::mt19937 random(1920);
    std::vector<uint8_t> palette(768);
    for (size_t k = 0; k < 256; ++k) {
        const auto level = static_cast<uint8_t>(random());
        palette[3 * k] = level;
        palette[3 * k + 1] = grey ? level : static_cast<uint8_t>(random());
        palette[3 * k + 2] = grey ? level : static_cast<uint8_t>(random());
    }
    for (auto& entry : blitter.m_colorMap) {
        entry = static_cast<uint8_t>(random());
    }
    std::vector<uint8_t> row(RowBytes(source));
    for (auto& byte : row) {
        byte = static_cast<uint8_t>(random());
    }
    std::vector<uint8_t> out(RowPixels());
    if (convertbench::GiveErrorRow(state, blitter)) {
        blitter.m_imagePalette = palette.data();
        convertbench::TimeRows(state, converter, blitter, row.data(), out.data());
        blitter.m_imagePalette = nullptr;
    }
}

using namespace dibdraw;

BENCHMARK_CAPTURE(ConvertRow, Blit24To8Mode0, testsupport::Converter("Blit24To8Mode0"), Source::Rgb24, false);
BENCHMARK_CAPTURE(ConvertRow, Blit24To8Mode1, testsupport::Converter("Blit24To8Mode1"), Source::Rgb24, false);
BENCHMARK_CAPTURE(ConvertRow, Blit24To8Mode2, testsupport::Converter("Blit24To8Mode2"), Source::Rgb24, false);
BENCHMARK_CAPTURE(ConvertRow, Blit24To8Mode3, testsupport::Converter("Blit24To8Mode3"), Source::Rgb24, false);

BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mapped, testsupport::Converter("Blit8To8Mapped"), Source::Index8, false);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode0, testsupport::Converter("Blit8To8Mode0"), Source::Index8, false);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode1, testsupport::Converter("Blit8To8Mode1"), Source::Index8, false);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode2, testsupport::Converter("Blit8To8Mode2"), Source::Index8, false);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode3, testsupport::Converter("Blit8To8Mode3"), Source::Index8, false);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode0Gray, testsupport::Converter("Blit8To8Mode0Gray"), Source::Index8, true);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode1Gray, testsupport::Converter("Blit8To8Mode1Gray"), Source::Index8, true);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode2Gray, testsupport::Converter("Blit8To8Mode2Gray"), Source::Index8, true);
BENCHMARK_CAPTURE(ConvertRow, Blit8To8Mode3Gray, testsupport::Converter("Blit8To8Mode3Gray"), Source::Index8, true);

BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mapped, testsupport::Converter("Blit4To8Mapped"), Source::Index4, false);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode0, testsupport::Converter("Blit4To8Mode0"), Source::Index4, false);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode1, testsupport::Converter("Blit4To8Mode1"), Source::Index4, false);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode2, testsupport::Converter("Blit4To8Mode2"), Source::Index4, false);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode3, testsupport::Converter("Blit4To8Mode3"), Source::Index4, false);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode0Gray, testsupport::Converter("Blit4To8Mode0Gray"), Source::Index4, true);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode1Gray, testsupport::Converter("Blit4To8Mode1Gray"), Source::Index4, true);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode2Gray, testsupport::Converter("Blit4To8Mode2Gray"), Source::Index4, true);
BENCHMARK_CAPTURE(ConvertRow, Blit4To8Mode3Gray, testsupport::Converter("Blit4To8Mode3Gray"), Source::Index4, true);

BENCHMARK_CAPTURE(ConvertRow, Blit1To8Mapped, Blit1To8Mapped, Source::Bit1, false);
BENCHMARK_CAPTURE(ConvertRow, Blit1To8, Blit1To8, Source::Bit1, false);

}  // namespace
