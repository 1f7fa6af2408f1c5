// Side-by-side throughput of dibdraw32 and its peers on one 4096 x 4096
// 24-bit image of smooth gradients and noise.
//
//   dibdraw_compare image <file>     writes the image as raw blue-green-red rows
//   dibdraw_compare round            measures every case of ours and of the C
//                                     peers once, interleaved, one line each:
//                                     "<measure> <megapixels per second>"
//   dibdraw_compare report <file>    reads the lines of all rounds (Pillow's
//                                     included), prints medians, spreads and
//                                     ratios, and fails when a goal is missed
//
// compare.sh drives the three; see there.
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/packed_dib.h"
#include "convert/converters.h"
#include "convert/kernels.h"
#include "dibdraw32/VyrBlitter.h"
#include "memkit40.h"
#include "palette/tables.h"
#include "vdisplay/vdisplay.h"
#include "support/converter_named.h"

namespace {

constexpr int kSide = 4096;
constexpr int kScaledSourceSide = kSide / 2;
constexpr double kPixels = double(kSide) * kSide;

// One row of the printed table: our measure against a peer's.
struct Comparison {
    const char* title;
    const char* ours;
    const char* peer;
    const char* peerTitle;
    double goal;  // 0: reported, no goal
};

const Comparison kComparisons[] = {
    {"24->8 Floyd-Steinberg, converter", "fs8_convert", "pil_p_fs", "Pillow P WEB FS", 2.0},
    {"24->8 Floyd-Steinberg, whole blit", "fs8_blit", "pil_p_fs", "Pillow P WEB FS", 2.0},
    {"24->8 no dither, converter", "none8_convert", "pil_p_none", "Pillow P WEB none", 1.5},
    {"24->8 no dither, whole blit", "none8_blit", "pil_p_none", "Pillow P WEB none", 0},
    {"24->1 Floyd-Steinberg, converter", "fs1_convert", "pil_1_fs", "Pillow 1 FS", 2.0},
    {"24->1 Floyd-Steinberg, whole blit", "fs1_blit", "pil_1_fs", "Pillow 1 FS", 2.0},
    {"24->1 threshold, converter", "none1_convert", "pil_1_none", "Pillow 1 none", 1.5},
    {"24->1 threshold, whole blit", "none1_blit", "pil_1_none", "Pillow 1 none", 0},
    {"24->8 ordered mode 0, converter", "ordered0_convert", "pixman_c8", "pixman 8888->c8", 2.0},
    {"24->8 ordered mode 3, converter", "ordered3_convert", "pixman_c8", "pixman 8888->c8", 2.0},
    {"24->8 ordered mode 0, whole blit", "ordered0_blit", "pixman_c8", "pixman 8888->c8", 1.0},
    {"24->8 ordered mode 3, whole blit", "ordered3_blit", "pixman_c8", "pixman 8888->c8", 1.0},
    {"8->8 mapped, converter", "mapped8_convert", "byte_table", "byte-table loop", 0.9},
    {"8->8 mapped, whole blit", "mapped8_blit", "byte_table", "byte-table loop", 0},
    {"24->24 unscaled, whole blit", "copy24_blit", "memcpy", "memcpy", 0.5},
    {"24->24 scaled 2x, whole blit", "scale24_blit", "pixman_nearest2x", "pixman nearest 2x", 0.5},
};

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Blue-green-red rows, top row first, no padding (4096 x 3 is a multiple of 4).
std::vector<uint8_t> MakeImage(int side)
{
    std::vector<uint8_t> pixels(size_t(side) * side * 3);
    const size_t stride = size_t(side) * 3;
    uint32_t state = 12345;
    for (size_t y = 0; y < size_t(side); ++y) {
        for (size_t k = 0; k < stride; ++k) {
            state = state * 1103515245u + 12345u;
            pixels[y * stride + k] = static_cast<uint8_t>((k / 3 + y / 4) + ((state >> 16) & 7));
        }
    }
    return pixels;
}

// A packed DIB of the given rows (bottom row first: the image upside down,
// which changes nothing for the timing) and colour table.
using Dib = dibkit::PackedDib;

Dib MakeDib(const std::vector<uint8_t>& rows, int side, int bits, const std::vector<RGBQUAD>& table)
{
    Dib dib(side, side, bits);
    std::copy(table.begin(), table.end(), dib.colors());
    const size_t stride = size_t(side) * bits / 8;
    for (int y = 0; y < side; ++y) {
        std::memcpy(dib.StoredRow(y), rows.data() + stride * static_cast<size_t>(y), stride);
    }
    return dib;
}

// The 8-bit image: one index per pixel, its colour table the fixed palette,
// so the palette tracking finds an exact match and takes the mapped path.
std::vector<RGBQUAD> FixedPaletteTable()
{
    return std::vector<RGBQUAD>(dibdraw::kFixedPalette.begin(), dibdraw::kFixedPalette.end());
}

std::vector<uint8_t> IndexImage(const std::vector<uint8_t>& bgr)
{
    std::vector<uint8_t> indices(bgr.size() / 3);
    for (size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<uint8_t>(bgr[3 * i + 1] % 247);
    }
    return indices;
}

void ConfigureScreen(vd::Kind kind)
{
    vd::Config config;
    config.kind = kind;
    config.width = kSide;
    config.height = kSide;
    vd::Configure(config);
    vd::FillScreen(0);  // touches every page of the framebuffer before timing
}

double MeasureBlit(vd::Kind kind, Dib& dib, int srcSide, int ditherMode, int paletteMode)
{
    ConfigureScreen(kind);
    VyrBlitter blitter(ditherMode, paletteMode);
    const HWND window = vd::CreateWindow({0, 0, kSide, kSide});
    short result = 0;
    // A 256-colour display draws with the fixed palette realized, as the
    // tool and applications do before they draw.
    if (kind == vd::Kind::Palette8) {
        result = blitter.VyrRealizeFixedPalette(window);
    }
    RECT src = {0, 0, srcSide, srcSide};
    RECT dst = {0, 0, kSide, kSide};
    const double seconds =
        result != 0 ? 1.0 : Seconds([&] { result = blitter.VyrBlit(window, dib.header(), &src, &dst); });
    vd::DestroyWindow(window);
    vd::ClearStretchCalls();
    if (result != 0) {
        std::fprintf(stderr, "dibdraw_compare: VyrBlit failed with %d\n", result);
        std::exit(2);
    }
    return kPixels / seconds / 1e6;
}

// Converts every row of an image with one converter, as the pipeline would:
// one output row, the row counter advancing, the error row carried.
double MeasureConverter(vd::Kind kind, BlitterFn converter, const uint8_t* rows, size_t stride, int ditherMode,
                        const uint8_t* imagePalette)
{
    ConfigureScreen(kind);
    VyrBlitter blitter(ditherMode, 0);
    for (int i = 0; i < 256; ++i) {
        blitter.m_colorMap[i] = static_cast<uint8_t>(i);
        blitter.m_systemPalette[3 * i] = dibdraw::kFixedPalette[i].rgbRed;
        blitter.m_systemPalette[3 * i + 1] = dibdraw::kFixedPalette[i].rgbGreen;
        blitter.m_systemPalette[3 * i + 2] = dibdraw::kFixedPalette[i].rgbBlue;
    }
    std::vector<uint8_t> palette(imagePalette, imagePalette + (imagePalette != nullptr ? 768 : 0));
    blitter.m_imagePalette = palette.empty() ? nullptr : palette.data();
    const uint32_t errorBytes = 6 * kSide;
    blitter.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(errorBytes));
    std::memset(blitter.m_errorRow, 0, errorBytes);
    std::vector<uint8_t> out(3 * kSide + 16, 0);
    const double seconds = Seconds([&] {
        for (int y = 0; y < kSide; ++y) {
            converter(&blitter, rows + y * stride, out.data(), kSide);
            ++blitter.m_rowCounter;
        }
    });
    blitter.m_imagePalette = nullptr;
    return kPixels / seconds / 1e6;
}

