// The libpng build's PNG reader on files libpng wrote, with every filter and
// interlacing, and its writer's files as libpng reads them back. What both
// builds share is in png_codec_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "support/named_case.h"
#include "support/test_support.h"
#include "tool/indexed_png_check.h"
#include "tool/png_builder.h"
#include "tools/png_io.h"

using dibtool::DecodePng;
using dibtool::PackedDib;
using tooltest::EncodePng;
using tooltest::PngPicture;

namespace {

using testsupport::PrintTo;

PngPicture RandomSpec(int width, int height, int colorType, int bitDepth, uint64_t seed, int paletteSize = 0)
{
    testsupport::Random random(seed);
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colorType = colorType;
    picture.bitDepth = bitDepth;
    const int channels = tooltest::ChannelsOf(colorType);
    uint32_t limit = (1u << bitDepth) - 1;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < paletteSize; ++i) {
            picture.palette.push_back(png_color{random.Byte(), random.Byte(), random.Byte()});
        }
        limit = static_cast<uint32_t>(paletteSize - 1);
    }
    for (int y = 0; y < height; ++y) {
        std::vector<uint32_t> row;
        for (int i = 0; i < width * channels; ++i) {
            row.push_back(static_cast<uint32_t>(random.Between(0, static_cast<int>(limit))));
        }
        picture.samples.push_back(row);
    }
    return picture;
}

std::string Describe(const PngPicture& picture, uint64_t seed)
{
    return "seed " + std::to_string(seed) + ", colour type " + std::to_string(picture.colorType) + ", depth " +
           std::to_string(picture.bitDepth) + ", " + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
           (picture.interlaced ? ", interlaced" : "");
}

// A sample of `depth` bits scaled to 8 bits with rounding.
uint32_t To8(uint32_t sample, int depth)
{
    return static_cast<uint32_t>(std::lround(sample * 255.0 / ((1u << depth) - 1)));
}

// The DIB pixel a PNG pixel should become: the index for palette images, the
// grey level for grey images, 0xRRGGBB for colour images.
uint32_t ExpectedPixel(const PngPicture& picture, int x, int y)
{
    const auto& row = picture.samples[static_cast<size_t>(y)];
    const size_t at = static_cast<size_t>(x) * static_cast<size_t>(tooltest::ChannelsOf(picture.colorType));
    switch (picture.colorType) {
    case PNG_COLOR_TYPE_PALETTE:
        return row[at];
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return To8(row[at], picture.bitDepth);
    default:
        return To8(row[at], picture.bitDepth) << 16 | To8(row[at + 1], picture.bitDepth) << 8 |
               To8(row[at + 2], picture.bitDepth);
    }
}

void ExpectDecoded(const PngPicture& picture, int dibBits, const std::string& context)
{
    const std::vector<uint8_t> file = EncodePng(picture);
    ASSERT_FALSE(file.empty()) << context;
    PackedDib image;
    ASSERT_EQ(DecodePng(file, image), "") << context;
    const BITMAPINFOHEADER* h = image.header();
    ASSERT_EQ(h->biWidth, picture.width) << context;
    ASSERT_EQ(h->biHeight, picture.height) << context;
    ASSERT_EQ(h->biBitCount, dibBits) << context;
    EXPECT_EQ(h->biSize, 40u) << context;
    EXPECT_EQ(h->biPlanes, 1) << context;

    for (int i = 0; i < image.colorCount(); ++i) {
        const RGBQUAD& q = image.colors()[i];
        uint8_t r = 0, g = 0, b = 0;
        if (picture.colorType == PNG_COLOR_TYPE_PALETTE) {
            if (static_cast<size_t>(i) < picture.palette.size()) {
                r = picture.palette[static_cast<size_t>(i)].red;
                g = picture.palette[static_cast<size_t>(i)].green;
                b = picture.palette[static_cast<size_t>(i)].blue;
            }
        } else {
            r = g = b = static_cast<uint8_t>(i);
        }
        ASSERT_TRUE(q.rgbRed == r && q.rgbGreen == g && q.rgbBlue == b && q.rgbReserved == 0)
            << context << ": colour " << i << " is " << int(q.rgbRed) << "," << int(q.rgbGreen) << ","
            << int(q.rgbBlue) << "," << int(q.rgbReserved);
    }
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            ASSERT_EQ(image.Pixel(x, y), ExpectedPixel(picture, x, y))
                << context << ": pixel (" << x << ", " << y << ")";
        }
    }
}

