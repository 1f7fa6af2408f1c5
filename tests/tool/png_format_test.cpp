// The tool's own PNG encoder (the Windows build's PNG output): its checksums
// against published values, and whole files as libpng reads them back.
#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/test_support.h"
#include "tool/indexed_png_check.h"
#include "tools/png_format.h"

using dibtool::Adler32;
using dibtool::Crc32;
using dibtool::EncodeStoredPng;

namespace {

std::span<const uint8_t> BytesOf(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(PngChecksums, KnownValues)
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
        EXPECT_EQ(Crc32(BytesOf(c.text)), c.crc) << "'" << c.text << "'";
        EXPECT_EQ(Adler32(BytesOf(c.text)), c.adler) << "'" << c.text << "'";
    }
}

TEST(PngChecksums, RunningSumsEqualOneSum)
{
    testsupport::Random random(7);
    const std::vector<uint8_t> bytes = random.Bytes(20000);
    const std::span<const uint8_t> all(bytes);
    for (size_t split : {size_t{0}, size_t{1}, size_t{5552}, size_t{12345}, bytes.size()}) {
        EXPECT_EQ(Crc32(all.subspan(split), Crc32(all.first(split))), Crc32(all)) << "split at " << split;
        EXPECT_EQ(Adler32(all.subspan(split), Adler32(all.first(split))), Adler32(all)) << "split at " << split;
    }
}

TEST(PngChecksums, AdlerSumsOfLongRunsOfHighBytesDoNotOverflow)
{
    // Straight from the definition, with 64-bit sums reduced at every byte.
    const std::vector<uint8_t> bytes(100000, 0xFF);
    uint64_t a = 1;
    uint64_t b = 0;
    for (uint8_t byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Adler32(bytes), static_cast<uint32_t>(b << 16 | a));
}

// Decodes a PNG in memory with libpng's simplified API into RGB.
std::vector<uint8_t> DecodeWithLibpng(const std::vector<uint8_t>& file, int& width, int& height, std::string& error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) {
        error = image.message;
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        error = image.message;
        return {};
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return rgb;
}

TEST(StoredPng, LibpngReadsBackEveryPixel)
{
    // 230 x 100 needs two stored blocks (69100 filtered bytes), 1 x 1 and 7 x 3 one.
    const std::pair<int, int> kSizes[] = {{1, 1}, {7, 3}, {64, 1}, {1, 70}, {230, 100}, {400, 300}};
    uint64_t seed = 0;
    for (const auto& [width, height] : kSizes) {
        testsupport::Random random(++seed);
        const std::vector<uint8_t> rgb = random.Bytes(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        const std::vector<uint8_t> file = EncodeStoredPng(dibtool::PngImage::Rgb(width, height, rgb));
        int decodedWidth = 0;
        int decodedHeight = 0;
        std::string error;
        const std::vector<uint8_t> decoded = DecodeWithLibpng(file, decodedWidth, decodedHeight, error);
        const std::string context = std::to_string(width) + "x" + std::to_string(height) + ", seed " +
                                    std::to_string(seed);
        ASSERT_EQ(error, "") << context;
        EXPECT_EQ(decodedWidth, width) << context;
        EXPECT_EQ(decodedHeight, height) << context;
        ASSERT_EQ(decoded.size(), rgb.size()) << context;
        for (size_t i = 0; i < rgb.size(); ++i) {
            ASSERT_EQ(decoded[i], rgb[i]) << context << ": pixel " << i / 3 << ", channel " << i % 3;
        }
    }
}

TEST(StoredPng, IndexedPicturesKeepTheirDepthAndPalette)
{
    uint64_t seed = 20;
    for (int bits : {1, 2, 4, 8}) {
        for (int width : {1, 3, 9, 17}) {
            for (int entries : {1 << bits, (1 << bits) / 2 + 1}) {
                const dibtool::PngImage picture = tooltest::RandomIndexed(width, 3, bits, entries, ++seed);
                tooltest::ExpectIndexedPng(EncodeStoredPng(picture), picture,
                                           std::to_string(bits) + " bits, width " + std::to_string(width) + ", " +
                                               std::to_string(entries) + " entries, seed " + std::to_string(seed));
            }
        }
    }
}

TEST(StoredPng, IndexBitsCoverThePalette)
{
    const std::pair<size_t, int> kCases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}, {256, 8}};
    for (const auto& [entries, bits] : kCases) {
        EXPECT_EQ(dibtool::PngImage::IndexBitsFor(entries), bits) << entries << " entries";
    }
}

TEST(StoredPng, StartsWithTheSignatureAndIsRecognized)
{
    const std::vector<uint8_t> file = EncodeStoredPng(dibtool::PngImage::Rgb(2, 2, std::vector<uint8_t>(12, 0x80)));
    EXPECT_TRUE(dibtool::HasPngSignature(file));
    EXPECT_EQ(png_sig_cmp(file.data(), 0, 8), 0);
    std::vector<uint8_t> damaged = file;
    damaged[1] = 'Q';
    EXPECT_FALSE(dibtool::HasPngSignature(damaged));
    EXPECT_FALSE(dibtool::HasPngSignature(std::span<const uint8_t>(file).first(7)));
}

TEST(StoredPng, ADamagedChunkIsRejectedByLibpng)
{
    testsupport::Random random(3);
    std::vector<uint8_t> file = EncodeStoredPng(dibtool::PngImage::Rgb(5, 4, random.Bytes(60)));
    // The first byte of the IHDR chunk's data: its CRC no longer matches.
    file[16] ^= 0x01;
    int width = 0;
    int height = 0;
    std::string error;
    DecodeWithLibpng(file, width, height, error);
    EXPECT_NE(error, "") << "libpng accepted a chunk whose CRC is wrong, so the CRCs are not checked";
}

}  // namespace