// pixman's 8-bit indexed destination with the 6 x 6 x 6 cube: every 15-bit
// colour goes to its nearest cube entry.
struct CubeIndexed {
    pixman_indexed_t table;
    CubeIndexed()
    {
        table.color = 1;
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD& c = dibdraw::kFixedPalette[i];
            table.rgba[i] = 0xFF000000u | (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
        }
        for (int v = 0; v < 32768; ++v) {
            const int r = ((v >> 10) & 31) << 3, g = ((v >> 5) & 31) << 3, b = (v & 31) << 3;
            table.ent[v] = static_cast<pixman_index_type>(dibdraw::kCubeLevel[r] + 6 * dibdraw::kCubeLevel[g] +
                                                          36 * dibdraw::kCubeLevel[b]);
        }
    }
};

std::vector<uint32_t> ToXrgb(const std::vector<uint8_t>& bgr, int side)
{
    std::vector<uint32_t> xrgb(size_t(side) * side);
    for (size_t i = 0; i < xrgb.size(); ++i) {
        xrgb[i] = 0xFF000000u | (uint32_t(bgr[3 * i + 2]) << 16) | (uint32_t(bgr[3 * i + 1]) << 8) | bgr[3 * i];
    }
    return xrgb;
}

double MeasurePixmanC8(std::vector<uint32_t>& xrgb)
{
    static CubeIndexed cube;
    std::vector<uint8_t> out(size_t(kSide) * kSide, 1);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, kSide, kSide, xrgb.data(), kSide * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_c8, kSide, kSide, reinterpret_cast<uint32_t*>(out.data()),
                                                   kSide);
    pixman_image_set_indexed(dst, &cube.table);
    const double seconds = Seconds(
        [&] { pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kSide, kSide); });
    pixman_image_unref(dst);
    pixman_image_unref(src);
    return kPixels / seconds / 1e6;
}

