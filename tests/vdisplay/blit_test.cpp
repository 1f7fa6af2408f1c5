// BitBlt between the screen and memory bitmaps, and GetDIBits read-back, on
// every kind of display, including the swapped 24-bit byte order.
#include "vd_test_util.h"

using namespace vdtest;

namespace {

void FillRandom(Random& random, vd::Kind kind, int width, int height)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            vd::SetDevicePixel(x, y, static_cast<uint32_t>(random.Next()) & PixelMask(kind));
        }
    }
}

BITMAPINFOHEADER Header(int width, int height, int bitCount)
{
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    return h;
}

// Sets the screen's top row, from the left, to the colours.
void PaintTopRow(const std::vector<COLORREF>& colors)
{
    HDC screen = GetDC(nullptr);
    for (size_t x = 0; x < colors.size(); ++x) {
        SetPixel(screen, static_cast<int>(x), 0, colors[x]);
    }
    ReleaseDC(nullptr, screen);
}

struct InfoBlock {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

struct ProbeCase {
    vd::Kind kind;
    bool swapped;
};

class ReadBackProbe : public ::testing::TestWithParam<ProbeCase> {};

// The display probe: draw a colour, copy the pixel into a 1 x 1 compatible
// bitmap and read it back as one pixel of a 24-bit DIB.
TEST_P(ReadBackProbe, ReturnsTheDisplaysRenditionInDibByteOrder)
{
    const auto [kind, swapped] = GetParam();
    Configure(kind, 8, 8, swapped);
    for (int seed = 0; seed < 60; ++seed) {
        Random random(static_cast<uint64_t>(seed));
        const Color color = random.AnyColor();
        HDC screen = GetDC(nullptr);
        vd::SetDevicePixel(0, 0, 1);
        const COLORREF saved = GetPixel(screen, 0, 0);
        SetPixel(screen, 0, 0, Ref(color));
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 1);
        ASSERT_NE(SelectObject(memory, bitmap), nullptr);
        ASSERT_TRUE(BitBlt(memory, 0, 0, 1, 1, screen, 0, 0, SRCCOPY));
        BITMAPINFOHEADER header = Header(1, 1, 24);
        header.biSizeImage = 4;
        uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        ASSERT_EQ(GetDIBits(memory, bitmap, 0, 1, out, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS), 1)
            << Name(kind);
        DeleteDC(memory);
        DeleteObject(bitmap);
        SetPixel(screen, 0, 0, saved);
        ReleaseDC(nullptr, screen);

        const Color shown = ReferenceColor(kind, ReferencePixel(kind, color));
        const std::string context = std::string(Name(kind)) + (swapped ? " swapped" : "") + " seed " +
                                    std::to_string(seed) + " colour " + ToString(color);
        EXPECT_EQ(out[0], swapped ? shown.r : shown.b) << context;
        EXPECT_EQ(out[1], shown.g) << context;
        EXPECT_EQ(out[2], swapped ? shown.b : shown.r) << context;
        EXPECT_EQ(out[3], 0) << context << ": row padding";
        EXPECT_EQ(vd::DevicePixel(0, 0), 1u) << context << ": pixel not restored";
        ExpectNothingLive(context);
    }
}

