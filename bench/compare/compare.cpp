// Side-by-side throughput of dibdraw32 and its peers (Pillow, pixman, memcpy
// and a byte-table loop) on the 24-bit image of bench_image.h, at a size given
// on the command line.
//
//   dibdraw_compare image W H FILE   writes the image as raw blue-green-red
//                                    rows, top row first
//   dibdraw_compare round W H REPS [MEASURE]
//                                    measures every case of ours and of the C
//                                    peers once, interleaved, one line each:
//                                    "<W>x<H> <measure> <megapixels per second>";
//                                    a measure does its work REPS times; with
//                                    MEASURE, only that one (for profiling)
//   dibdraw_compare eviction         prints the bytes every timed run writes
//                                    through first (bench_timing.h), for the
//                                    Pillow side to do the same
//   dibdraw_compare report FILE [LABEL]
//                                    reads the lines of all rounds (Pillow's
//                                    and the Windows program's included) and
//                                    prints, for each size, one table per kind
//                                    of work, its title led by LABEL: medians,
//                                    spreads, ratios, goals; exits 1 when a
//                                    goal is missed
//
// compare.sh drives them; see there.
#include <pixman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_image.h"
#include "bench/bench_timing.h"
#include "convert/converters.h"
#include "convert/kernels.h"
#include "dibdraw32/VyrBlitter.h"
#include "palette/tables.h"
#include "vdisplay/vdisplay.h"
#include "support/converter_named.h"

namespace {

struct Size {
    int width;
    int height;
    double pixels() const { return double(width) * height; }
    bool operator==(const Size&) const = default;
};

// What both sides of a comparison write.
enum class Work {
    WholeImage,  // every pixel of a destination the size of the image
    OneRow,      // every row of the image, each into the same one-row buffer
    Window,      // the whole image onto a window of a real GDI (Wine)
};

struct Goal {
    double ratio = 0;       // 0: reported, no goal
    double largeRatio = 0;  // from 4096 x 4096 on, where it differs
    bool onTime = false;    // ours may take at most `ratio` times the peer's time
};

// One row of a printed table: our measure against a peer's.
struct Comparison {
    Work work;
    const char* title;
    const char* ours;
    const char* peer;
    const char* peerTitle;
    Goal goal;
};

const Comparison kComparisons[] = {
    {Work::WholeImage, "24->24 unscaled, 32-bit display", "copy24_blit", "memcpy", "memcpy of the source",
     {0.6, 0.8}},
    {Work::WholeImage, "the display alone: StretchDIBits of the 24-bit image", "display24_alone", "memcpy",
     "memcpy of the source", {}},
    {Work::WholeImage, "24->24 2x enlargement, 32-bit display", "scale24_blit", "pixman_nearest2x",
     "pixman nearest 2x", {1.0}},
    {Work::WholeImage, "8->8 mapped, palette mode 2, image in the display's colours", "mapped8_blit",
     "byte_table_image", "byte-table loop", {1.0}},
    {Work::WholeImage, "the display alone: StretchDIBits of the 8-bit image", "display8_alone",
     "byte_table_image", "byte-table loop", {}},
    {Work::WholeImage, "24->8 Floyd-Steinberg, fixed palette realized", "fs8_realized_blit", "pil_p_fs",
     "Pillow P WEB FS", {3.0}},
    {Work::WholeImage, "24->8 Floyd-Steinberg, display as it starts", "fs8_start_blit", "pil_p_fs",
     "Pillow P WEB FS", {2.0}},
    {Work::WholeImage, "24->1 Floyd-Steinberg", "fs1_blit", "pil_1_fs", "Pillow 1 FS", {3.0}},
    {Work::WholeImage, "24->8 undithered, fixed palette realized", "none8_realized_blit", "pil_p_none",
     "Pillow P WEB none", {2.0}},
    {Work::WholeImage, "24->1 threshold", "none1_blit", "pil_1_none", "Pillow 1 none", {2.0}},
    {Work::WholeImage, "24->8 ordered, fixed palette realized", "ordered8_realized_blit", "pixman_c8_image",
     "pixman 8888->c8", {1.5}},
    {Work::OneRow, "8->8 mapped converter", "mapped8_convert", "byte_table_row", "byte-table loop", {}},
    {Work::OneRow, "24->8 ordered converter", "ordered8_convert", "pixman_c8_row", "pixman 8888->c8", {}},
    {Work::Window, "VyrBlit, 24-bit image unscaled", "vyrblit_window", "stretchdibits_window",
     "StretchDIBits", {1.3, 0, true}},
};

void Fail(const std::string& message)
{
    std::fprintf(stderr, "dibdraw_compare: %s\n", message.c_str());
    std::exit(2);
}

using benchtiming::Rate;
using Dib = dibkit::PackedDib;

// The virtual display draws with vectors no wider than the library's kernel
// set, so that a table of a narrower set shows what a machine of that set
// pays for the display too.
vd::Vectors DisplayVectors()
{
    const std::string set = dibdraw::ActiveKernels().name;
    return set == "avx512" ? vd::Vectors::Avx512 : set == "avx2" ? vd::Vectors::Avx2 : vd::Vectors::Sse2;
}

void ConfigureScreen(const Size& size, vd::Kind kind)
{
    vd::Config config;
    config.kind = kind;
    config.width = size.width;
    config.height = size.height;
    config.widestVectors = DisplayVectors();
    vd::Configure(config);
    vd::FillScreen(0);  // touches every page of the framebuffer before timing
}

// The 256-colour display's system palette before anyone realizes one.
std::vector<RGBQUAD> StartingSystemPalette()
{
    ConfigureScreen({16, 16}, vd::Kind::Palette8);
    std::vector<RGBQUAD> table;
    for (const PALETTEENTRY& entry : vd::SystemPalette()) {
        table.push_back(RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0});
    }
    return table;
}