double MeasurePixmanNearest2x(std::vector<uint32_t>& xrgbHalf)
{
    std::vector<uint32_t> out(size_t(kSide) * kSide, 1);
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, kScaledSourceSide, kScaledSourceSide, xrgbHalf.data(),
                                 kScaledSourceSide * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, kSide, kSide, out.data(), kSide * 4);
    pixman_transform_t half;
    pixman_transform_init_scale(&half, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
    pixman_image_set_transform(src, &half);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    const double seconds = Seconds(
        [&] { pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kSide, kSide); });
    pixman_image_unref(dst);
    pixman_image_unref(src);
    return kPixels / seconds / 1e6;
}

double MeasureMemcpy(const std::vector<uint8_t>& bgr)
{
    std::vector<uint8_t> out(bgr.size(), 1);
    const double seconds = Seconds([&] { std::memcpy(out.data(), bgr.data(), bgr.size()); });
    if (out[12345] != bgr[12345]) {
        std::exit(3);
    }
    return kPixels / seconds / 1e6;
}

void TranslateRow(const uint8_t* in, uint8_t* out, int count, const uint8_t* table)
{
    for (int i = 0; i < count; ++i) {
        out[i] = table[in[i]];
    }
}

// The peer of the mapped converter, in the same shape: row by row into one
// output row.
double MeasureByteTable(const std::vector<uint8_t>& indices)
{
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<uint8_t>(255 - i);
    }
    std::vector<uint8_t> out(kSide, 1);
    const double seconds = Seconds([&] {
        for (int y = 0; y < kSide; ++y) {
            TranslateRow(indices.data() + size_t(y) * kSide, out.data(), kSide, table);
        }
    });
    if (out[123] != table[indices[size_t(kSide - 1) * kSide + 123]]) {
        std::exit(3);
    }
    return kPixels / seconds / 1e6;
}

int Round()
{
    const std::vector<uint8_t> bgr = MakeImage(kSide);
    const std::vector<uint8_t> indices = IndexImage(bgr);
    std::vector<uint32_t> xrgb = ToXrgb(bgr, kSide);
    std::vector<uint8_t> halfRows(size_t(kScaledSourceSide) * kScaledSourceSide * 3);
    for (int y = 0; y < kScaledSourceSide; ++y) {
        std::memcpy(&halfRows[size_t(y) * kScaledSourceSide * 3], &bgr[size_t(y) * kSide * 3],
                    size_t(kScaledSourceSide) * 3);
    }
    std::vector<uint32_t> xrgbHalf = ToXrgb(halfRows, kScaledSourceSide);
    Dib dib24 = MakeDib(bgr, kSide, 24, {});
    Dib dib8 = MakeDib(indices, kSide, 8, FixedPaletteTable());
    Dib dibHalf = MakeDib(halfRows, kScaledSourceSide, 24, {});
    std::vector<uint8_t> fixedTriples(768);
    for (int i = 0; i < 256; ++i) {
        fixedTriples[3 * i] = dibdraw::kFixedPalette[i].rgbRed;
        fixedTriples[3 * i + 1] = dibdraw::kFixedPalette[i].rgbGreen;
        fixedTriples[3 * i + 2] = dibdraw::kFixedPalette[i].rgbBlue;
    }
    const size_t stride24 = size_t(kSide) * 3;
    using vd::Kind;

    auto convert24 = [&](Kind kind, BlitterFn converter, int ditherMode) -> std::function<double()> {
        return [&, kind, converter, ditherMode] {
            return MeasureConverter(kind, converter, bgr.data(), stride24, ditherMode, nullptr);
        };
    };
    auto blit = [](Kind kind, Dib& dib, int srcSide, int ditherMode, int paletteMode) -> std::function<double()> {
        return [&dib, kind, srcSide, ditherMode, paletteMode] {
            return MeasureBlit(kind, dib, srcSide, ditherMode, paletteMode);
        };
    };

    // Ours and the peers alternate, so a slow moment of the machine hits both.
    const std::vector<std::pair<const char*, std::function<double()>>> measures = {
        {"fs8_convert", convert24(Kind::Palette8, testsupport::Converter("Blit24To8Mode2"), 2)},
        {"pixman_c8", [&] { return MeasurePixmanC8(xrgb); }},
        {"fs8_blit", blit(Kind::Palette8, dib24, kSide, 2, 0)},
        {"none8_convert", convert24(Kind::Palette8, testsupport::Converter("Blit24To8Mode1"), 1)},
        {"none8_blit", blit(Kind::Palette8, dib24, kSide, 1, 0)},
        {"fs1_convert", convert24(Kind::Mono, testsupport::Converter("Blit24To1Mode2"), 2)},
        {"fs1_blit", blit(Kind::Mono, dib24, kSide, 2, 0)},
        {"none1_convert", convert24(Kind::Mono, testsupport::Converter("Blit24To1Mode1"), 1)},
        {"none1_blit", blit(Kind::Mono, dib24, kSide, 1, 0)},
        {"ordered0_convert", convert24(Kind::Palette8, testsupport::Converter("Blit24To8Mode0"), 0)},
        {"pixman_c8", [&] { return MeasurePixmanC8(xrgb); }},
        {"ordered3_convert", convert24(Kind::Palette8, testsupport::Converter("Blit24To8Mode3"), 3)},
        {"ordered0_blit", blit(Kind::Palette8, dib24, kSide, 0, 0)},
        {"ordered3_blit", blit(Kind::Palette8, dib24, kSide, 3, 0)},
        {"byte_table", [&] { return MeasureByteTable(indices); }},
        {"mapped8_convert",
         [&] {
             return MeasureConverter(Kind::Palette8, testsupport::Converter("Blit8To8Mapped"), indices.data(), kSide, 0,
                                     fixedTriples.data());
         }},
        {"mapped8_blit", blit(Kind::Palette8, dib8, kSide, 0, 1)},
        {"byte_table", [&] { return MeasureByteTable(indices); }},
        {"memcpy", [&] { return MeasureMemcpy(bgr); }},
        {"copy24_blit", blit(Kind::Rgb32, dib24, kSide, 0, 0)},
        {"memcpy", [&] { return MeasureMemcpy(bgr); }},
        {"pixman_nearest2x", [&] { return MeasurePixmanNearest2x(xrgbHalf); }},
        {"scale24_blit", blit(Kind::Rgb32, dibHalf, kScaledSourceSide, 0, 0)},
        {"pixman_nearest2x", [&] { return MeasurePixmanNearest2x(xrgbHalf); }},
    };
    for (const auto& [name, measure] : measures) {
        std::printf("%s %.2f\n", name, measure());
        std::fflush(stdout);
    }
    return 0;
}

