// dibdraw_conformance: helpers of the Wine conformance cross-check
// (scripts/wine_crosscheck.sh).
//
//   dibdraw_conformance images DIR   writes the source images of the cross-check,
//                                    as BMP and some of them as PNG too
//   dibdraw_conformance compare A B  compares the colours of two screens (BMP or
//                                    PNG) pixel for pixel
//
// compare exits 0 when every pixel shows the same colour, 1 when they differ
// (naming the first difference and counting them), 2 when a file cannot be
// read.
#include <cstdio>
#include <string>
#include <vector>

#include "tool/stored_png.h"
#include "tools/image_file.h"
#include "tools/output_file.h"
#include "tools/packed_dib.h"
#include "tools/png_io.h"

namespace {

using dibtool::PackedDib;

// A fixed sequence, so that every run writes the same images.
class Sequence {
public:
    explicit Sequence(uint32_t seed) : m_state(seed) {}
    uint32_t Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    int Below(int limit) { return static_cast<int>(Next() % static_cast<uint32_t>(limit)); }
    uint8_t Byte() { return static_cast<uint8_t>(Next()); }

private:
    uint32_t m_state;
};

// The BMP file of a packed DIB: the file header, then the DIB as it is.
std::vector<uint8_t> BmpFileOf(const PackedDib& dib)
{
    const size_t dibBytes = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<size_t>(dib.colorCount()) +
                            dib.stride() * static_cast<size_t>(dib.height());
    const uint32_t offset = static_cast<uint32_t>(14 + dibBytes - dib.stride() * static_cast<size_t>(dib.height()));
    const uint32_t size = static_cast<uint32_t>(14 + dibBytes);
    std::vector<uint8_t> file = {'B', 'M'};
    for (uint32_t value : {size, 0u, offset}) {
        for (int shift = 0; shift < 32; shift += 8) {
            file.push_back(static_cast<uint8_t>(value >> shift));
        }
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(dib.header());
    file.insert(file.end(), bytes, bytes + dibBytes);
    return file;
}

// Two-colour images: checks, diagonals, single pixels and a solid block, so
// that scaling in both directions and the grey path meet every neighbourhood.
PackedDib TwoColour(uint32_t seed, RGBQUAD colour0, RGBQUAD colour1)
{
    PackedDib dib(45, 27, 1);
    dib.colors()[0] = colour0;
    dib.colors()[1] = colour1;
    Sequence random(seed);
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            uint32_t bit = 0;
            if (x < 12) {
                bit = ((x / 2) + (y / 2)) & 1;
            } else if (x < 24) {
                bit = (x + y) % 5 == 0;
            } else if (x < 36) {
                bit = random.Below(3) == 0;
            } else {
                bit = y > 6 && y < 20;
            }
            dib.SetPixel(x, y, bit);
        }
    }
    return dib;
}

PackedDib SixteenColour()
{
    PackedDib dib(39, 25, 4);
    const uint8_t kColours[16][3] = {
        {0, 0, 0},     {128, 0, 0},   {0, 128, 0},    {255, 255, 0},  {0, 0, 255},    {255, 0, 255},
        {0, 255, 255}, {255, 255, 255}, {90, 60, 30}, {200, 150, 100}, {30, 120, 200}, {250, 250, 200},
        {100, 100, 100}, {170, 40, 90}, {20, 200, 120}, {240, 128, 16},
    };
    for (int i = 0; i < 16; ++i) {
        dib.SetColor(i, kColours[i][0], kColours[i][1], kColours[i][2]);
    }
    Sequence random(4);
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            dib.SetPixel(x, y, y < 12 ? static_cast<uint32_t>((x / 3 + y / 4) % 16) : static_cast<uint32_t>(random.Below(16)));
        }
    }
    return dib;
}