std::vector<uint32_t> ToXrgb(const std::vector<uint8_t>& bgr)
{
    std::vector<uint32_t> xrgb(bgr.size() / 3);
    for (size_t i = 0; i < xrgb.size(); ++i) {
        xrgb[i] = 0xFF000000u | (uint32_t(bgr[3 * i + 2]) << 16) | (uint32_t(bgr[3 * i + 1]) << 8) | bgr[3 * i];
    }
    return xrgb;
}

// Everything a round draws, made before anything is timed.
struct Images {
    Size size;
    Size half;
    std::vector<uint8_t> bgr;
    std::vector<uint8_t> indices;  // one byte a pixel, for the 8-bit cases
    std::vector<uint8_t> halfBgr;  // the source of the 2x enlargement
    std::vector<uint32_t> xrgb;
    std::vector<uint32_t> halfXrgb;
    Dib dib24;
    Dib dib8;  // its colour table the system palette the display starts with
    Dib halfDib24;

    explicit Images(const Size& imageSize)
        : size(imageSize), half{imageSize.width / 2, imageSize.height / 2},
          bgr(benchimage::MakeRows(size.width, size.height)), indices(bgr.size() / 3),
          halfBgr(benchimage::MakeRows(half.width, half.height)), xrgb(ToXrgb(bgr)), halfXrgb(ToXrgb(halfBgr))
    {
        for (size_t i = 0; i < indices.size(); ++i) {
            indices[i] = static_cast<uint8_t>(bgr[3 * i + 1] % 247);
        }
        dib24 = benchimage::MakeDib(bgr, size.width, size.height, 24);
        dib8 = benchimage::MakeDib(indices, size.width, size.height, 8, StartingSystemPalette());
        halfDib24 = benchimage::MakeDib(halfBgr, half.width, half.height, 24);
    }
};

// 0xRRGGBB a pixel of the screen must show, or no check where dithering
// decides.
using Expected = std::function<uint32_t(int x, int y)>;

// A blit that drew nothing, or drew something else, is not measured: the
// screen must show the expected colours at a grid of points.
void CheckScreen(const char* what, const Size& size, const Expected& expected)
{
    for (int gy = 0; gy < 8; ++gy) {
        for (int gx = 0; gx < 8; ++gx) {
            const int x = (2 * gx + 1) * size.width / 16, y = (2 * gy + 1) * size.height / 16;
            const COLORREF shown = vd::ScreenColor(x, y);
            const uint32_t rgb = (shown & 0xFF) << 16 | (shown & 0xFF00) | (shown >> 16 & 0xFF);
            if (rgb != expected(x, y)) {
                char message[160];
                std::snprintf(message, sizeof message, "%s shows %06x at (%d, %d), not %06x", what, rgb, x, y,
                              expected(x, y));
                Fail(message);
            }
        }
    }
}

enum class Palette { AsItStarts, FixedRealized };

struct Screen {
    vd::Kind kind;
    Palette palette = Palette::AsItStarts;
};