TEST(PngRead, PaletteImagesKeepTheirIndicesAndPalette)
{
    struct Layout {
        int depth;
        int paletteSize;
        int dibBits;
    };
    const Layout kLayouts[] = {{1, 2, 1}, {2, 4, 4}, {2, 3, 4}, {4, 16, 4}, {4, 9, 4}, {8, 256, 8}, {8, 200, 8}};
    uint64_t seed = 0;
    for (const Layout& layout : kLayouts) {
        for (int width : {1, 3, 7, 8, 9, 17}) {
            const PngPicture picture = RandomSpec(width, 3, PNG_COLOR_TYPE_PALETTE, layout.depth, ++seed, layout.paletteSize);
            ExpectDecoded(picture, layout.dibBits, Describe(picture, seed));
        }
    }
}

TEST(PngRead, GreyImagesGetAnEightBitGreyTable)
{
    uint64_t seed = 100;
    for (int depth : {1, 2, 4, 8, 16}) {
        for (int width : {1, 5, 8, 13}) {
            const PngPicture picture = RandomSpec(width, 3, PNG_COLOR_TYPE_GRAY, depth, ++seed);
            ExpectDecoded(picture, 8, Describe(picture, seed));
        }
    }
}

TEST(PngRead, ColourImagesBecomeTwentyFourBit)
{
    uint64_t seed = 200;
    for (int depth : {8, 16}) {
        for (int width : {1, 2, 3, 4, 5, 11}) {
            const PngPicture picture = RandomSpec(width, 4, PNG_COLOR_TYPE_RGB, depth, ++seed);
            ExpectDecoded(picture, 24, Describe(picture, seed));
        }
    }
}

TEST(PngRead, InterlacedImagesDecodeLikePlainOnes)
{
    uint64_t seed = 300;
    for (int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_PALETTE}) {
        PngPicture picture = RandomSpec(19, 11, colorType, colorType == PNG_COLOR_TYPE_PALETTE ? 4 : 8, ++seed, 16);
        picture.interlaced = true;
        ExpectDecoded(picture, colorType == PNG_COLOR_TYPE_RGB ? 24 : colorType == PNG_COLOR_TYPE_GRAY ? 8 : 4,
                      Describe(picture, seed));
    }
}

TEST(PngWrite, WhatIsWrittenReadsBackUnchanged)
{
    testsupport::Random random(500);
    const int width = 37;
    const int height = 5;
    const std::vector<uint8_t> rgb = random.Bytes(static_cast<size_t>(width * height * 3));
    const std::string path = testing::TempDir() + "dibdraw_png_write_test.png";
    ASSERT_EQ(dibtool::WritePng(path, dibtool::PngImage::Rgb(width, height, rgb)), "");

    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&read, path.c_str()), 0) << read.message;
    read.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> back(PNG_IMAGE_SIZE(read));
    ASSERT_NE(png_image_finish_read(&read, nullptr, back.data(), 0, nullptr), 0) << read.message;
    std::remove(path.c_str());
    EXPECT_EQ(read.width, static_cast<png_uint_32>(width));
    EXPECT_EQ(read.height, static_cast<png_uint_32>(height));
    EXPECT_TRUE(back == rgb);
}

TEST(PngWrite, IndexedPicturesKeepTheirDepthAndPalette)
{
    const std::string path = testing::TempDir() + "dibdraw_png_indexed_test.png";
    uint64_t seed = 510;
    for (int bits : {1, 2, 4, 8}) {
        const dibtool::PngImage picture = tooltest::RandomIndexed(13, 4, bits, 1 << bits, ++seed);
        ASSERT_EQ(dibtool::WritePng(path, picture), "");
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        std::vector<uint8_t> bytes;
        for (int c; (c = std::fgetc(file)) != EOF;) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(file);
        std::remove(path.c_str());
        tooltest::ExpectIndexedPng(bytes, picture, std::to_string(bits) + " bits, seed " + std::to_string(seed));
    }
}

}  // namespace
