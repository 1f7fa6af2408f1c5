// The BMP reader: every malformed header is refused with a message naming the
// problem, and every valid layout arrives as the DIB the library draws.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "support/named_case.h"
#include "support/test_support.h"
#include "tool/bmp_builder.h"
#include "tools/bmp_reader.h"

using dibtool::DecodeBmp;
using dibtool::PackedDib;
using tooltest::BmpFile;
using tooltest::BmpWithTable;
using tooltest::Quad;
using tooltest::Stride;

namespace {

using testsupport::PrintTo;

BmpFile MakeValid(int width, int height, int bits, uint64_t seed)
{
    testsupport::Random random(seed);
    BmpFile file = BmpWithTable(width, height, bits, [&random](int) {
        return Quad{random.Byte(), random.Byte(), random.Byte(), 0};
    });
    file.pixels = random.Bytes(Stride(width, bits) * static_cast<size_t>(height < 0 ? -height : height));
    return file;
}

// Pixel (x, y) of the rows of a file, y = 0 being the first row stored:
// the index, or 0xRRGGBB for 24 bits.
uint32_t StoredPixel(const std::vector<uint8_t>& rows, int width, int bits, int x, int storedRow)
{
    const uint8_t* row = rows.data() + Stride(width, bits) * static_cast<size_t>(storedRow);
    switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    case 8: return row[x];
    default: return static_cast<uint32_t>(row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x]);
    }
}

// Compares every pixel with `expected(x, y)` (y = 0 at the top) and names the
// first difference.
void ExpectPixels(const PackedDib& image, const std::function<uint32_t(int, int)>& expected,
                  const std::string& context)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.Pixel(x, y) != expected(x, y)) {
                ADD_FAILURE() << context << ": pixel (" << x << ", " << y << ") is 0x" << std::hex
                              << image.Pixel(x, y) << ", expected 0x" << expected(x, y);
                return;
            }
        }
    }
}

void ExpectHeader(const PackedDib& image, int width, int height, int bits, const std::string& context)
{
    const BITMAPINFOHEADER* h = image.header();
    EXPECT_EQ(h->biSize, 40u) << context;
    EXPECT_EQ(h->biWidth, width) << context;
    EXPECT_EQ(h->biHeight, height) << context;
    EXPECT_EQ(h->biPlanes, 1) << context;
    EXPECT_EQ(h->biBitCount, bits) << context;
    EXPECT_EQ(h->biCompression, 0u) << context;
}

std::string Decode(const BmpFile& file, PackedDib& image) { return DecodeBmp(file.Bytes(), image); }

// ---------------------------------------------------------------------------
// Malformed files.

struct MalformedCase {
    const char* name;
    std::function<std::vector<uint8_t>()> bytes;
    const char* problem;  // a part of the message
};