// VyrBlit of the whole of `dib` onto the whole of a virtual display of
// `size`, the display's own work included.
double MeasureBlit(const char* what, const Size& size, int reps, const Screen& screen, int ditherMode,
                   int paletteMode, Dib& dib, const Expected& expected)
{
    ConfigureScreen(size, screen.kind);
    VyrBlitter blitter(ditherMode, paletteMode);
    const HWND window = vd::CreateWindow({0, 0, size.width, size.height});
    if (screen.palette == Palette::FixedRealized && blitter.VyrRealizeFixedPalette(window) != 0) {
        Fail(std::string(what) + ": VyrRealizeFixedPalette failed");
    }
    RECT src = {0, 0, dib.width(), dib.height()};
    RECT dst = {0, 0, size.width, size.height};
    short result = 0;
    const double rate = Rate(size.pixels(), reps, [&] {
        result = static_cast<short>(result | blitter.VyrBlit(window, dib.header(), &src, &dst));
        vd::ClearStretchCalls();
    });
    if (result != 0) {
        Fail(std::string(what) + ": VyrBlit failed");
    }
    if (expected) {
        CheckScreen(what, size, expected);
    }
    vd::DestroyWindow(window);
    return rate;
}

// The display's own StretchDIBits of the whole of `dib` onto the whole of a
// virtual display of `size`: what showing the image costs any program, and
// so the most a blit through the library can reach.
double MeasureDisplayAlone(const char* what, const Size& size, int reps, vd::Kind kind, const Dib& dib,
                           const Expected& expected)
{
    ConfigureScreen(size, kind);
    const HWND window = vd::CreateWindow({0, 0, size.width, size.height});
    const HDC dc = GetDC(window);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.header());
    int drawn = size.height;
    const double rate = Rate(size.pixels(), reps, [&] {
        drawn = std::min(drawn, StretchDIBits(dc, 0, 0, size.width, size.height, 0, 0, dib.width(), dib.height(),
                                              dib.pixels(), info, DIB_RGB_COLORS, SRCCOPY));
    });
    ReleaseDC(window, dc);
    if (drawn != size.height) {
        Fail(std::string(what) + ": StretchDIBits failed");
    }
    CheckScreen(what, size, expected);
    vd::DestroyWindow(window);
    return rate;
}

// Converts every row of an image with one converter into one output row, as
// the pipeline does before each row goes to its band.
double MeasureConverter(const Size& size, int reps, vd::Kind kind, BlitterFn converter, const uint8_t* rows,
                        size_t stride, const std::vector<RGBQUAD>& imageTable)
{
    ConfigureScreen(size, kind);
    VyrBlitter blitter(0, 0);
    for (int i = 0; i < 256; ++i) {
        blitter.m_colorMap[i] = static_cast<uint8_t>(i);
        blitter.m_systemPalette[3 * i] = dibdraw::kFixedPalette[i].rgbRed;
        blitter.m_systemPalette[3 * i + 1] = dibdraw::kFixedPalette[i].rgbGreen;
        blitter.m_systemPalette[3 * i + 2] = dibdraw::kFixedPalette[i].rgbBlue;
    }
    std::vector<uint8_t> imagePalette;
    for (const RGBQUAD& color : imageTable) {
        imagePalette.insert(imagePalette.end(), {color.rgbRed, color.rgbGreen, color.rgbBlue});
    }
    blitter.m_imagePalette = imagePalette.empty() ? nullptr : imagePalette.data();
    std::vector<uint8_t> out(3 * size_t(size.width) + 16, 0);
    const double rate = Rate(size.pixels(), reps, [&] {
        for (int y = 0; y < size.height; ++y) {
            converter(&blitter, rows + size_t(y) * stride, out.data(), size.width);
            ++blitter.m_rowCounter;
        }
    });
    blitter.m_imagePalette = nullptr;
    return rate;
}

// Where a peer writes: a destination the size of the image, or one row that
// every row of the image overwrites.
enum class Shape { WholeImage, OneRow };

