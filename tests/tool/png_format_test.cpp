// The tool's own parts of the PNG format, and the test files stored_png.h
// assembles, checked against published checksums and libpng, so that the
// decoder tests of both builds start from valid files.
#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"
#include "tool/stored_png.h"
#include "tools/png_format.h"

namespace {

std::span<const uint8_t> BytesOf(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(StoredPng, ChecksumsHaveTheirKnownValues)
{
    struct Case {
        const char* text;
        uint32_t crc;
        uint32_t adler;
    };
    const Case kCases[] = {
        {"", 0x00000000u, 0x00000001u},
        {"a", 0xE8B7BE43u, 0x00620062u},
        {"123456789", 0xCBF43926u, 0x091E01DEu},
        {"Wikipedia", 0xADAAC02Eu, 0x11E60398u},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(tooltest::Crc32(BytesOf(c.text)), c.crc) << "'" << c.text << "'";
        EXPECT_EQ(tooltest::Adler32(BytesOf(c.text)), c.adler) << "'" << c.text << "'";
    }
}

TEST(StoredPng, LibpngReadsBackEveryPixel)
{
    // 230 x 100 needs two stored blocks (69100 filtered bytes), 1 x 1 and 7 x 3 one.
    const std::pair<int, int> kSizes[] = {{1, 1}, {7, 3}, {1, 70}, {230, 100}};
    uint64_t seed = 0;
    for (const auto& [width, height] : kSizes) {
        testsupport::Random random(++seed);
        const std::string context = std::to_string(width) + "x" + std::to_string(height) + ", seed " +
                                    std::to_string(seed);
        tooltest::StoredPng png;
        png.width = static_cast<uint32_t>(width);
        png.height = static_cast<uint32_t>(height);
        std::vector<uint8_t> rgb;
        for (int y = 0; y < height; ++y) {
            png.rows.push_back(random.Bytes(static_cast<size_t>(width) * 3));
            rgb.insert(rgb.end(), png.rows.back().begin(), png.rows.back().end());
        }
        const std::vector<uint8_t> file = png.Encode();
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_NE(png_image_begin_read_from_memory(&image, file.data(), file.size()), 0) << context << ": "
                                                                                          << image.message;
        image.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> decoded(PNG_IMAGE_SIZE(image));
        ASSERT_NE(png_image_finish_read(&image, nullptr, decoded.data(), 0, nullptr), 0) << context << ": "
                                                                                           << image.message;
        EXPECT_EQ(image.width, png.width) << context;
        EXPECT_EQ(image.height, png.height) << context;
        EXPECT_TRUE(decoded == rgb) << context;
    }
}

TEST(PngFormat, IndexBitsCoverThePalette)
{
    const std::pair<size_t, int> kCases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}, {256, 8}};
    for (const auto& [entries, bits] : kCases) {
        EXPECT_EQ(dibtool::PngImage::IndexBitsFor(entries), bits) << entries << " entries";
    }
}

TEST(PngFormat, TheSignatureIsRecognized)
{
    tooltest::StoredPng png;
    png.width = 1;
    png.height = 1;
    png.rows = {{1, 2, 3}};
    const std::vector<uint8_t> file = png.Encode();
    EXPECT_TRUE(dibtool::HasPngSignature(file));
    std::vector<uint8_t> damaged = file;
    damaged[1] = 'Q';
    EXPECT_FALSE(dibtool::HasPngSignature(damaged));
    EXPECT_FALSE(dibtool::HasPngSignature(std::span<const uint8_t>(file).first(7)));
}

}  // namespace