std::vector<uint8_t> With(const std::function<void(BmpFile&)>& change, int bits = 8)
{
    BmpFile file = MakeValid(5, 3, bits, 7);
    change(file);
    return file.Bytes();
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size)
{
    bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> Poke32(std::vector<uint8_t> bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
    return bytes;
}

const MalformedCase kMalformed[] = {
    {"EmptyFile", [] { return std::vector<uint8_t>{}; }, "truncated: 0 bytes are too few"},
    {"CutInFileHeader", [] { return Cut(With([](BmpFile&) {}), 10); }, "truncated: 10 bytes are too few"},
    {"BadMagic", [] { return With([](BmpFile& f) { f.magic[1] = 'A'; }); }, "not a BMP file"},
    {"HeaderSizeZero", [] { return With([](BmpFile& f) { f.headerSize = 0; }); },
     "header size 0 is too small"},
    {"HeaderSizeEight", [] { return With([](BmpFile& f) { f.headerSize = 8; }); },
     "header size 8 is too small"},
    {"HeaderSizeBetweenCoreAndInfo", [] { return With([](BmpFile& f) { f.headerSize = 20; }); },
     "unsupported header size 20"},
    {"HeaderPastEnd", [] { return Cut(With([](BmpFile&) {}), 30); },
     "truncated: the file has 30 bytes, too few for the 40-byte header (up to byte 54)"},
    {"HeaderSizeAbsurd", [] { return Poke32(With([](BmpFile&) {}), 14, 0xFFFFFFF0); },
     "too few for the 4294967280-byte header (up to byte 4294967294)"},
    {"ZeroWidth", [] { return With([](BmpFile& f) { f.width = 0; }); }, "width 0 is not positive"},
    {"NegativeWidth", [] { return With([](BmpFile& f) { f.width = -5; }); }, "width -5 is not positive"},
    {"ZeroHeight", [] { return With([](BmpFile& f) { f.height = 0; }); }, "height 0 is not positive"},
    {"AbsurdWidth", [] { return With([](BmpFile& f) { f.width = 100000; }); },
     "size 100000x3 is too large (at most 32768 pixels on a side)"},
    {"AbsurdNegativeHeight", [] { return With([](BmpFile& f) { f.height = INT32_MIN; }); },
     "size 5x2147483648 is too large"},
    {"AbsurdArea", [] { return With([](BmpFile& f) { f.width = 30000; f.height = 30000; }); },
     "size 30000x30000 is too large (at most 67108864 pixels)"},
    {"PlanesZero", [] { return With([](BmpFile& f) { f.planes = 0; }); }, "planes is 0, not 1"},
    {"PlanesTwo", [] { return With([](BmpFile& f) { f.planes = 2; }); }, "planes is 2, not 1"},
    {"BitCountZero", [] { return With([](BmpFile& f) { f.bits = 0; }); }, "unsupported bit count 0"},
    {"BitCountTwo", [] { return With([](BmpFile& f) { f.bits = 2; }); }, "unsupported bit count 2"},
    {"BitCountSeven", [] { return With([](BmpFile& f) { f.bits = 7; }); }, "unsupported bit count 7"},
    {"BitCount48", [] { return With([](BmpFile& f) { f.bits = 48; }); }, "unsupported bit count 48"},
    {"CoreHeader16Bits", [] { return With([](BmpFile& f) { f.headerSize = 12; f.bits = 16; }); },
     "unsupported bit count 16"},
    {"CompressionJpeg", [] { return With([](BmpFile& f) { f.compression = 4; }); },
     "a BMP holding JPEG data is not supported"},
    {"JpegWithBitCountZero", [] { return With([](BmpFile& f) { f.compression = 4; f.bits = 0; }); },
     "a BMP holding JPEG data is not supported"},
    {"CompressionPng", [] { return With([](BmpFile& f) { f.compression = 5; }); },
     "a BMP holding PNG data is not supported"},
    {"PngWithBitCountZero", [] { return With([](BmpFile& f) { f.compression = 5; f.bits = 0; }); },
     "a BMP holding PNG data is not supported"},
    {"Os2Rle24", [] { return With([](BmpFile& f) { f.headerSize = 64; f.compression = 4; }, 24); },
     "OS/2 RLE24 compression is not supported"},
    {"Os2Huffman1D", [] { return With([](BmpFile& f) { f.headerSize = 64; f.compression = 3; }, 1); },
     "OS/2 Huffman 1D compression is not supported"},
    {"Os2UnknownCompression", [] { return With([](BmpFile& f) { f.headerSize = 64; f.compression = 5; }); },
     "unknown compression 5"},
    {"Os2ShortHeaderBitCountTwo", [] { return With([](BmpFile& f) { f.headerSize = 16; f.bits = 2; }); },
     "unsupported bit count 2"},
    {"Os2ShortHeaderPastEnd", [] { return Cut(With([](BmpFile& f) { f.headerSize = 16; }), 24); },
     "too few for the 16-byte header (up to byte 30)"},
    {"WindowsBitfieldsAt64ByteOffsetIsNotOs2",
     [] { return With([](BmpFile& f) { f.headerSize = 108; f.compression = 3; f.headerMasks = {1, 2, 4}; }, 24); },
     "compression BI_BITFIELDS needs 16 or 32 bits per pixel, not 24"},
    {"CompressionUnknown", [] { return With([](BmpFile& f) { f.compression = 9; }); },
     "unknown compression 9"},
    {"Rle8With4Bits", [] { return With([](BmpFile& f) { f.compression = 1; }, 4); },
     "compression BI_RLE8 needs 8 bits per pixel, not 4"},
    {"Rle4With8Bits", [] { return With([](BmpFile& f) { f.compression = 2; }); },
     "compression BI_RLE4 needs 4 bits per pixel, not 8"},
    {"TopDownRle", [] { return With([](BmpFile& f) { f.compression = 1; f.height = -3; }); },
     "a top-down bitmap cannot be run-length encoded"},
    {"BitfieldsWith24Bits", [] { return With([](BmpFile& f) { f.compression = 3; }, 24); },
     "compression BI_BITFIELDS needs 16 or 32 bits per pixel, not 24"},
    {"BitfieldsMasksPastEnd",
     [] { return Cut(With([](BmpFile& f) { f.compression = 3; f.masks = {0xF800, 0x7E0, 0x1F}; }, 16), 60); },
     "truncated: the file has 60 bytes, too few for the bit-field masks (up to byte 66)"},
    {"BitfieldsMaskNotContiguous",
     [] { return With([](BmpFile& f) { f.compression = 3; f.masks = {0xF0F0, 0x0F00, 0x000F}; }, 16); },
     "bit-field mask 0x0000F0F0 is not contiguous"},
    {"BitfieldsMasksOverlap",
     [] { return With([](BmpFile& f) { f.compression = 3; f.masks = {0xFF00, 0x0FF0, 0x000F}; }, 16); },
     "overlap"},
    {"BitfieldsMaskBeyond16Bits",
     [] { return With([](BmpFile& f) { f.compression = 3; f.masks = {0x1F0000, 0x7E0, 0x1F}; }, 16); },
     "bit-field mask 0x001F0000 does not fit in 16 bits"},
    {"BitfieldsMasksAllZero",
     [] { return With([](BmpFile& f) { f.compression = 3; f.masks = {0, 0, 0}; }, 32); },
     "bit-field masks are all zero"},
    {"ColourCountAbove256", [] { return With([](BmpFile& f) { f.colorsUsed = 300; }); },
     "colour count 300 is more than the 256 colours a bit count of 8 allows"},
    {"ColourCountAbove2For1Bit", [] { return With([](BmpFile& f) { f.colorsUsed = 3; }, 1); },
     "colour count 3 is more than the 2 colours a bit count of 1 allows"},
    {"ColourTablePastEnd", [] { return Cut(With([](BmpFile&) {}), 54 + 100); },
     "truncated: the file has 154 bytes, too few for the colour table of 256 entries (up to byte 1078)"},
    {"ColourTableHugeFor24Bits", [] { return With([](BmpFile& f) { f.colorsUsed = 0x40000000; }, 24); },
     "truncated: the file has 102 bytes, too few for the colour table of 1073741824 entries"},
    {"PixelOffsetInsideColourTable", [] { return With([](BmpFile& f) { f.pixelOffset = 100; }); },
     "pixel data offset 100 lies within the headers and colour table (they end at byte 1078)"},
    {"PixelOffsetBeyondFile", [] { return With([](BmpFile& f) { f.pixelOffset = 100000; }); },
     "truncated: pixel data offset 100000 is beyond the end of the file"},
    {"PixelDataPastEnd", [] { return Cut(With([](BmpFile&) {}), 1078 + 2 * 8 + 4); },
     "truncated: the file has 1098 bytes, too few for the pixel data of 3 rows of 8 bytes (up to byte 1099)"},
    {"Pixel24DataPastEnd", [] { return Cut(With([](BmpFile&) {}, 24), 54 + 10); },
     "truncated: the file has 64 bytes, too few for the pixel data of 3 rows of 16 bytes (up to byte 101)"},
    {"RleDataSizePastEnd",
     [] { return With([](BmpFile& f) { f.compression = 1; f.sizeImage = 5000; f.pixels = {0, 1}; }); },
     "truncated: the file has 1080 bytes, too few for the compressed pixel data of 5000 bytes"},
    {"RleCodeCut", [] { return With([](BmpFile& f) { f.compression = 1; f.pixels = {2, 7, 0}; }); },
     "truncated: the run-length data ends inside the code at byte 1080"},
    {"RleAbsoluteRunCut",
     [] { return With([](BmpFile& f) { f.compression = 1; f.pixels = {0, 5, 1, 2, 3}; }); },
     "truncated: the run-length data ends inside the code at byte 1078"},
    {"RleDeltaCut", [] { return With([](BmpFile& f) { f.compression = 2; f.pixels = {0, 2, 1}; }, 4); },
     "truncated: the run-length data ends inside the code at byte 118"},
};

class MalformedBmp : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedBmp, IsRefusedWithItsProblem)
{
    const MalformedCase& c = GetParam();
    PackedDib image;
    const std::string problem = DecodeBmp(c.bytes(), image);
    EXPECT_NE(problem.find(c.problem), std::string::npos) << "message: '" << problem << "'";
    EXPECT_TRUE(image.empty());
}

