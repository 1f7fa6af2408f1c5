// The embedded test card has what it is there to show: many smooth colours,
// an exact grey ramp, hard edges and one-pixel detail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "tools/embedded_image.h"

namespace {

int Luma(uint32_t rgb) { return static_cast<int>((rgb >> 16 & 255) * 3 + (rgb >> 8 & 255) * 6 + (rgb & 255)) / 10; }

TEST(EmbeddedImage, IsATwentyFourBitDibOfAFewHundredPixels)
{
    const dibtool::PackedDib image = dibtool::MakeEmbeddedImage();
    const BITMAPINFOHEADER* h = image.header();
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biWidth, 384);
    EXPECT_EQ(h->biHeight, 288);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biBitCount, 24);
    EXPECT_EQ(h->biCompression, 0u);
}

TEST(EmbeddedImage, HasSmoothGradientsOfManyColours)
{
    const dibtool::PackedDib image = dibtool::MakeEmbeddedImage();
    std::set<uint32_t> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.Pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 10000u);
    // The hue gradient: neighbouring pixels differ little in every channel.
    int largestStep = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 1; x < image.width(); ++x) {
            const uint32_t a = image.Pixel(x - 1, y);
            const uint32_t b = image.Pixel(x, y);
            for (int shift : {0, 8, 16}) {
                largestStep = std::max(largestStep, std::abs(int(a >> shift & 255) - int(b >> shift & 255)));
            }
        }
    }
    EXPECT_LE(largestStep, 8);
}

TEST(EmbeddedImage, HasAGreyRampFromBlackToWhite)
{
    const dibtool::PackedDib image = dibtool::MakeEmbeddedImage();
    int previous = -1;
    for (int x = 0; x < image.width(); ++x) {
        const uint32_t rgb = image.Pixel(x, 130);
        const int grey = static_cast<int>(rgb & 255);
        ASSERT_EQ(rgb, static_cast<uint32_t>(grey * 0x010101)) << "x " << x << " is not grey";
        ASSERT_GE(grey, previous) << "x " << x;
        previous = grey;
    }
    EXPECT_EQ(image.Pixel(0, 130), 0x000000u);
    EXPECT_EQ(image.Pixel(image.width() - 1, 130), 0xFFFFFFu);
}

TEST(EmbeddedImage, HasHardEdgesAndOnePixelDetail)
{
    const dibtool::PackedDib image = dibtool::MakeEmbeddedImage();
    int hardEdges = 0;
    int onePixelRuns = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 1; x + 1 < image.width(); ++x) {
            const int left = Luma(image.Pixel(x - 1, y));
            const int here = Luma(image.Pixel(x, y));
            const int right = Luma(image.Pixel(x + 1, y));
            hardEdges += std::abs(here - left) >= 200;
            onePixelRuns += std::abs(here - left) >= 200 && std::abs(here - right) >= 200;
        }
    }
    EXPECT_GT(hardEdges, 1000);
    EXPECT_GT(onePixelRuns, 500);
}

}  // namespace
