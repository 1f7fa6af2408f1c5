// The project's BMP writer, as the Windows build of the tool writes its
// screens with it, read back by the tool's BMP reader: every pixel, every row
// padding, the colour table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/bmp_file.h"
#include "support/test_support.h"
#include "tools/bmp_reader.h"

namespace {

TEST(BmpWriter, TwentyFourBitScreensReadBackPixelForPixel)
{
    uint64_t seed = 0;
    for (int width : {1, 2, 3, 4, 5, 17}) {
        for (int height : {1, 3}) {
            testsupport::Random random(++seed);
            const std::vector<uint8_t> rgb =
                random.Bytes(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
            dibtool::PackedDib dib;
            const std::string context = std::to_string(width) + "x" + std::to_string(height);
            ASSERT_EQ(dibtool::DecodeBmp(dibkit::EncodeBmp24(width, height, rgb), dib), "") << context;
            ASSERT_EQ(dib.bits(), 24) << context;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3;
                    EXPECT_EQ(dib.Pixel(x, y), static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]))
                        << context << " at (" << x << ", " << y << ")";
                }
            }
        }
    }
}

TEST(BmpWriter, IndexedScreensKeepIndicesAndTable)
{
    uint64_t seed = 100;
    for (int width : {1, 3, 4, 6, 9}) {
        for (size_t tableSize : {size_t{2}, size_t{20}, size_t{256}}) {
            testsupport::Random random(++seed);
            std::vector<dibkit::BmpColor> table(tableSize);
            for (dibkit::BmpColor& e : table) {
                e = dibkit::BmpColor{random.Byte(), random.Byte(), random.Byte()};
            }
            const int height = 4;
            std::vector<uint8_t> indices;
            for (int i = 0; i < width * height; ++i) {
                indices.push_back(static_cast<uint8_t>(random.Between(0, static_cast<int>(tableSize) - 1)));
            }
            dibtool::PackedDib dib;
            const std::string context = std::to_string(width) + " wide, " + std::to_string(tableSize) + " colours";
            ASSERT_EQ(dibtool::DecodeBmp(dibkit::EncodeBmp8(width, height, indices, table), dib), "") << context;
            ASSERT_EQ(dib.bits(), 8) << context;
            for (size_t i = 0; i < 256; ++i) {
                const RGBQUAD& q = dib.colors()[i];
                const dibkit::BmpColor e = i < tableSize ? table[i] : dibkit::BmpColor{0, 0, 0};
                EXPECT_EQ(q.rgbRed, e.red) << context << ", entry " << i;
                EXPECT_EQ(q.rgbGreen, e.green) << context << ", entry " << i;
                EXPECT_EQ(q.rgbBlue, e.blue) << context << ", entry " << i;
            }
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    EXPECT_EQ(dib.Pixel(x, y), indices[static_cast<size_t>(y * width + x)])
                        << context << " at (" << x << ", " << y << ")";
                }
            }
        }
    }
}

}  // namespace
