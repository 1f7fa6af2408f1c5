// The 16-colour display converters over rows of RowPixels(), in megapixels per
// second.
#include <vector>

#include "bench/convert_bench_support.h"
#include "convert/converters.h"
#include "support/converter_named.h"

namespace {

using convertbench::RowPixels;

void RunConverter(benchmark::State& state, BlitterFn convert, int sourceBits, int ditherMode)
{
    convertbench::ConfigureDisplay(vd::Kind::Packed4);
    VyrBlitter blitter(ditherMode, 0);

    // Gradients with a little noise, like a scaled photograph.
    const size_t sourceBytes = (static_cast<size_t>(RowPixels()) * sourceBits + 7) / 8;
    std::vector<uint8_t> src(sourceBytes);
    uint32_t noise = 12345;
    for (size_t k = 0; k < sourceBytes; ++k) {
        noise = noise * 1103515245u + 12345u;
        src[k] = static_cast<uint8_t>(k / 5 + ((noise >> 16) & 15));
    }
    std::vector<uint8_t> palette(3 * 256);
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = static_cast<uint8_t>(i * 7);
        palette[3 * i + 1] = static_cast<uint8_t>(255 - i);
        palette[3 * i + 2] = static_cast<uint8_t>(i * 3);
    }
    for (int i = 0; i < 256; ++i) {
        blitter.m_colorMap[i] = static_cast<uint8_t>(i & 15);
    }
    std::vector<uint8_t> dst((RowPixels() + 1) / 2);
    if (convertbench::GiveErrorRow(state, blitter)) {
        blitter.m_imagePalette = palette.data();
        convertbench::TimeRows(state, convert, blitter, src.data(), dst.data());
        blitter.m_imagePalette = nullptr;
    }
}

}  // namespace

BENCHMARK_CAPTURE(RunConverter, Blit24To4Mode0, testsupport::Converter("Blit24To4Mode0"), 24, 0);
BENCHMARK_CAPTURE(RunConverter, Blit24To4Mode1, testsupport::Converter("Blit24To4Mode1"), 24, 1);
BENCHMARK_CAPTURE(RunConverter, Blit24To4Mode2, testsupport::Converter("Blit24To4Mode2"), 24, 2);
BENCHMARK_CAPTURE(RunConverter, Blit24To4Mode3, testsupport::Converter("Blit24To4Mode3"), 24, 3);
BENCHMARK_CAPTURE(RunConverter, Blit8To4Mode0, testsupport::Converter("Blit8To4Mode0"), 8, 0);
BENCHMARK_CAPTURE(RunConverter, Blit8To4Mode1, testsupport::Converter("Blit8To4Mode1"), 8, 1);
BENCHMARK_CAPTURE(RunConverter, Blit8To4Mode2, testsupport::Converter("Blit8To4Mode2"), 8, 2);
BENCHMARK_CAPTURE(RunConverter, Blit8To4Mode3, testsupport::Converter("Blit8To4Mode3"), 8, 3);
BENCHMARK_CAPTURE(RunConverter, Blit8To4Mapped, testsupport::Converter("Blit8To4Mapped"), 8, 1);
BENCHMARK_CAPTURE(RunConverter, Blit4To4Mode0, testsupport::Converter("Blit4To4Mode0"), 4, 0);
BENCHMARK_CAPTURE(RunConverter, Blit4To4Mode1, testsupport::Converter("Blit4To4Mode1"), 4, 1);
BENCHMARK_CAPTURE(RunConverter, Blit4To4Mode2, testsupport::Converter("Blit4To4Mode2"), 4, 2);
BENCHMARK_CAPTURE(RunConverter, Blit4To4Mode3, testsupport::Converter("Blit4To4Mode3"), 4, 3);
BENCHMARK_CAPTURE(RunConverter, Blit4To4Mapped, testsupport::Converter("Blit4To4Mapped"), 4, 1);
BENCHMARK_CAPTURE(RunConverter, Blit1To4, dibdraw::Blit1To4, 1, 1);