int DestinationRows(const Size& size, Shape shape)
{
    return shape == Shape::WholeImage ? size.height : 1;
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

// pixman wants rows of whole 32-bit words; both sizes measured have them.
double MeasurePixmanC8(const Size& size, int reps, std::vector<uint32_t>& xrgb, Shape shape)
{
    static CubeIndexed cube;
    const int rows = DestinationRows(size, shape);
    std::vector<uint8_t> out(size_t(size.width) * rows, 1);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_x8r8g8b8, size.width, size.height, xrgb.data(),
                                                   size.width * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_c8, size.width, rows,
                                                   reinterpret_cast<uint32_t*>(out.data()), size.width);
    pixman_image_set_indexed(dst, &cube.table);
    const double rate = Rate(size.pixels(), reps, [&] {
        for (int y = 0; y < size.height; y += rows) {
            pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, y, 0, 0, 0, 0, size.width, rows);
        }
    });
    pixman_image_unref(dst);
    pixman_image_unref(src);
    return rate;
}

double MeasurePixmanNearest2x(const Size& size, int reps, std::vector<uint32_t>& halfXrgb)
{
    const Size half{size.width / 2, size.height / 2};
    std::vector<uint32_t> out(size_t(size.width) * size.height, 1);
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_x8r8g8b8, half.width, half.height, halfXrgb.data(), half.width * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, size.width, size.height, out.data(),
                                                   size.width * 4);
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
    pixman_image_set_transform(src, &scale);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    const double rate = Rate(size.pixels(), reps, [&] {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, size.width, size.height);
    });
    pixman_image_unref(dst);
    pixman_image_unref(src);
    return rate;
}

double MeasureMemcpy(const Size& size, int reps, const std::vector<uint8_t>& bgr)
{
    std::vector<uint8_t> out(bgr.size(), 1);
    const double rate = Rate(size.pixels(), reps, [&] { std::memcpy(out.data(), bgr.data(), bgr.size()); });
    if (out != bgr) {
        Fail("memcpy copied something else");
    }
    return rate;
}

// Unrolled by four, so that its speed does not hang on where the compiler
// happens to place a loop of six instructions: across a 64-byte boundary
// the plain loop ran at half the speed (1.7 against 3.3 Gpix/s here).
void TranslateRow(const uint8_t* in, uint8_t* out, int count, const uint8_t* table)
{
#pragma GCC unroll 4
    for (int i = 0; i < count; ++i) {
        out[i] = table[in[i]];
    }
}

// The peer of the mapped converter and blit: a plain 256-entry table look-up
// of every byte.
double MeasureByteTable(const Size& size, int reps, const std::vector<uint8_t>& indices, Shape shape)
{
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<uint8_t>(255 - i);
    }
    const int rows = DestinationRows(size, shape);
    std::vector<uint8_t> out(size_t(size.width) * rows, 1);
    const double rate = Rate(size.pixels(), reps, [&] {
        for (int y = 0; y < size.height; ++y) {
            const size_t row = size_t(y) * size.width;
            TranslateRow(indices.data() + row, out.data() + (shape == Shape::WholeImage ? row : 0), size.width,
                         table);
        }
    });
    const size_t last = out.size() - 1;
    if (out[last] != table[indices[indices.size() - 1]]) {
        Fail("the byte-table loop translated something else");
    }
    return rate;
}