INSTANTIATE_TEST_SUITE_P(Headers, MalformedBmp, testing::ValuesIn(kMalformed),
                         testsupport::CaseName());

// ---------------------------------------------------------------------------
// Files the library draws as they are.

TEST(BmpAsItIs, EveryDepthKeepsItsTableAndRows)
{
    const int kDepths[] = {1, 4, 8, 24};
    int index = 0;
    for (int bits : kDepths) {
        for (int width : {1, 2, 3, 7, 8, 9, 31, 33}) {
            for (int height : {1, 2, 5}) {
                const uint64_t seed = static_cast<uint64_t>(++index);
                const std::string context = "seed " + std::to_string(seed) + ", " + std::to_string(bits) +
                                            " bits, " + std::to_string(width) + "x" + std::to_string(height);
                BmpFile file = MakeValid(width, height, bits, seed);
                for (Quad& q : file.table) {
                    q.reserved = static_cast<uint8_t>(q.red ^ q.blue);  // never kept: no file marks a colour transparent
                }
                PackedDib image;
                ASSERT_EQ(Decode(file, image), "") << context;
                ExpectHeader(image, width, height, bits, context);
                for (size_t i = 0; i < file.table.size(); ++i) {
                    const RGBQUAD& q = image.colors()[i];
                    const Quad& want = file.table[i];
                    EXPECT_TRUE(q.rgbBlue == want.blue && q.rgbGreen == want.green && q.rgbRed == want.red &&
                                q.rgbReserved == 0)
                        << context << ": colour " << i;
                }
                ExpectPixels(image, [&](int x, int y) {
                    return StoredPixel(file.pixels, width, bits, x, height - 1 - y);
                }, context);
            }
        }
    }
}

