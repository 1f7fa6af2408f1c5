// One expectation for both PNG codecs: these cases run against libpng on
// Linux and against the Windows Imaging Component under Wine. The inputs are
// assembled by stored_png.h, so that neither build needs a PNG library of
// its own to write them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/random.h"
#include "tool/stored_png.h"
#include "tools/image_file.h"
#include "tools/png_io.h"

using dibtool::DecodePng;
using dibtool::PackedDib;
using dibtool::PngImage;
using tooltest::StoredPng;

namespace {

constexpr COLORREF kBackground = RGB(250, 7, 130);
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A sample of `depth` bits scaled to 8 bits with rounding.
uint32_t To8(uint32_t sample, int depth)
{
    return static_cast<uint32_t>(std::lround(sample * 255.0 / ((1u << depth) - 1)));
}

uint32_t Composite(uint32_t alpha, uint32_t colour, uint32_t background)
{
    return (alpha * colour + (255 - alpha) * background + 127) / 255;
}

struct DecodeCase {
    const char* name;
    int colorType;
    int bitDepth;
    int paletteSize;
    uint32_t sampleLimit;  // small where a transparent colour must be hit
    std::vector<uint32_t> transparency;  // palette alphas, or the transparent colour's samples
    int dibBits;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

const DecodeCase kDecodeCases[] = {
    {"Palette1", tooltest::kPngPalette, 1, 2, 1, {}, 1},
    {"Palette2", tooltest::kPngPalette, 2, 4, 3, {}, 4},
    {"Palette2ShortTable", tooltest::kPngPalette, 2, 3, 2, {}, 4},
    {"Palette4", tooltest::kPngPalette, 4, 16, 15, {}, 4},
    {"Palette4ShortTable", tooltest::kPngPalette, 4, 9, 8, {}, 4},
    {"Palette8", tooltest::kPngPalette, 8, 256, 255, {}, 8},
    {"Palette8ShortTable", tooltest::kPngPalette, 8, 200, 199, {}, 8},
    {"PaletteWithTransparency", tooltest::kPngPalette, 8, 5, 4, {0, 128, 255, 1}, 8},
    {"Grey1", tooltest::kPngGrey, 1, 0, 1, {}, 8},
    {"Grey2", tooltest::kPngGrey, 2, 0, 3, {}, 8},
    {"Grey4", tooltest::kPngGrey, 4, 0, 15, {}, 8},
    {"Grey8", tooltest::kPngGrey, 8, 0, 255, {}, 8},
    {"Grey16", tooltest::kPngGrey, 16, 0, 65535, {}, 8},
    {"Rgb8", tooltest::kPngRgb, 8, 0, 255, {}, 24},
    {"Rgb16", tooltest::kPngRgb, 16, 0, 65535, {}, 24},
    {"GreyAlpha8", tooltest::kPngGreyAlpha, 8, 0, 255, {}, 24},
    {"GreyAlpha16", tooltest::kPngGreyAlpha, 16, 0, 65535, {}, 24},
    {"RgbAlpha8", tooltest::kPngRgba, 8, 0, 255, {}, 24},
    {"RgbAlpha16", tooltest::kPngRgba, 16, 0, 65535, {}, 24},
    {"GreyTransparentColour", tooltest::kPngGrey, 4, 0, 2, {1}, 24},
    {"RgbTransparentColour", tooltest::kPngRgb, 8, 0, 1, {1, 0, 1}, 24},
};

// The case's file at one width, with its samples (one row of width x
// channels values each) and palette.
struct Sample {
    StoredPng png;
    std::vector<std::vector<uint32_t>> samples;
};

Sample MakeSample(const DecodeCase& c, int width, uint64_t seed)
{
    testsupport::Random random(seed);
    Sample sample;
    StoredPng& png = sample.png;
    png.width = static_cast<uint32_t>(width);
    png.height = 3;
    png.bitDepth = c.bitDepth;
    png.colorType = c.colorType;
    for (int i = 0; i < 3 * c.paletteSize; ++i) {
        png.palette.push_back(random.Byte());
    }
    for (uint32_t value : c.transparency) {
        if (c.colorType != tooltest::kPngPalette) {
            png.transparency.push_back(static_cast<uint8_t>(value >> 8));
        }
        png.transparency.push_back(static_cast<uint8_t>(value));
    }
    for (uint32_t y = 0; y < png.height; ++y) {
        std::vector<uint32_t> row;
        for (int i = 0; i < width * tooltest::ChannelsOf(c.colorType); ++i) {
            row.push_back(static_cast<uint32_t>(random.Next() % (uint64_t{c.sampleLimit} + 1)));
        }
        png.rows.push_back(tooltest::PackSamples(row, c.bitDepth));
        sample.samples.push_back(std::move(row));
    }
    return sample;
}

// Colour-table entry i as 0xRRGGBB: a palette entry composited over the
// background with its tRNS alpha, a grey level, or black past the palette.
uint32_t ExpectedTableColor(const DecodeCase& c, const StoredPng& png, int i)
{
    if (c.colorType != tooltest::kPngPalette) {
        return static_cast<uint32_t>(i) * 0x010101u;
    }
    if (i >= c.paletteSize) {
        return 0;
    }
    const size_t at = static_cast<size_t>(i);
    const uint32_t alpha = at < c.transparency.size() ? c.transparency[at] : 255;
    return Composite(alpha, png.palette[3 * at], GetRValue(kBackground)) << 16 |
           Composite(alpha, png.palette[3 * at + 1], GetGValue(kBackground)) << 8 |
           Composite(alpha, png.palette[3 * at + 2], GetBValue(kBackground));
}

// Pixel (x, y) of the DIB: the index, the grey level, or 0xRRGGBB with alpha
// composited over the background.
uint32_t ExpectedPixel(const DecodeCase& c, const std::vector<uint32_t>& row, int x)
{
    const size_t channels = static_cast<size_t>(tooltest::ChannelsOf(c.colorType));
    const uint32_t* s = row.data() + static_cast<size_t>(x) * channels;
    if (c.colorType == tooltest::kPngPalette) {
        return s[0];
    }
    if (c.dibBits == 8) {
        return To8(s[0], c.bitDepth);
    }
    const bool colour = channels >= 3;
    uint32_t alpha = 255;
    if (channels == 2 || channels == 4) {
        alpha = To8(s[channels - 1], c.bitDepth);
    } else if (!c.transparency.empty() && std::equal(s, s + channels, c.transparency.begin())) {
        alpha = 0;
    }
    const uint32_t background[3] = {GetRValue(kBackground), GetGValue(kBackground), GetBValue(kBackground)};
    uint32_t pixel = 0;
    for (int k = 0; k < 3; ++k) {
        pixel = pixel << 8 | Composite(alpha, To8(s[colour ? k : 0], c.bitDepth), background[k]);
    }
    return pixel;
}

class PngDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(PngDecode, GivesTheClosestDibWithTransparencyComposited)
{
    const DecodeCase& c = GetParam();
    for (int width : {1, 13}) {
        const uint64_t seed = static_cast<uint64_t>(width) * 1000 + static_cast<uint64_t>(&c - kDecodeCases);
        const Sample sample = MakeSample(c, width, seed);
        const std::string context = std::string(c.name) + ", width " + std::to_string(width) + ", seed " +
                                    std::to_string(seed);
        PackedDib image;
        ASSERT_EQ(DecodePng(sample.png.Encode(), image, kBackground), "") << context;
        ASSERT_EQ(image.width(), width) << context;
        ASSERT_EQ(image.height(), 3) << context;
        ASSERT_EQ(image.bits(), c.dibBits) << context;
        for (int i = 0; i < image.colorCount(); ++i) {
            ASSERT_EQ(image.TableColor(i), ExpectedTableColor(c, sample.png, i)) << context << ": colour " << i;
            ASSERT_EQ(image.colors()[i].rgbReserved, 0) << context << ": colour " << i;
        }
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(image.Pixel(x, y), ExpectedPixel(c, sample.samples[static_cast<size_t>(y)], x))
                    << context << ": pixel (" << x << ", " << y << ")";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PngDecode, testing::ValuesIn(kDecodeCases),
                         [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

std::vector<uint8_t> SmallRgb()
{
    return MakeSample(DecodeCase{"", tooltest::kPngRgb, 8, 0, 255, {}, 24}, 16, 400).png.Encode();
}

struct BadPng {
    const char* name;
    std::vector<uint8_t> (*bytes)();
    const char* problem;
};

void PrintTo(const BadPng& c, std::ostream* os) { *os << c.name; }

const BadPng kBadPngs[] = {
    {"NotASignature", [] { return std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}; },
     "not a PNG file"},
    {"SignatureOnly", [] { return std::vector<uint8_t>(std::begin(kSignature), std::end(kSignature)); },
     "invalid PNG"},
    {"CutInTheImageData",
     [] {
         std::vector<uint8_t> bytes = SmallRgb();
         bytes.resize(bytes.size() / 2);
         return bytes;
     },
     "invalid PNG"},
    {"HeaderChecksumWrong",
     [] {
         std::vector<uint8_t> bytes = SmallRgb();
         bytes[16 + 3] ^= 0x01;  // the width, covered by the IHDR checksum
         return bytes;
     },
     "invalid PNG"},
    {"TooWide",
     [] {
         StoredPng png;
         png.width = 40000;
         png.height = 1;
         png.bitDepth = 1;
         png.colorType = tooltest::kPngGrey;
         png.rows = {std::vector<uint8_t>(5000, 0)};
         return png.Encode();
     },
     "size 40000x1 is too large (at most 32768 pixels on a side)"},
};

class BadPngFile : public testing::TestWithParam<BadPng> {};

TEST_P(BadPngFile, IsRefusedWithItsProblem)
{
    PackedDib image;
    const std::string problem = DecodePng(GetParam().bytes(), image);
    EXPECT_NE(problem.find(GetParam().problem), std::string::npos) << "message: '" << problem << "'";
    EXPECT_TRUE(image.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, BadPngFile, testing::ValuesIn(kBadPngs),
                         [](const testing::TestParamInfo<BadPng>& info) { return info.param.name; });

// Writes the picture and reads the file back. The file is named after the
// test, since ctest runs tests side by side.
std::vector<uint8_t> WrittenFile(const PngImage& picture, const std::string& context)
{
    const std::string path = testing::TempDir() + "dibdraw_png_codec_" +
                             testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
    std::vector<uint8_t> bytes;
    const std::string written = dibtool::WritePng(path, picture);
    EXPECT_EQ(written, "") << context;
    if (written.empty()) {
        EXPECT_EQ(dibtool::ReadWholeFile(path, bytes), "") << context;
    }
    std::remove(path.c_str());
    return bytes;
}

TEST(PngWrite, IndexedPicturesReadBackWithTheirPaletteAndIndices)
{
    struct Layout {
        int bits;
        int entries;
        int dibBits;
    };
    const Layout kLayouts[] = {{1, 2, 1}, {2, 4, 4}, {2, 3, 4}, {4, 16, 4}, {4, 11, 4}, {8, 256, 8}, {8, 100, 8}};
    uint64_t seed = 600;
    for (const Layout& layout : kLayouts) {
        for (int width : {1, 13, 33}) {
            testsupport::Random random(++seed);
            std::vector<PALETTEENTRY> palette;
            for (int i = 0; i < layout.entries; ++i) {
                palette.push_back(PALETTEENTRY{random.Byte(), random.Byte(), random.Byte(), 0});
            }
            std::vector<uint8_t> indices;
            for (int i = 0; i < width * 4; ++i) {
                indices.push_back(static_cast<uint8_t>(random.Between(0, layout.entries - 1)));
            }
            const std::string context = std::to_string(layout.bits) + " bits, " + std::to_string(layout.entries) +
                                        " entries, width " + std::to_string(width) + ", seed " + std::to_string(seed);
            const std::vector<uint8_t> file =
                WrittenFile(PngImage::Indexed(width, 4, layout.bits, indices, palette), context);
            PackedDib image;
            ASSERT_EQ(DecodePng(file, image), "") << context;
            ASSERT_EQ(image.bits(), layout.dibBits) << context;
            ASSERT_EQ(image.width(), width) << context;
            for (int i = 0; i < layout.entries; ++i) {
                const PALETTEENTRY& e = palette[static_cast<size_t>(i)];
                ASSERT_EQ(image.TableColor(i), uint32_t{e.peRed} << 16 | uint32_t{e.peGreen} << 8 | e.peBlue)
                    << context << ": colour " << i;
            }
            for (int i = 0; i < width * 4; ++i) {
                ASSERT_EQ(image.Pixel(i % width, i / width), indices[static_cast<size_t>(i)])
                    << context << ": pixel (" << i % width << ", " << i / width << ")";
            }
        }
    }
}

TEST(PngWrite, RgbPicturesReadBackUnchanged)
{
    testsupport::Random random(700);
    const int width = 37;
    const int height = 5;
    const std::vector<uint8_t> rgb = random.Bytes(static_cast<size_t>(width * height * 3));
    PackedDib image;
    ASSERT_EQ(DecodePng(WrittenFile(PngImage::Rgb(width, height, rgb), "RGB"), image), "");
    ASSERT_EQ(image.bits(), 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = rgb.data() + 3 * static_cast<size_t>(y * width + x);
            ASSERT_EQ(image.Pixel(x, y), uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2])
                << "pixel (" << x << ", " << y << ")";
        }
    }
}

// Screens repeat themselves; a file no smaller than its pixels was not
// compressed.
TEST(PngWrite, FilesAreCompressedPng)
{
    const int width = 96;
    const int height = 64;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> indices;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rgb.insert(rgb.end(), {static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 4), 90});
            indices.push_back(static_cast<uint8_t>(x / 8 + y / 16));
        }
    }
    const std::vector<PALETTEENTRY> palette(256, PALETTEENTRY{1, 2, 3, 0});
    const struct {
        const char* name;
        PngImage picture;
    } kPictures[] = {{"RGB", PngImage::Rgb(width, height, rgb)},
                     {"8-bit indexed", PngImage::Indexed(width, height, 8, indices, palette)}};
    for (const auto& [name, picture] : kPictures) {
        const std::vector<uint8_t> file = WrittenFile(picture, name);
        const size_t pixelBytes = picture.RowBytes() * static_cast<size_t>(height);
        ASSERT_GE(file.size(), sizeof kSignature) << name;
        EXPECT_TRUE(std::equal(std::begin(kSignature), std::end(kSignature), file.begin())) << name;
        EXPECT_LT(file.size(), pixelBytes / 4) << name << ": " << pixelBytes << " bytes of pixels";
    }
}

TEST(PngWrite, APaletteTheIndicesCannotReachIsRefused)
{
    const std::vector<PALETTEENTRY> palette(3, PALETTEENTRY{9, 8, 7, 0});
    const std::string path = testing::TempDir() + "dibdraw_png_palette_test.png";
    const std::string problem = dibtool::WritePng(path, PngImage::Indexed(4, 1, 1, {0, 1, 0, 1}, palette));
    std::remove(path.c_str());
    EXPECT_EQ(problem.rfind("cannot write the PNG: ", 0), 0u) << problem;
}

TEST(PngWrite, UnwritablePathIsReported)
{
    const std::string path = testing::TempDir() + "dibdraw-no-such-directory/x.png";
    const std::string problem = dibtool::WritePng(path, PngImage::Rgb(1, 1, {0, 0, 0}));
    EXPECT_EQ(problem.rfind("cannot create the file: ", 0), 0u) << problem;
}

}  // namespace