int Round(const Size& size, int reps, const std::string& only)
{
    Images images(size);
    using vd::Kind;
    const Screen rgb32{Kind::Rgb32};
    const Screen mono{Kind::Mono};
    const Screen palette8{Kind::Palette8};
    const Screen fixedPalette8{Kind::Palette8, Palette::FixedRealized};
    auto blit = [&](const char* name, const Screen& screen, int ditherMode, int paletteMode, Dib& dib,
                    Expected expected = {}) {
        return [&, name, screen, ditherMode, paletteMode, expected] {
            return MeasureBlit(name, size, reps, screen, ditherMode, paletteMode, dib, expected);
        };
    };
    auto alone = [&](const char* name, Kind kind, const Dib& dib, Expected expected) {
        return [&, name, kind, expected] { return MeasureDisplayAlone(name, size, reps, kind, dib, expected); };
    };
    auto wholePixel = [&](int x, int y) { return images.dib24.Color(x, y); };
    auto enlargedPixel = [&](int x, int y) { return images.halfDib24.Color(x / 2, y / 2); };
    auto mappedPixel = [&](int x, int y) { return images.dib8.Color(x, y); };
    auto convert = [&](BlitterFn converter, const std::vector<uint8_t>& rows, size_t stride,
                       std::vector<RGBQUAD> table) {
        return [&, converter, stride, table] {
            return MeasureConverter(size, reps, Kind::Palette8, converter, rows.data(), stride, table);
        };
    };
    auto pixmanC8 = [&](Shape shape) {
        return [&, shape] { return MeasurePixmanC8(size, reps, images.xrgb, shape); };
    };
    auto byteTable = [&](Shape shape) {
        return [&, shape] { return MeasureByteTable(size, reps, images.indices, shape); };
    };
    const std::vector<RGBQUAD> startTable(images.dib8.colors(), images.dib8.colors() + 256);

    // Ours and the peers alternate, so that a slow moment of the machine hits
    // both.
    const std::vector<std::pair<const char*, std::function<double()>>> measures = {
        {"memcpy", [&] { return MeasureMemcpy(size, reps, images.bgr); }},
        {"copy24_blit", blit("24->24 blit", rgb32, 0, 0, images.dib24, wholePixel)},
        {"pixman_nearest2x", [&] { return MeasurePixmanNearest2x(size, reps, images.halfXrgb); }},
        {"scale24_blit", blit("24->24 2x blit", rgb32, 0, 0, images.halfDib24, enlargedPixel)},
        {"byte_table_image", byteTable(Shape::WholeImage)},
        {"mapped8_blit", blit("8->8 mapped blit", palette8, 0, 2, images.dib8, mappedPixel)},
        {"display8_alone", alone("8-bit StretchDIBits", Kind::Palette8, images.dib8, mappedPixel)},
        {"display24_alone", alone("24-bit StretchDIBits", Kind::Rgb32, images.dib24, wholePixel)},
        {"fs8_realized_blit", blit("24->8 FS blit", fixedPalette8, 2, 0, images.dib24)},
        {"fs8_start_blit", blit("24->8 FS blit", palette8, 2, 0, images.dib24)},
        {"fs1_blit", blit("24->1 FS blit", mono, 2, 0, images.dib24)},
        {"none8_realized_blit", blit("24->8 undithered blit", fixedPalette8, 1, 0, images.dib24)},
        {"none1_blit", blit("24->1 threshold blit", mono, 1, 0, images.dib24)},
        {"pixman_c8_image", pixmanC8(Shape::WholeImage)},
        {"ordered8_realized_blit", blit("24->8 ordered blit", fixedPalette8, 0, 0, images.dib24)},
        {"byte_table_row", byteTable(Shape::OneRow)},
        {"mapped8_convert",
         convert(testsupport::Converter("Blit8To8Mapped"), images.indices, size_t(size.width), startTable)},
        {"pixman_c8_row", pixmanC8(Shape::OneRow)},
        {"ordered8_convert", convert(testsupport::Converter("Blit24To8Mode0"), images.bgr, 3 * size_t(size.width), {})},
    };
    bool measured = false;
    for (const auto& [name, measure] : measures) {
        if (!only.empty() && only != name) {
            continue;
        }
        measured = true;
        std::printf("%dx%d %s %.2f\n", size.width, size.height, name, measure());
        std::fflush(stdout);
    }
    if (!measured) {
        Fail("no measure is named " + only);
    }
    return 0;
}

int WriteImage(const Size& size, const char* path)
{
    const std::vector<uint8_t> bgr = benchimage::MakeRows(size.width, size.height);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bgr.data()), static_cast<std::streamsize>(bgr.size()));
    if (!file) {
        Fail(std::string("cannot write ") + path);
    }
    return 0;
}

struct Summary {
    double median = 0;
    double spread = 0;  // (highest - lowest) / median
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
    return summary;
}

using Samples = std::map<std::string, std::vector<double>>;

std::string TableTitle(Work work, const Size& size)
{
    char title[320];
    const int w = size.width, h = size.height;
    switch (work) {
    case Work::WholeImage:
        std::snprintf(title, sizeof title,
                      "%d x %d, whole image: both sides write a whole %d x %d destination (ours: VyrBlit onto a "
                      "virtual display of that size)",
                      w, h, w, h);
        break;
    case Work::OneRow:
        std::snprintf(title, sizeof title,
                      "%d x %d, one row: both sides convert all %d rows, each into the same one-row buffer (ours: "
                      "the converter alone, no blit)",
                      w, h, h);
        break;
    case Work::Window:
        std::snprintf(title, sizeof title,
                      "%d x %d, whole image onto a window: VyrBlit against StretchDIBits of the whole image, both "
                      "from the window handle onto the same window",
                      w, h);
        break;
    }
    return title;
}