TEST(BmpAsItIs, ShortColourTableIsFilledWithBlack)
{
    BmpFile file = MakeValid(6, 2, 8, 3);
    file.table.resize(3);
    file.colorsUsed = 3;
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    ASSERT_EQ(image.colorCount(), 256);
    EXPECT_EQ(image.colors()[2].rgbRed, file.table[2].red);
    for (int i = 3; i < 256; ++i) {
        const RGBQUAD& q = image.colors()[i];
        ASSERT_TRUE(q.rgbBlue == 0 && q.rgbGreen == 0 && q.rgbRed == 0 && q.rgbReserved == 0) << "colour " << i;
    }
    ExpectPixels(image, [&](int x, int y) { return StoredPixel(file.pixels, 6, 8, x, 1 - y); }, "short table");
}

TEST(BmpAsItIs, MissingPaddingOfTheLastRowIsAccepted)
{
    BmpFile file = MakeValid(5, 3, 8, 11);  // rows of 5 bytes padded to 8
    std::vector<uint8_t> full = file.pixels;
    file.pixels.resize(2 * 8 + 5);
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    ExpectPixels(image, [&](int x, int y) { return StoredPixel(full, 5, 8, x, 2 - y); }, "unpadded last row");
}

TEST(BmpAsItIs, LargerHeadersAndGapsBeforeThePixelsAreSkipped)
{
    BmpFile file = MakeValid(4, 2, 24, 5);
    file.headerSize = 124;  // BITMAPV5HEADER
    std::vector<uint8_t> bytes = file.Bytes();
    // Move the pixels 6 bytes further and say so in the file header.
    const uint32_t offset = 14 + 124;
    bytes.insert(bytes.begin() + offset, 6, 0xEE);
    bytes[10] = static_cast<uint8_t>(offset + 6);
    PackedDib image;
    ASSERT_EQ(DecodeBmp(bytes, image), "");
    ExpectHeader(image, 4, 2, 24, "V5 header");
    ExpectPixels(image, [&](int x, int y) { return StoredPixel(file.pixels, 4, 24, x, 1 - y); }, "V5 header");
}

