// Throughput of every 256-colour converter of the registry over one row of
// RowPixels(), in megapixels per second; the grey members on a grey colour
// table.
#include <cstdint>
#include <random>
#include <vector>

#include "bench/convert_bench_support.h"

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

Source SourceOf(int srcBits)
{
    switch (srcBits) {
    case 24: return Source::Rgb24;
    case 8: return Source::Index8;
    case 4: return Source::Index4;
    default: return Source::Bit1;
    }
}

[[maybe_unused]] const bool kRegistered = convertbench::RegisterConverters(
    "ConvertRow", 8, [](benchmark::State& state, const dibdraw::ConverterEntry& entry) {
        ConvertRow(state, entry.fn, SourceOf(entry.srcBits), entry.variant == dibdraw::Variant::GreyMode);
    });

}  // namespace