// Prints the table of one kind of work at one size; returns the goals
// missed, or -1 when no comparison of that kind was measured.
int PrintTable(Work work, const Size& size, Samples& samples, const std::string& label)
{
    const std::string prefix = std::to_string(size.width) + "x" + std::to_string(size.height) + " ";
    auto measured = [&](const char* name) { return !samples[prefix + name].empty(); };
    const bool any = std::any_of(std::begin(kComparisons), std::end(kComparisons), [&](const Comparison& row) {
        return row.work == work && measured(row.ours) && measured(row.peer);
    });
    if (!any) {
        return -1;
    }
    const bool onTime = work == Work::Window;
    std::printf("\n%s%s\n\n", label.empty() ? "" : (label + ": ").c_str(), TableTitle(work, size).c_str());
    std::printf("| case | ours Mpix/s | spread | peer | peer Mpix/s | spread | %s | goal |\n",
                onTime ? "time ours/peer" : "ratio ours/peer");
    std::printf("|---|---:|---:|---|---:|---:|---:|---|\n");
    int misses = 0;
    for (const Comparison& row : kComparisons) {
        if (row.work != work || !measured(row.ours) || !measured(row.peer)) {
            continue;
        }
        const Summary ours = Summarize(samples[prefix + row.ours]);
        const Summary peer = Summarize(samples[prefix + row.peer]);
        const double ratio = row.goal.onTime ? peer.median / ours.median : ours.median / peer.median;
        const double large = size.pixels() >= 4096.0 * 4096.0 ? row.goal.largeRatio : 0;
        const double target = large > 0 ? large : row.goal.ratio;
        char goal[48] = "no goal";
        if (target > 0) {
            const bool missed = row.goal.onTime ? ratio > target : ratio < target;
            misses += missed ? 1 : 0;
            std::snprintf(goal, sizeof goal, "%s %.2g: %s", row.goal.onTime ? "<=" : ">=", target,
                          missed ? "MISSED" : "met");
        }
        std::printf("| %s | %.0f | %.0f%% | %s | %.0f | %.0f%% | %.2f | %s |\n", row.title, ours.median,
                    100 * ours.spread, row.peerTitle, peer.median, 100 * peer.spread, ratio, goal);
    }
    return misses;
}

int Report(const char* path, const std::string& label)
{
    std::ifstream file(path);
    if (!file) {
        Fail(std::string("cannot read ") + path);
    }
    Samples samples;
    std::vector<Size> sizes;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string size, name;
        double value = 0;
        Size parsed{};
        if (fields >> size >> name >> value && std::sscanf(size.c_str(), "%dx%d", &parsed.width, &parsed.height) == 2) {
            samples[size + " " + name].push_back(value);
            if (std::find(sizes.begin(), sizes.end(), parsed) == sizes.end()) {
                sizes.push_back(parsed);
            }
        }
    }
    int misses = 0;
    for (const Size& size : sizes) {
        for (Work work : {Work::WholeImage, Work::OneRow, Work::Window}) {
            misses += std::max(0, PrintTable(work, size, samples, label));
        }
    }
    std::printf("\n%d goal(s) missed\n", misses);
    return misses == 0 ? 0 : 1;
}

bool ParseSize(const char* width, const char* height, Size& size)
{
    size = {std::atoi(width), std::atoi(height)};
    // Whole 32-bit words in every 8-bit row, and an even size to halve.
    return size.width >= 16 && size.height >= 16 && size.width % 4 == 0 && size.height % 2 == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    Size size{};
    if (command == "image" && argc == 5 && ParseSize(argv[2], argv[3], size)) {
        return WriteImage(size, argv[4]);
    }
    if (command == "round" && (argc == 5 || argc == 6) && ParseSize(argv[2], argv[3], size) &&
        std::atoi(argv[4]) > 0) {
        return Round(size, std::atoi(argv[4]), argc == 6 ? argv[5] : "");
    }
    if (command == "kernels" && argc == 2) {
        std::printf("%s\n", dibdraw::ActiveKernels().name);
        return 0;
    }
    if (command == "eviction" && argc == 2) {
        std::printf("%zu\n", benchtiming::EvictionBytes());
        return 0;
    }
    if (command == "report" && (argc == 3 || argc == 4)) {
        return Report(argv[2], argc == 4 ? argv[3] : "");
    }
    std::fprintf(stderr,
                 "usage: dibdraw_compare image W H FILE | round W H REPS [MEASURE] | kernels | eviction\n"
                 "       | report SAMPLES [LABEL]\n"
                 "  (W a multiple of 4 and H even, both at least 16)\n");
    return 2;
}