// OS/2 2.x files that are not compressed in an OS/2 way read like Windows
// ones: the 64-byte header, and the 16-byte form with no compression field.
TEST(BmpAsItIs, Os2HeadersWithFourByteColours)
{
    for (uint32_t headerSize : {16u, 64u}) {
        for (int bits : {1, 8, 24}) {
            const std::string context = std::to_string(headerSize) + "-byte header, " + std::to_string(bits) + " bits";
            BmpFile file = MakeValid(7, 3, bits, headerSize + static_cast<uint64_t>(bits));
            file.headerSize = headerSize;
            PackedDib image;
            ASSERT_EQ(Decode(file, image), "") << context;
            ExpectHeader(image, 7, 3, bits, context);
            for (size_t i = 0; i < file.table.size(); ++i) {
                EXPECT_EQ(image.colors()[i].rgbGreen, file.table[i].green) << context << ": colour " << i;
            }
            ExpectPixels(image, [&](int x, int y) { return StoredPixel(file.pixels, 7, bits, x, 2 - y); }, context);
        }
    }
}

TEST(BmpAsItIs, CoreHeaderWithThreeByteColours)
{
    BmpFile file = MakeValid(9, 3, 4, 21);
    file.headerSize = 12;
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    ExpectHeader(image, 9, 3, 4, "core header");
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(image.colors()[i].rgbRed, file.table[i].red) << "colour " << i;
        EXPECT_EQ(image.colors()[i].rgbBlue, file.table[i].blue) << "colour " << i;
        EXPECT_EQ(image.colors()[i].rgbReserved, 0) << "colour " << i;
    }
    ExpectPixels(image, [&](int x, int y) { return StoredPixel(file.pixels, 9, 4, x, 2 - y); }, "core header");
}

// ---------------------------------------------------------------------------
// Files converted before drawing.

TEST(BmpConverted, TopDownRowsAreTurnedBottomUp)
{
    int index = 100;
    for (int bits : {1, 4, 8, 24}) {
        const uint64_t seed = static_cast<uint64_t>(++index);
        BmpFile file = MakeValid(13, -4, bits, seed);
        PackedDib image;
        const std::string context = "seed " + std::to_string(seed) + ", " + std::to_string(bits) + " bits";
        ASSERT_EQ(Decode(file, image), "") << context;
        ExpectHeader(image, 13, 4, bits, context);
        ExpectPixels(image, [&](int x, int y) { return StoredPixel(file.pixels, 13, bits, x, y); }, context);
    }
}

// The 8-bit value of a channel of `width` bits, by the rounding rule.
uint32_t Scaled(uint32_t value, int width)
{
    return static_cast<uint32_t>(std::lround(value * 255.0 / ((1u << width) - 1)));
}

struct MaskedCase {
    const char* name;
    int bits;
    uint32_t compression;
    bool masksInHeader;
    uint32_t masks[3];
    int shift[3];
    int width[3];
    bool topDown;
    int alphaShift = -1;  // the 8-bit alpha's place, when the layout has one
};