// 256 colours: a random table with an index gradient and noise, so that
// realization has to drop colours and nearest matching is exercised.
PackedDib ManyColours()
{
    PackedDib dib(50, 34, 8);
    Sequence random(8);
    for (int i = 0; i < 256; ++i) {
        dib.SetColor(i, random.Byte(), random.Byte(), random.Byte());
    }
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            dib.SetPixel(x, y, y < 17 ? static_cast<uint32_t>((x * 5 + y * 3) & 255) : random.Byte());
        }
    }
    return dib;
}

// Few distinct colours in a full table, which fit beside the static colours
// and can be drawn by index translation.
PackedDib FewColours()
{
    PackedDib dib(50, 34, 8);
    Sequence random(88);
    uint8_t colours[24][3];
    for (auto& colour : colours) {
        colour[0] = random.Byte();
        colour[1] = random.Byte();
        colour[2] = random.Byte();
    }
    for (int i = 0; i < 256; ++i) {
        const uint8_t* c = colours[i % 24];
        dib.SetColor(i, c[0], c[1], c[2]);
    }
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            dib.SetPixel(x, y, static_cast<uint32_t>((x / 4 + (y / 3) * 7) % 24));
        }
    }
    return dib;
}

PackedDib GreyRamp()
{
    PackedDib dib(50, 34, 8);
    for (int i = 0; i < 256; ++i) {
        dib.SetColor(i, static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i));
    }
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            dib.SetPixel(x, y, static_cast<uint32_t>((x * 255 / 49 + y) & 255));
        }
    }
    return dib;
}

// Smooth gradients, noise and hard edges.
PackedDib TrueColour()
{
    PackedDib dib(57, 41, 24);
    Sequence random(24);
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            uint32_t r = static_cast<uint32_t>(x * 255 / 56);
            uint32_t g = static_cast<uint32_t>(y * 255 / 40);
            uint32_t b = static_cast<uint32_t>((x + y) * 255 / 96);
            if (y >= 28) {
                r = random.Byte();
                g = random.Byte();
                b = random.Byte();
            } else if (x >= 44) {
                r = g = b = ((x / 3 + y / 3) & 1) ? 250 : 10;
            }
            dib.SetPixel(x, y, r << 16 | g << 8 | b);
        }
    }
    return dib;
}

// A palette image with its table and depth, or a 24-bit image as RGB.
dibtool::PngImage PngOf(const PackedDib& dib)
{
    std::vector<uint8_t> samples;
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            const uint32_t pixel = dib.Pixel(x, y);
            if (dib.bits() == 24) {
                samples.insert(samples.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                               static_cast<uint8_t>(pixel)});
            } else {
                samples.push_back(static_cast<uint8_t>(pixel));
            }
        }
    }
    if (dib.bits() == 24) {
        return dibtool::PngImage::Rgb(dib.width(), dib.height(), std::move(samples));
    }
    std::vector<PALETTEENTRY> palette;
    for (int i = 0; i < dib.colorCount(); ++i) {
        const RGBQUAD& q = dib.colors()[i];
        palette.push_back(PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
    }
    return dibtool::PngImage::Indexed(dib.width(), dib.height(), dib.bits(), std::move(samples), std::move(palette));
}

// A 24-bit image as an RGBA PNG whose alpha falls from opaque at the left
// edge to transparent at the right, with a fully transparent bottom row.
std::vector<uint8_t> FadingPngOf(const PackedDib& dib)
{
    tooltest::StoredPng png;
    png.width = static_cast<uint32_t>(dib.width());
    png.height = static_cast<uint32_t>(dib.height());
    png.colorType = tooltest::kPngRgba;
    for (int y = 0; y < dib.height(); ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < dib.width(); ++x) {
            const uint32_t pixel = dib.Pixel(x, y);
            const int alpha = y == dib.height() - 1 ? 0 : 255 - x * 255 / (dib.width() - 1);
            row.insert(row.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                   static_cast<uint8_t>(pixel), static_cast<uint8_t>(alpha)});
        }
        png.rows.push_back(std::move(row));
    }
    return png.Encode();
}