int WriteImage(const char* path)
{
    const std::vector<uint8_t> bgr = MakeImage(kSide);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bgr.data()), static_cast<std::streamsize>(bgr.size()));
    if (!file) {
        std::fprintf(stderr, "dibdraw_compare: cannot write %s\n", path);
        return 2;
    }
    return 0;
}

struct Summary {
    double median = 0;
    double spread = 0;  // (highest - lowest) / median
    size_t rounds = 0;
};

Summary Summarize(std::vector<double> values)
{
    Summary summary;
    if (values.empty()) {
        return summary;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    summary.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    summary.spread = (values.back() - values.front()) / summary.median;
    summary.rounds = n;
    return summary;
}

int Report(const char* path)
{
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "dibdraw_compare: cannot read %s\n", path);
        return 2;
    }
    std::map<std::string, std::vector<double>> samples;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string name;
        double value = 0;
        if (fields >> name >> value) {
            samples[name].push_back(value);
        }
    }
    int misses = 0;
    // The rounds ran in the same environment, so with the same kernels.
    std::printf("vector kernels: %s\n", dibdraw::ActiveKernels().name);
    std::printf("| case | ours Mpix/s | spread | peer | peer Mpix/s | spread | ratio | goal |\n");
    std::printf("|---|---:|---:|---|---:|---:|---:|---|\n");
    for (const Comparison& row : kComparisons) {
        const Summary ours = Summarize(samples[row.ours]);
        const Summary peer = Summarize(samples[row.peer]);
        const double ratio = peer.median > 0 ? ours.median / peer.median : 0;
        const bool missed = row.goal > 0 && ratio < row.goal;
        misses += missed ? 1 : 0;
        char goal[32] = "-";
        if (row.goal > 0) {
            std::snprintf(goal, sizeof goal, ">= %.2g %s", row.goal, missed ? "MISSED" : "met");
        }
        std::printf("| %s | %.0f | %.0f%% | %s | %.0f | %.0f%% | %.2f | %s |\n", row.title, ours.median,
                    100 * ours.spread, row.peerTitle, peer.median, 100 * peer.spread, ratio, goal);
    }
    std::printf("\n%d goal(s) missed\n", misses);
    return misses == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "image" && argc == 3) {
        return WriteImage(argv[2]);
    }
    if (command == "round" && argc == 2) {
        return Round();
    }
    if (command == "report" && argc == 3) {
        return Report(argv[2]);
    }
    std::fprintf(stderr, "usage: dibdraw_compare image <file> | round | report <samples>\n");
    return 2;
}