const MaskedCase kMasked[] = {
    {"Rgb555Implicit", 16, 0, false, {}, {10, 5, 0}, {5, 5, 5}, false},
    {"Rgb565Bitfields", 16, 3, false, {0xF800, 0x07E0, 0x001F}, {11, 5, 0}, {5, 6, 5}, false},
    {"Bgr565Bitfields", 16, 3, false, {0x001F, 0x07E0, 0xF800}, {0, 5, 11}, {5, 6, 5}, false},
    {"Rgb444InV4Header", 16, 3, true, {0x0F00, 0x00F0, 0x000F}, {8, 4, 0}, {4, 4, 4}, false},
    {"Rgb555TopDown", 16, 0, false, {}, {10, 5, 0}, {5, 5, 5}, true},
    {"Argb8888Implicit", 32, 0, false, {}, {16, 8, 0}, {8, 8, 8}, false, 24},
    {"Rgb101010Bitfields", 32, 3, false, {0x3FF00000, 0x000FFC00, 0x000003FF}, {20, 10, 0}, {10, 10, 10}, false},
    {"Bgra8888AlphaBitfields", 32, 6, false, {0x0000FF00, 0x00FF0000, 0xFF000000}, {8, 16, 24}, {8, 8, 8}, false, 0},
    {"Argb8888InV5Header", 32, 3, true, {0x00FF0000, 0x0000FF00, 0x000000FF}, {16, 8, 0}, {8, 8, 8}, false, 24},
    {"Xbgr8888TopDown", 32, 3, false, {0x000000FF, 0x0000FF00, 0x00FF0000}, {0, 8, 16}, {8, 8, 8}, true},
};

class MaskedBmp : public testing::TestWithParam<MaskedCase> {};

// Layouts with alpha (random here, so never 0 everywhere) are composited over
// this background.
constexpr COLORREF kBackground = RGB(7, 130, 250);

TEST_P(MaskedBmp, BecomesTwentyFourBitByTheMasks)
{
    const MaskedCase& c = GetParam();
    const int width = 11;
    const int height = 3;
    BmpFile file = MakeValid(width, c.topDown ? -height : height, c.bits, 40 + static_cast<uint64_t>(c.bits));
    file.compression = c.compression;
    if (c.compression == 3 || c.compression == 6) {
        std::vector<uint32_t> masks(c.masks, c.masks + 3);
        if (c.alphaShift >= 0) {
            masks.push_back(0xFFu << c.alphaShift);
        }
        if (c.masksInHeader) {
            file.headerSize = c.alphaShift >= 0 ? 124 : 108;
            file.headerMasks = masks;
        } else {
            file.masks = masks;
        }
    }
    PackedDib image;
    ASSERT_EQ(DecodeBmp(file.Bytes(), image, kBackground), "") << c.name;
    ExpectHeader(image, width, height, 24, c.name);
    const size_t stride = Stride(width, c.bits);
    ExpectPixels(image, [&](int x, int y) {
        const int stored = c.topDown ? y : height - 1 - y;
        const uint8_t* p = file.pixels.data() + stride * static_cast<size_t>(stored) + static_cast<size_t>(x * c.bits / 8);
        uint32_t pixel = p[0] | p[1] << 8;
        if (c.bits == 32) {
            pixel |= static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
        }
        const uint32_t alpha = c.alphaShift >= 0 ? (pixel >> c.alphaShift) & 255 : 255;
        const uint32_t background[3] = {GetRValue(kBackground), GetGValue(kBackground), GetBValue(kBackground)};
        uint32_t rgb = 0;
        for (int channel = 0; channel < 3; ++channel) {
            const uint32_t value = Scaled((pixel >> c.shift[channel]) & ((1u << c.width[channel]) - 1),
                                          c.width[channel]);
            rgb = rgb << 8 | static_cast<uint32_t>(std::lround((alpha * value + (255 - alpha) * background[channel]) / 255.0));
        }
        return rgb;
    }, c.name);
}

INSTANTIATE_TEST_SUITE_P(Layouts, MaskedBmp, testing::ValuesIn(kMasked),
                         testsupport::CaseName());