std::vector<ProbeCase> ProbeCases()
{
    std::vector<ProbeCase> cases;
    for (vd::Kind kind : AllKinds()) {
        cases.push_back({kind, false});
        cases.push_back({kind, true});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReadBackProbe, ::testing::ValuesIn(ProbeCases()), [](const auto& info) {
    return std::string(Name(info.param.kind)) + (info.param.swapped ? "_swapped" : "");
});

class ReadBack : public ::testing::TestWithParam<vd::Kind> {};

TEST_P(ReadBack, RegionInto24BitDibRowsBottomUpAndPadded)
{
    const vd::Kind kind = GetParam();
    for (bool swapped : {false, true}) {
        Configure(kind, 16, 12, swapped);
        Random random(7);
        FillRandom(random, kind, 16, 12);
        constexpr int kW = 7, kH = 5, kStride = 24;  // 21 bytes padded to 24
        {
            const ScreenCopy copy(kW, kH, 3, 2);
            for (bool topDown : {false, true}) {
                BITMAPINFOHEADER header = Header(kW, topDown ? -kH : kH, 24);
                std::vector<uint8_t> out(kStride * kH + 8, 0xEE);
                ASSERT_EQ(GetDIBits(copy.memory(), copy.bitmap(), 0, kH, out.data(),
                                    reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS),
                          kH);
                EXPECT_EQ(header.biSizeImage, static_cast<DWORD>(kStride * kH));
                for (int y = 0; y < kH; ++y) {
                    const uint8_t* row = out.data() + (topDown ? y : kH - 1 - y) * kStride;
                    for (int x = 0; x < kW; ++x) {
                        const Color c = ReferenceColor(kind, vd::DevicePixel(3 + x, 2 + y));
                        const uint8_t* p = row + 3 * x;
                        ASSERT_EQ((Color{swapped ? p[2] : p[0], p[1], swapped ? p[0] : p[2]}), (Color{c.b, c.g, c.r}))
                            << Name(kind) << (swapped ? " swapped" : "") << (topDown ? " top-down" : " bottom-up")
                            << " pixel " << x << "," << y;
                    }
                    for (int pad = 3 * kW; pad < kStride; ++pad) {
                        EXPECT_EQ(row[pad], 0) << Name(kind) << " padding of row " << y;
                    }
                }
                for (int guard = kStride * kH; guard < kStride * kH + 8; ++guard) {
                    EXPECT_EQ(out[static_cast<size_t>(guard)], 0xEE) << Name(kind) << ": wrote past the DIB";
                }
            }
        }
        ExpectNothingLive(Name(kind));
    }
}

TEST_P(ReadBack, PartialScanLinesCountFromTheBottom)
{
    const vd::Kind kind = GetParam();
    Configure(kind, 4, 4);
    Random random(3);
    FillRandom(random, kind, 4, 4);
    const ScreenCopy copy(1, 4);
    BITMAPINFOHEADER header = Header(1, 4, 32);
    uint32_t out[2] = {0xDEADBEEF, 0xDEADBEEF};
    ASSERT_EQ(
        GetDIBits(copy.memory(), copy.bitmap(), 1, 2, out, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS), 2);
    // Scan line 1 is the second row from the bottom, bitmap row 2.
    for (int k = 0; k < 2; ++k) {
        const Color c = ReferenceColor(kind, vd::DevicePixel(0, 2 - k));
        EXPECT_EQ(out[k], static_cast<uint32_t>((c.r << 16) | (c.g << 8) | c.b))
            << Name(kind) << " scan line " << 1 + k;
    }
}

TEST_P(ReadBack, IndexedDibsUseTheDevicePaletteOrTheStandardTable)
{
    const vd::Kind kind = GetParam();
    Configure(kind, 8, 1);
    if (kind == vd::Kind::Palette8) {
        const PALETTEENTRY changed[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
        vd::SetSystemPaletteEntries(10, 2, changed);
    }
    Random random(11);
    FillRandom(random, kind, 8, 1);
    const ScreenCopy copy(8, 1);
    const std::vector<PALETTEENTRY> device = vd::SystemPalette();
    for (int bitCount : {1, 4, 8}) {
        InfoBlock info{};
        info.header = Header(8, 1, bitCount);
        uint8_t out[8] = {};
        ASSERT_EQ(
            GetDIBits(copy.memory(), copy.bitmap(), 0, 1, out, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS), 1)
            << Name(kind) << " " << bitCount << "-bit";
        const size_t size = size_t{1} << bitCount;
        const bool direct = !device.empty() && device.size() <= size;
        std::vector<Color> table;
        for (size_t i = 0; i < size; ++i) {
            table.push_back({info.colors[i].rgbRed, info.colors[i].rgbGreen, info.colors[i].rgbBlue});
        }
        for (size_t i = 0; direct && i < size; ++i) {
            const Color expected = i < device.size() ? Color{device[i].peRed, device[i].peGreen, device[i].peBlue}
                                                     : Color{0, 0, 0};
            EXPECT_EQ(table[i], expected) << Name(kind) << " " << bitCount << "-bit table entry " << i;
        }
        for (int x = 0; x < 8; ++x) {
            const int perByte = 8 / bitCount;
            const int index = (out[x / perByte] >> (8 - bitCount * (x % perByte + 1))) & ((1 << bitCount) - 1);
            const uint32_t pixel = vd::DevicePixel(x, 0);
            if (direct) {
                EXPECT_EQ(static_cast<uint32_t>(index), pixel) << Name(kind) << " " << bitCount << "-bit pixel " << x;
            } else {
                const Color shown = FromRef(vd::PixelColor(pixel));
                EXPECT_EQ(index, Nearest(table, shown)) << Name(kind) << " " << bitCount << "-bit pixel " << x;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReadBack, ::testing::ValuesIn(AllKinds()),
                         [](const auto& info) { return std::string(Name(info.param)); });

TEST(ReadBackTables, StandardTablesOnTrueColour)
{
    Configure(vd::Kind::Rgb32, 4, 1);
    PaintTopRow({RGB(0x20, 0x40, 0x80), RGB(255, 0, 0), RGB(100, 100, 100), RGB(200, 200, 200)});
    const ScreenCopy copy(4, 1);
    InfoBlock info{};
    info.header = Header(4, 1, 8);
    uint8_t out[4] = {};
    GetDIBits(copy.memory(), copy.bitmap(), 0, 1, out, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    EXPECT_EQ(out[0], 145) << "the ramp entry 2 * 64 + 2 * 8 + 1 holds (0x20, 0x40, 0x80)";
    EXPECT_EQ((Color{info.colors[145].rgbRed, info.colors[145].rgbGreen, info.colors[145].rgbBlue}),
              (Color{0x20, 0x40, 0x80}));
    EXPECT_EQ(out[1], 249) << "red is the static entry 249";
    info.header = Header(4, 1, 1);
    GetDIBits(copy.memory(), copy.bitmap(), 0, 1, out, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    EXPECT_EQ(out[0] >> 4, 0x1) << "1-bit: grey 100 is nearer black, grey 200 nearer white";
}

TEST(ReadBackTables, QueryDescribesTheBitmap)
{
    struct Case {
        vd::Kind kind;
        int bitCount;
    };
    for (const Case& c : {Case{vd::Kind::Palette8, 8}, Case{vd::Kind::Rgb24, 24}, Case{vd::Kind::Planar4, 4}}) {
        Configure(c.kind);
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 5, 3);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof(header);
        EXPECT_EQ(GetDIBits(screen, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS), 3)
            << Name(c.kind);
        EXPECT_EQ(header.biWidth, 5) << Name(c.kind);
        EXPECT_EQ(header.biHeight, 3) << Name(c.kind);
        EXPECT_EQ(header.biBitCount, c.bitCount) << Name(c.kind);
        EXPECT_EQ(header.biSizeImage, static_cast<DWORD>(((5 * c.bitCount + 31) / 32) * 4 * 3)) << Name(c.kind);
        DeleteObject(bitmap);
        ReleaseDC(nullptr, screen);
    }
}

class BlitRops : public ::testing::TestWithParam<vd::Kind> {};

TEST_P(BlitRops, MemoryToScreenCombinesDeviceValuesInsideTheWindow)
{
    const vd::Kind kind = GetParam();
    constexpr int kW = 16, kH = 12;
    for (int seed = 0; seed < 30; ++seed) {
        Random random(static_cast<uint64_t>(seed));
        const DWORD rop = seed % 3 == 0 ? SRCCOPY : seed % 3 == 1 ? SRCAND : SRCPAINT;
        Configure(kind, kW, kH);
        FillRandom(random, kind, kW, kH);
        // The bitmap takes a copy of the screen's top-left corner, then the
        // screen is refilled and the copy drawn back elsewhere.
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 6, 5);
        SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, 6, 5, screen, 0, 0, SRCCOPY);
        const std::vector<uint32_t> copy = testsupport::DevicePixels(RECT{0, 0, 6, 5});
        EXPECT_EQ(vd::ReadBitmap(bitmap).pixels, copy) << Name(kind) << " seed " << seed;
        FillRandom(random, kind, kW, kH);
        const RECT area{random.Between(-2, 8), random.Between(-2, 6), 0, 0};
        const RECT window{area.left, area.top, area.left + random.Between(1, 10), area.top + random.Between(1, 8)};
        HWND hwnd = vd::CreateWindow(window);
        HDC dc = GetDC(hwnd);
        const int x = random.Between(-3, 5), y = random.Between(-3, 4);
        const int sx = random.Between(-1, 3), sy = random.Between(-1, 3);
        std::vector<uint32_t> expected;
        for (int py = 0; py < kH; ++py) {
            for (int px = 0; px < kW; ++px) {
                uint32_t value = vd::DevicePixel(px, py);
                const int bx = px - window.left - x + sx;
                const int by = py - window.top - y + sy;
                const bool inWindow = px >= window.left && px < window.right && py >= window.top && py < window.bottom;
                if (inWindow && px - window.left - x >= 0 && px - window.left - x < 6 && py - window.top - y >= 0 &&
                    py - window.top - y < 5 && bx >= 0 && bx < 6 && by >= 0 && by < 5) {
                    const uint32_t s = copy[static_cast<size_t>(by * 6 + bx)];
                    value = rop == SRCCOPY ? s : rop == SRCAND ? (value & s) : (value | s);
                }
                expected.push_back(value);
            }
        }
        EXPECT_TRUE(BitBlt(dc, x, y, 6, 5, memory, sx, sy, rop));
        for (int p = 0; p < kW * kH; ++p) {
            ASSERT_EQ(vd::DevicePixel(p % kW, p / kW), expected[static_cast<size_t>(p)])
                << Name(kind) << " seed " << seed << " first difference at " << p % kW << "," << p / kW;
        }
        ReleaseDC(hwnd, dc);
        DeleteDC(memory);
        DeleteObject(bitmap);
        ReleaseDC(nullptr, screen);
        ExpectNothingLive();
    }
}

TEST_P(BlitRops, OverlappingScreenToScreenCopiesTheOriginalPixels)
{
    const vd::Kind kind = GetParam();
    struct Shift {
        int dx, dy;
    };
    for (const Shift s : {Shift{1, 1}, Shift{-1, -1}, Shift{2, 0}, Shift{0, -2}}) {
        Configure(kind, 10, 8);
        Random random(5);
        FillRandom(random, kind, 10, 8);
        std::vector<uint32_t> before;
        for (int p = 0; p < 80; ++p) {
            before.push_back(vd::DevicePixel(p % 10, p / 10));
        }
        HDC screen = GetDC(nullptr);
        BitBlt(screen, 2 + s.dx, 2 + s.dy, 5, 4, screen, 2, 2, SRCCOPY);
        ReleaseDC(nullptr, screen);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                const uint32_t original = before[static_cast<size_t>((2 + y) * 10 + 2 + x)];
                ASSERT_EQ(vd::DevicePixel(2 + s.dx + x, 2 + s.dy + y), original)
                    << Name(kind) << " shift " << s.dx << "," << s.dy << " at " << x << "," << y;
            }
        }
    }
}

TEST_P(BlitRops, RopsWithoutSourceUseDeviceBits)
{
    const vd::Kind kind = GetParam();
    Configure(kind, 4, 1);
    for (int x = 0; x < 4; ++x) {
        vd::SetDevicePixel(x, 0, 0x5A5A5A & PixelMask(kind));
    }
    HDC screen = GetDC(nullptr);
    constexpr DWORD kBlackness = 0x00000042, kWhiteness = 0x00FF0062, kDstInvert = 0x00550009;
    EXPECT_TRUE(BitBlt(screen, 0, 0, 1, 1, nullptr, 0, 0, kBlackness));
    EXPECT_TRUE(BitBlt(screen, 1, 0, 1, 1, nullptr, 0, 0, kWhiteness));
    EXPECT_TRUE(BitBlt(screen, 2, 0, 1, 1, nullptr, 0, 0, kDstInvert));
    EXPECT_FALSE(BitBlt(screen, 3, 0, 1, 1, nullptr, 0, 0, SRCCOPY)) << "SRCCOPY needs a source";
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(vd::ScreenColor(0, 0), RGB(0, 0, 0)) << Name(kind);
    EXPECT_EQ(vd::ScreenColor(1, 0), RGB(255, 255, 255)) << Name(kind);
    EXPECT_EQ(vd::DevicePixel(2, 0), ~0x5A5A5Au & PixelMask(kind)) << Name(kind);
    EXPECT_EQ(vd::DevicePixel(3, 0), 0x5A5A5Au & PixelMask(kind)) << Name(kind);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BlitRops, ::testing::ValuesIn(AllKinds()),
                         [](const auto& info) { return std::string(Name(info.param)); });

TEST(MonoBitmaps, CompatibleWithAFreshMemoryDcMeansMonochrome)
{
    for (vd::Kind kind : {vd::Kind::Rgb32, vd::Kind::Palette8, vd::Kind::Rgb565}) {
        Configure(kind, 4, 2);
        PaintTopRow({RGB(255, 255, 255), RGB(250, 250, 250), RGB(0, 0, 0), RGB(255, 0, 0)});
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP mono = CreateCompatibleBitmap(memory, 4, 1);
        ASSERT_EQ(vd::ReadBitmap(mono).kind, vd::Kind::Mono) << Name(kind);
        SelectObject(memory, mono);
        BitBlt(memory, 0, 0, 4, 1, screen, 0, 0, SRCCOPY);
        // Only the source's background colour, white, becomes 1.
        const bool nearWhiteIsWhite = ReferencePixel(kind, {250, 250, 250}) == ReferencePixel(kind, {255, 255, 255});
        EXPECT_EQ(vd::ReadBitmap(mono).pixels,
                  (std::vector<uint32_t>{1, nearWhiteIsWhite ? 1u : 0u, 0, 0}))
            << Name(kind);
        BitBlt(screen, 0, 1, 4, 1, memory, 0, 0, SRCCOPY);
        EXPECT_EQ(vd::ScreenColor(0, 1), RGB(255, 255, 255)) << Name(kind);
        EXPECT_EQ(vd::ScreenColor(3, 1), RGB(0, 0, 0)) << Name(kind);
        DeleteDC(memory);
        DeleteObject(mono);
        ReleaseDC(nullptr, screen);
        ExpectNothingLive(Name(kind));
    }
}

}  // namespace