int WriteImages(const std::string& directory)
{
    const struct {
        const char* name;
        PackedDib image;
        const char* pngName;  // a compressed PNG copy, or none
    } kImages[] = {
        // The library reads the colours of 1-bit images back from the
        // display through a compatible bitmap. On a 16-bit display Wine
        // makes that bitmap 5-5-5 instead of the display's 5-6-5, dropping
        // the lowest green bit (a deliberate difference, see the README), so
        // these colours have 5-6-5 greens that survive the trip: the
        // lowest of the 6 bits equals the highest.
        {"one.bmp", TwoColour(1, RGBQUAD{160, 64, 32, 0}, RGBQUAD{40, 196, 250, 0}), "one.png"},
        {"one_bw.bmp", TwoColour(2, RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}), nullptr},
        // Drawn with --transparent 0 and --transparent 1 respectively.
        {"one_clear0.bmp", TwoColour(3, RGBQUAD{0, 0, 0, 0}, RGBQUAD{30, 32, 200, 0}), nullptr},
        {"one_clear1.bmp", TwoColour(4, RGBQUAD{120, 10, 10, 0}, RGBQUAD{255, 255, 255, 0}), nullptr},
        {"four.bmp", SixteenColour(), "four.png"},
        {"eight.bmp", ManyColours(), "eight.png"},
        {"eight_few.bmp", FewColours(), nullptr},
        {"eight_grey.bmp", GreyRamp(), nullptr},
        {"true.bmp", TrueColour(), "true.png"},
    };
    const auto written = [&](const char* name, const std::string& problem) {
        if (!problem.empty()) {
            std::fprintf(stderr, "dibdraw_conformance: %s/%s: %s\n", directory.c_str(), name, problem.c_str());
        }
        return problem.empty();
    };
    for (const auto& [name, image, pngName] : kImages) {
        if (!written(name, dibtool::WriteBytes(directory + "/" + name, BmpFileOf(image))) ||
            (pngName != nullptr && !written(pngName, dibtool::WritePng(directory + "/" + pngName, PngOf(image))))) {
            return 2;
        }
    }
    return written("fading.png", dibtool::WriteBytes(directory + "/fading.png", FadingPngOf(TrueColour()))) ? 0 : 2;
}

uint32_t ColourAt(const PackedDib& dib, int x, int y)
{
    uint32_t value = dib.Pixel(x, y);
    if (dib.bits() <= 8) {
        const RGBQUAD& q = dib.colors()[value];
        value = static_cast<uint32_t>(q.rgbRed) << 16 | static_cast<uint32_t>(q.rgbGreen) << 8 | q.rgbBlue;
    }
    return value;
}

int Compare(const std::string& first, const std::string& second)
{
    PackedDib a;
    PackedDib b;
    for (const auto& [path, image] : {std::pair<const std::string&, PackedDib&>{first, a}, {second, b}}) {
        if (std::string problem = dibtool::LoadImageFile(path, image); !problem.empty()) {
            std::printf("%s: %s\n", path.c_str(), problem.c_str());
            return 2;
        }
    }
    if (a.width() != b.width() || a.height() != b.height()) {
        std::printf("the screens differ in size: %dx%d and %dx%d\n", a.width(), a.height(), b.width(), b.height());
        return 1;
    }
    long differences = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const uint32_t ca = ColourAt(a, x, y);
            const uint32_t cb = ColourAt(b, x, y);
            if (ca != cb && differences++ == 0) {
                std::printf("first difference at (%d, %d): %06X and %06X\n", x, y, static_cast<unsigned>(ca),
                            static_cast<unsigned>(cb));
            }
        }
    }
    if (differences != 0) {
        std::printf("%ld of %ld pixels differ\n", differences, static_cast<long>(a.width()) * a.height());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "images") {
        return WriteImages(args[1]);
    }
    if (args.size() == 3 && args[0] == "compare") {
        return Compare(args[1], args[2]);
    }
    std::fprintf(stderr, "usage: dibdraw_conformance images DIR\n       dibdraw_conformance compare A B\n");
    return 2;
}