TEST(BmpConverted, Rgb555ExamplesRoundToTheNearestLevel)
{
    BmpFile file;
    file.width = 4;
    file.height = 1;
    file.bits = 16;
    // red 31, green 16 / blue 1, black, white
    file.pixels = {0x00, 0x7C, 0x01, 0x02, 0x00, 0x00, 0xFF, 0x7F};
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    EXPECT_EQ(image.Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(image.Pixel(1, 0), 0x008408u);  // 16 -> 132, 1 -> 8
    EXPECT_EQ(image.Pixel(2, 0), 0x000000u);
    EXPECT_EQ(image.Pixel(3, 0), 0xFFFFFFu);
}

TEST(BmpConverted, AlphaThatIsZeroEverywhereIsOpaque)
{
    // Writers that leave the fourth byte unused write 0 there; with an alpha
    // mask or without, the file is opaque rather than invisible.
    for (const bool withMask : {false, true}) {
        BmpFile file;
        file.width = 2;
        file.height = 1;
        file.bits = 32;
        if (withMask) {
            file.compression = 6;
            file.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        }
        file.pixels = {30, 20, 10, 0, 60, 50, 40, 0};
        PackedDib image;
        ASSERT_EQ(DecodeBmp(file.Bytes(), image, RGB(255, 255, 255)), "") << withMask;
        EXPECT_EQ(image.Pixel(0, 0), 0x0A141Eu) << withMask;
        EXPECT_EQ(image.Pixel(1, 0), 0x28323Cu) << withMask;
        // One pixel's alpha makes the alpha count: 0 is then transparent.
        file.pixels[7] = 128;
        ASSERT_EQ(DecodeBmp(file.Bytes(), image, RGB(255, 255, 255)), "") << withMask;
        EXPECT_EQ(image.Pixel(0, 0), 0xFFFFFFu) << withMask;
        EXPECT_EQ(image.Pixel(1, 0), 0x93989Du) << withMask << ": (128 c + 127 * 255 + 127) / 255";
    }
}

TEST(BmpConverted, SixteenBitAlphaMaskAndOverlapsAreRefused)
{
    BmpFile file;
    file.width = 2;
    file.height = 1;
    file.bits = 16;
    file.compression = 6;
    file.masks = {0x7C00, 0x03E0, 0x001F, 0x8000};
    file.pixels = {0xFF, 0x7F, 0x1F, 0x80};  // white with alpha clear, blue with alpha set
    PackedDib image;
    ASSERT_EQ(DecodeBmp(file.Bytes(), image, RGB(1, 2, 3)), "");
    EXPECT_EQ(image.Pixel(0, 0), 0x010203u) << "a one-bit alpha of 0 is transparent";
    EXPECT_EQ(image.Pixel(1, 0), 0x0000FFu);
    file.masks[3] = 0xC000;
    EXPECT_EQ(DecodeBmp(file.Bytes(), image), "alpha mask 0x0000C000 overlaps the colour masks");
}

// ---------------------------------------------------------------------------
// Run-length encoded files.

TEST(BmpRunLength, Rle8CodesDrawWhereTheyShould)
{
    BmpFile file = MakeValid(6, 3, 8, 9);
    file.compression = 1;
    file.pixels = {
        3, 7,              // bottom row: 7 7 7
        0, 3, 1, 2, 3, 0,  // absolute run 1 2 3, padded
        0, 0,              // end of line
        0, 2, 2, 1,        // delta: right 2, up 1 -> (2, 2)
        2, 9,              // 9 9 at (2, 2), (3, 2)
        0, 1,              // end of bitmap
        5, 5,              // ignored
    };
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    ExpectHeader(image, 6, 3, 8, "RLE8");
    const uint32_t want[3][6] = {{0, 0, 9, 9, 0, 0}, {0, 0, 0, 0, 0, 0}, {7, 7, 7, 1, 2, 3}};
    ExpectPixels(image, [&](int x, int y) { return want[y][x]; }, "RLE8");
    EXPECT_EQ(image.colors()[7].rgbGreen, file.table[7].green);
}

TEST(BmpRunLength, Rle4AlternatesNibblesAndPadsAbsoluteRuns)
{
    BmpFile file = MakeValid(7, 2, 4, 10);
    file.compression = 2;
    file.pixels = {
        5, 0x12,                    // 1 2 1 2 1
        0, 3, 0x34, 0x50,           // absolute run 3 4 5 in two bytes, no padding
        0, 0,                       // end of line
        0, 5, 0xAB, 0xCD, 0xE0, 0,  // absolute run A B C D E in three bytes, padded
        0, 1,                       // end of bitmap
    };
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    ExpectHeader(image, 7, 2, 4, "RLE4");
    // The bottom row overflows: 1 2 1 2 1 3 4 (5 is dropped at the edge).
    const uint32_t want[2][7] = {{10, 11, 12, 13, 14, 0, 0}, {1, 2, 1, 2, 1, 3, 4}};
    ExpectPixels(image, [&](int x, int y) { return want[y][x]; }, "RLE4");
}

TEST(BmpRunLength, DataEndingWithoutEndOfBitmapEndsTheImage)
{
    BmpFile file = MakeValid(3, 2, 8, 12);
    file.compression = 1;
    file.pixels = {3, 4, 0, 0};
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    const uint32_t want[2][3] = {{0, 0, 0}, {4, 4, 4}};
    ExpectPixels(image, [&](int x, int y) { return want[y][x]; }, "no end mark");
}

TEST(BmpRunLength, RunsBeyondTheEdgesAreDropped)
{
    BmpFile file = MakeValid(2, 2, 8, 13);
    file.compression = 1;
    file.pixels = {255, 6, 0, 2, 0, 200, 255, 8, 0, 0, 0, 2, 255, 255, 2, 1, 0, 1};
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    const uint32_t want[2][2] = {{0, 0}, {6, 6}};
    ExpectPixels(image, [&](int x, int y) { return want[y][x]; }, "beyond the edges");
}

TEST(BmpRunLength, SizeImageLimitsTheData)
{
    BmpFile file = MakeValid(2, 1, 8, 14);
    file.compression = 1;
    file.sizeImage = 2;
    file.pixels = {2, 3, 2, 4};  // the second code lies beyond biSizeImage
    PackedDib image;
    ASSERT_EQ(Decode(file, image), "");
    EXPECT_EQ(image.Pixel(0, 0), 3u);
    EXPECT_EQ(image.Pixel(1, 0), 3u);
}

}  // namespace

