// WriteScreenBmp: the file is read back and its headers, colour table and
// pixels checked against the screen.
#include <cstdio>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "vd_test_util.h"

using namespace vdtest;

namespace {

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v |= static_cast<uint32_t>(b[at + static_cast<size_t>(i)]) << (8 * i);
    }
    return v;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string TempPath(const char* name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/vdisplay_" + name + "_" + std::to_string(getpid()) + ".bmp";
}

struct BmpCase {
    vd::Kind kind;
    bool swapped;
    int bitCount;
    int tableEntries;
};

class ScreenBmp : public ::testing::TestWithParam<BmpCase> {};

TEST_P(ScreenBmp, HeadersAndPixelsMatchTheScreen)
{
    const BmpCase& c = GetParam();
    constexpr int kW = 13, kH = 5;
    Configure(c.kind, kW, kH, c.swapped);
    if (c.kind == vd::Kind::Palette8) {
        const PALETTEENTRY custom[2] = {{11, 22, 33, 0}, {44, 55, 66, 0}};
        vd::SetSystemPaletteEntries(10, 2, custom);
    }
    Random random(static_cast<uint64_t>(c.kind));
    HDC dc = GetDC(nullptr);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            SetPixel(dc, x, y, Ref(random.AnyColor()));
        }
    }
    if (c.kind == vd::Kind::Palette8) {
        vd::SetDevicePixel(0, 0, 10);
        vd::SetDevicePixel(1, 0, 11);
    }
    ReleaseDC(nullptr, dc);

    const std::string path = TempPath(Name(c.kind));
    ASSERT_TRUE(vd::WriteScreenBmp(path.c_str()));
    const std::vector<uint8_t> file = ReadFile(path);
    std::remove(path.c_str());

    const uint32_t stride = static_cast<uint32_t>((kW * c.bitCount + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(c.tableEntries);
    ASSERT_EQ(file.size(), offset + stride * kH) << Name(c.kind);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le(file, 2, 4), file.size()) << "file size field";
    EXPECT_EQ(Le(file, 10, 4), offset) << "pixel data offset";
    EXPECT_EQ(Le(file, 14, 4), 40u) << "header size";
    EXPECT_EQ(Le(file, 18, 4), static_cast<uint32_t>(kW));
    EXPECT_EQ(Le(file, 22, 4), static_cast<uint32_t>(kH)) << "positive height: bottom-up";
    EXPECT_EQ(Le(file, 26, 2), 1u) << "planes";
    EXPECT_EQ(Le(file, 28, 2), static_cast<uint32_t>(c.bitCount)) << Name(c.kind);
    EXPECT_EQ(Le(file, 30, 4), 0u) << "BI_RGB";
    EXPECT_EQ(Le(file, 34, 4), stride * kH) << "image size";
    EXPECT_EQ(Le(file, 46, 4), static_cast<uint32_t>(c.tableEntries)) << "colours used";

    const std::vector<PALETTEENTRY> palette = vd::SystemPalette();
    ASSERT_EQ(palette.size(), static_cast<size_t>(c.tableEntries));
    for (int i = 0; i < c.tableEntries; ++i) {
        const size_t at = 54 + 4 * static_cast<size_t>(i);
        EXPECT_EQ((Color{file[at + 2], file[at + 1], file[at]}),
                  (Color{palette[static_cast<size_t>(i)].peRed, palette[static_cast<size_t>(i)].peGreen,
                         palette[static_cast<size_t>(i)].peBlue}))
            << Name(c.kind) << " table entry " << i;
    }
    for (int y = 0; y < kH; ++y) {
        const size_t row = offset + static_cast<size_t>(kH - 1 - y) * stride;
        for (int x = 0; x < kW; ++x) {
            if (c.bitCount == 24) {
                const Color shown = FromRef(vd::ScreenColor(x, y));
                const size_t at = row + 3 * static_cast<size_t>(x);
                ASSERT_EQ((Color{file[at + 2], file[at + 1], file[at]}), shown)
                    << Name(c.kind) << " pixel " << x << "," << y << ": files are blue, green, red";
            } else {
                const int perByte = 8 / c.bitCount;
                const int shift = 8 - c.bitCount * (x % perByte + 1);
                const int index = (file[row + static_cast<size_t>(x / perByte)] >> shift) & ((1 << c.bitCount) - 1);
                ASSERT_EQ(static_cast<uint32_t>(index), vd::DevicePixel(x, y))
                    << Name(c.kind) << " pixel " << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ScreenBmp,
    ::testing::Values(BmpCase{vd::Kind::Mono, false, 1, 2}, BmpCase{vd::Kind::Planar4, false, 4, 16},
                      BmpCase{vd::Kind::Packed4, false, 4, 16}, BmpCase{vd::Kind::Palette8, false, 8, 256},
                      BmpCase{vd::Kind::Grey2, false, 4, 4}, BmpCase{vd::Kind::Rgb332, false, 24, 0},
                      BmpCase{vd::Kind::Rgb565, false, 24, 0}, BmpCase{vd::Kind::Rgb24, false, 24, 0},
                      BmpCase{vd::Kind::Rgb32, false, 24, 0}, BmpCase{vd::Kind::Rgb32, true, 24, 0}),
    [](const auto& info) { return std::string(Name(info.param.kind)) + (info.param.swapped ? "_swapped" : ""); });

TEST(ScreenBmpFailure, UnwritablePathReportsFalse)
{
    Configure(vd::Kind::Rgb32, 2, 2);
    EXPECT_FALSE(vd::WriteScreenBmp("/nonexistent-directory/screen.bmp"));
    EXPECT_FALSE(vd::WriteScreenBmp(nullptr));
}

}  // namespace
