// Indexed PNG pictures as the tool writes them, and the check that a file
// holds one: the header's bit depth and colour type 3, and every pixel's
// colour as libpng reads it.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/png_format.h"

namespace tooltest {

// A palette of `entries` random colours and random indices below it.
inline dibtool::PngImage RandomIndexed(int width, int height, int bits, int entries, uint64_t seed)
{
    testsupport::Random random(seed);
    std::vector<PALETTEENTRY> palette;
    for (int i = 0; i < entries; ++i) {
        palette.push_back(PALETTEENTRY{random.Byte(), random.Byte(), random.Byte(), 0});
    }
    std::vector<uint8_t> indices;
    for (int i = 0; i < width * height; ++i) {
        indices.push_back(static_cast<uint8_t>(random.Between(0, entries - 1)));
    }
    return dibtool::PngImage::Indexed(width, height, bits, indices, palette);
}

inline void ExpectIndexedPng(const std::vector<uint8_t>& file, const dibtool::PngImage& picture,
                             const std::string& context)
{
    // IHDR's data starts at byte 16: width, height, bit depth, colour type.
    ASSERT_GT(file.size(), 26u) << context;
    EXPECT_EQ(file[24], picture.bits) << context << ": bit depth";
    EXPECT_EQ(file[25], PNG_COLOR_TYPE_PALETTE) << context << ": colour type";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_memory(&image, file.data(), file.size()), 0) << context << ": " << image.message;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr), 0) << context << ": " << image.message;
    ASSERT_EQ(image.width, static_cast<png_uint_32>(picture.width)) << context;
    ASSERT_EQ(image.height, static_cast<png_uint_32>(picture.height)) << context;
    for (size_t i = 0; i < picture.samples.size(); ++i) {
        const PALETTEENTRY& e = picture.palette[picture.samples[i]];
        ASSERT_TRUE(rgb[3 * i] == e.peRed && rgb[3 * i + 1] == e.peGreen && rgb[3 * i + 2] == e.peBlue)
            << context << ": pixel " << i % static_cast<size_t>(picture.width) << ", "
            << i / static_cast<size_t>(picture.width) << " (index " << int{picture.samples[i]} << ")";
    }
}

}  // namespace tooltest