namespace {

// Random damage to the headers, the colour table and the length of valid
// files: the reader either refuses the file or returns an image of the size
// it announced, and never reads outside the file (the buffer is exactly the
// file, so AddressSanitizer sees any stray read).
TEST(BmpDamaged, NeverReadsOutsideTheFile)
{
    const uint32_t kCompressions[] = {0, 0, 1, 2, 3, 6};
    for (uint64_t seed = 1; seed <= 3000; ++seed) {
        testsupport::Random random(seed);
        const int bitsChoices[] = {1, 4, 8, 16, 24, 32};
        const int bits = bitsChoices[random.Between(0, 5)];
        BmpFile file = MakeValid(random.Between(1, 20), random.Between(-6, 6) | 1, bits, seed);
        file.compression = kCompressions[random.Between(0, 5)];
        if (random.Between(0, 3) == 0) {
            const uint32_t kHeaderSizes[] = {12, 16, 64, 108};
            file.headerSize = kHeaderSizes[random.Between(0, 3)];
        }
        if (file.compression == 3 || file.compression == 6) {
            file.masks = {0xF800, 0x07E0, 0x001F, 0};
        }
        std::vector<uint8_t> bytes = file.Bytes();
        for (int damage = random.Between(0, 4); damage > 0; --damage) {
            const size_t at = static_cast<size_t>(random.Between(0, static_cast<int>(std::min<size_t>(bytes.size(), 80)) - 1));
            bytes[at] = random.Byte();
        }
        if (random.Between(0, 2) == 0) {
            bytes.resize(static_cast<size_t>(random.Between(0, static_cast<int>(bytes.size()))));
        }
        const std::vector<uint8_t> exact(bytes);  // exactly sized
        PackedDib image;
        const std::string problem = DecodeBmp(exact, image);
        if (problem.empty()) {
            ASSERT_FALSE(image.empty()) << "seed " << seed;
            ASSERT_TRUE(image.bits() == 1 || image.bits() == 4 || image.bits() == 8 || image.bits() == 24)
                << "seed " << seed;
            ASSERT_LE(int64_t{image.width()} * image.height(), dibtool::kMaxImagePixels) << "seed " << seed;
        } else {
            ASSERT_TRUE(image.empty()) << "seed " << seed;
        }
    }
}

}  // namespace
