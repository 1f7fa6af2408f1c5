// Every 16-colour display converter of the registry over rows of RowPixels(),
// in megapixels per second.
#include <vector>

#include "bench/convert_bench_support.h"

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

[[maybe_unused]] const bool kRegistered = convertbench::RegisterConverters(
    "RunConverter", 4, [](benchmark::State& state, const dibdraw::ConverterEntry& entry) {
        RunConverter(state, entry.fn, entry.srcBits, convertbench::DitherModeFor(entry));
    });

}  // namespace
