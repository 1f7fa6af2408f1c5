// Handle accounting: live counters, stock objects, double deletes, invalid
// handles, objects deleted while selected, Configure, and several threads.
#include <thread>

#include "vd_test_util.h"

using namespace vdtest;

namespace {

// Each test releases everything it made, and the display then holds nothing.
class Accounting : public ::testing::Test {
protected:
    void TearDown() override { ExpectNothingLive("at the end of the test"); }
};

TEST_F(Accounting, CountersFollowCreationAndRelease)
{
    Configure(vd::Kind::Palette8);
    ExpectNothingLive("after Configure");
    HWND window = vd::CreateWindow(RECT{0, 0, 4, 4});
    HDC screen = GetDC(nullptr);
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HPALETTE palette = MakePalette({{1, 2, 3}});
    HBITMAP a = CreateCompatibleBitmap(screen, 3, 3);
    HBITMAP b = CreateCompatibleBitmap(memory, 3, 3);
    vd::LiveObjects live = vd::CountLiveObjects();
    EXPECT_EQ(live.dcs, 3);
    EXPECT_EQ(live.palettes, 1);
    EXPECT_EQ(live.bitmaps, 2);
    EXPECT_EQ(ReleaseDC(window, windowDc), 1);
    EXPECT_EQ(DeleteDC(memory), TRUE);
    EXPECT_EQ(vd::CountLiveObjects().dcs, 1);
    EXPECT_EQ(DeleteObject(palette), TRUE);
    EXPECT_EQ(DeleteObject(a), TRUE);
    EXPECT_EQ(DeleteObject(b), TRUE);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST_F(Accounting, DoubleReleaseAndDoubleDeleteAreHarmless)
{
    Configure(vd::Kind::Rgb32);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HPALETTE palette = MakePalette({{1, 2, 3}});
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 2, 2);
    EXPECT_EQ(DeleteObject(palette), TRUE);
    EXPECT_EQ(DeleteObject(palette), FALSE) << "palette deleted twice";
    EXPECT_EQ(DeleteObject(bitmap), TRUE);
    EXPECT_EQ(DeleteObject(bitmap), FALSE) << "bitmap deleted twice";
    EXPECT_EQ(DeleteDC(memory), TRUE);
    EXPECT_EQ(DeleteDC(memory), FALSE) << "memory DC deleted twice";
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0) << "DC released twice";
}

TEST_F(Accounting, StockObjectsSurviveDeletion)
{
    Configure(vd::Kind::Palette8);
    HGDIOBJ stock = GetStockObject(DEFAULT_PALETTE);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), stock);
    EXPECT_EQ(GetStockObject(0), nullptr) << "only the default palette is provided";
    // As in GDI, deleting a stock object succeeds and does nothing.
    EXPECT_EQ(DeleteObject(stock), TRUE);
    EXPECT_EQ(DeleteObject(stock), TRUE);
    HDC dc = GetDC(nullptr);
    HPALETTE palette = MakePalette({{1, 2, 3}});
    EXPECT_EQ(SelectPalette(dc, palette, FALSE), stock);
    EXPECT_EQ(SelectPalette(dc, static_cast<HPALETTE>(stock), FALSE), palette) << "stock palette still usable";
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(250, 0, 0)), RGB(255, 0, 0));
    // A zero-sized compatible bitmap is the stock 1 x 1 monochrome bitmap.
    HBITMAP empty = CreateCompatibleBitmap(dc, 0, 4);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(vd::ReadBitmap(empty).kind, vd::Kind::Mono);
    EXPECT_EQ(vd::CountLiveObjects().bitmaps, 0);
    EXPECT_EQ(DeleteObject(empty), TRUE);
    HDC memory = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(memory, empty), empty) << "the stock bitmap is what a memory DC starts with";
    DeleteDC(memory);
    ReleaseDC(nullptr, dc);
    DeleteObject(palette);
}

TEST_F(Accounting, InvalidHandlesNeverCrash)
{
    Configure(vd::Kind::Palette8);
    const HDC bogusDc = reinterpret_cast<HDC>(0x7777);
    const HBITMAP bogusBitmap = reinterpret_cast<HBITMAP>(0x8888);
    const HPALETTE bogusPalette = reinterpret_cast<HPALETTE>(0x9999);
    Dib dib(1, 1, 8);
    uint8_t out[4];
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = 1;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 24;
    PALETTEENTRY entry;
    for (HDC dc : {bogusDc, static_cast<HDC>(nullptr)}) {
        EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 0);
        EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
        EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
        EXPECT_EQ(StretchDIBits(dc, 0, 0, 1, 1, 0, 0, 1, 1, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 0);
        EXPECT_EQ(BitBlt(dc, 0, 0, 1, 1, dc, 0, 0, SRCCOPY), FALSE);
        EXPECT_EQ(SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE), nullptr);
        EXPECT_EQ(RealizePalette(dc), 0xFFFFFFFFu) << "GDI_ERROR";
        EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 1, &entry), 0u);
        EXPECT_EQ(CreateCompatibleBitmap(dc, 1, 1), nullptr);
        EXPECT_EQ(SelectObject(dc, bogusBitmap), nullptr);
        EXPECT_EQ(DeleteDC(dc), FALSE);
        EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
    }
    EXPECT_EQ(CreateCompatibleDC(bogusDc), nullptr);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(screen, bogusBitmap, 0, 1, out, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(screen, nullptr, 0, 1, out, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS), 0);
    EXPECT_EQ(SelectPalette(screen, bogusPalette, FALSE), nullptr);
    EXPECT_EQ(SelectObject(screen, bogusPalette), nullptr);
    EXPECT_EQ(DeleteObject(bogusPalette), FALSE);
    EXPECT_EQ(DeleteObject(nullptr), FALSE);
    EXPECT_EQ(DeleteObject(screen), FALSE) << "a DC is not a GDI object to DeleteObject";
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x4444)), nullptr);
    vd::DestroyWindow(reinterpret_cast<HWND>(0x4444));
    EXPECT_TRUE(vd::ReadBitmap(bogusBitmap).pixels.empty());
    ReleaseDC(nullptr, screen);
}

TEST_F(Accounting, ExtremeCoordinatesDrawNothing)
{
    Configure(vd::Kind::Rgb32, 8, 8);
    constexpr int kMax = 0x7FFFFFFF;
    constexpr int kMin = -kMax - 1;
    EXPECT_EQ(vd::CreateWindow(RECT{kMin, 0, kMax, 10}), nullptr);
    HWND window = vd::CreateWindow(RECT{2, 2, 6, 6});
    HDC dc = GetDC(window);
    Dib dib(2, 2, 24);
    dib.SetPixel(0, 0, 0xFFFFFF);
    EXPECT_EQ(SetPixel(dc, kMax, kMax, RGB(255, 255, 255)), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, kMin, kMin), CLR_INVALID);
    EXPECT_EQ(StretchDIBits(dc, kMax, 0, kMax, 2, 0, 0, 2, 2, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 2, kMin, 0, kMax, 2, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_TRUE(BitBlt(dc, kMax, kMax, kMax, kMax, dc, kMin, kMin, SRCCOPY));
    for (int p = 0; p < 64; ++p) {
        ASSERT_EQ(vd::DevicePixel(p % 8, p / 8), 0u) << "drew at " << p % 8 << "," << p / 8;
    }
    ReleaseDC(window, dc);
}

TEST_F(Accounting, DcKindsAreReleasedTheirOwnWay)
{
    Configure(vd::Kind::Rgb32);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_EQ(DeleteDC(screen), FALSE) << "GetDC DCs go back through ReleaseDC";
    EXPECT_EQ(ReleaseDC(nullptr, memory), 0) << "memory DCs go through DeleteDC";
    EXPECT_EQ(vd::CountLiveObjects().dcs, 2);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(Accounting, BitmapDeletedWhileSelectedLivesUntilItsDcGoes)
{
    Configure(vd::Kind::Rgb32, 4, 4);
    HDC screen = GetDC(nullptr);
    SetPixel(screen, 0, 0, RGB(1, 2, 3));
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 2, 2);
    const HGDIOBJ stock = SelectObject(memory, bitmap);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(DeleteObject(bitmap), TRUE);
    EXPECT_EQ(vd::CountLiveObjects().bitmaps, 1) << "still selected, so still alive";
    EXPECT_EQ(DeleteObject(bitmap), FALSE) << "already deleted";
    EXPECT_TRUE(BitBlt(memory, 0, 0, 2, 2, screen, 0, 0, SRCCOPY)) << "the DC still draws into it";
    EXPECT_TRUE(BitBlt(screen, 2, 2, 2, 2, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(vd::ScreenColor(2, 2), RGB(1, 2, 3));
    EXPECT_EQ(SelectObject(memory, stock), bitmap);
    EXPECT_EQ(vd::CountLiveObjects().bitmaps, 0) << "destroyed once deselected";
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    // Deleting the DC lets go of it too.
    screen = GetDC(nullptr);
    memory = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, 2, 2);
    SelectObject(memory, bitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(Accounting, PaletteDeletedWhileSelectedLivesUntilItsDcGoes)
{
    Configure(vd::Kind::Palette8);
    HDC dc = GetDC(nullptr);
    HPALETTE palette = SelectRealizedPalette(dc, {{1, 2, 3}});
    EXPECT_EQ(DeleteObject(palette), TRUE);
    EXPECT_EQ(vd::CountLiveObjects().palettes, 1);
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(1, 2, 3)), RGB(1, 2, 3)) << "the DC still draws through it";
    HDC other = GetDC(nullptr);
    EXPECT_EQ(SelectPalette(other, palette, FALSE), nullptr) << "a deleted palette cannot be selected again";
    ReleaseDC(nullptr, other);
    ReleaseDC(nullptr, dc);
}

TEST_F(Accounting, BitmapGoesIntoOneDcAtATime)
{
    Configure(vd::Kind::Rgb32);
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(first, 2, 2);
    HBITMAP colour = nullptr;
    {
        HDC screen = GetDC(nullptr);
        colour = CreateCompatibleBitmap(screen, 2, 2);
        ReleaseDC(nullptr, screen);
    }
    EXPECT_EQ(vd::ReadBitmap(bitmap).kind, vd::Kind::Mono) << "compatible with a fresh memory DC";
    EXPECT_EQ(vd::ReadBitmap(colour).kind, vd::Kind::Rgb32);
    EXPECT_NE(SelectObject(first, colour), nullptr);
    EXPECT_EQ(SelectObject(second, colour), nullptr) << "already selected into another DC";
    EXPECT_EQ(SelectObject(first, colour), colour) << "selecting again returns it";
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(SelectObject(screen, bitmap), nullptr) << "bitmaps go into memory DCs only";
    ReleaseDC(nullptr, screen);
    DeleteDC(first);
    DeleteDC(second);
    DeleteObject(bitmap);
    DeleteObject(colour);
}

TEST_F(Accounting, ConfigureKeepsPalettesAndBitmapsButNotWindowsOrDcs)
{
    Configure(vd::Kind::Palette8, 8, 8);
    HWND window = vd::CreateWindow(RECT{0, 0, 4, 4});
    HDC dc = GetDC(window);
    HPALETTE palette = SelectRealizedPalette(dc, {{1, 2, 3}});
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 2, 2);
    SetPixel(dc, 1, 1, RGB(255, 255, 255));
    Configure(vd::Kind::Rgb32, 8, 8);
    EXPECT_EQ(vd::CountLiveObjects().dcs, 0);
    EXPECT_EQ(vd::CountLiveObjects().palettes, 1);
    EXPECT_EQ(vd::CountLiveObjects().bitmaps, 1);
    EXPECT_EQ(GetDC(window), nullptr) << "windows are gone";
    EXPECT_EQ(ReleaseDC(window, dc), 0) << "old DCs are invalid";
    EXPECT_EQ(DeleteObject(palette), TRUE) << "a palette outlives the change of mode";
    EXPECT_EQ(DeleteObject(bitmap), TRUE) << "so does a bitmap";
    ExpectNothingLive("after deleting them");
    EXPECT_EQ(vd::DevicePixel(1, 1), 0u);
    const vd::Config config = vd::CurrentConfig();
    EXPECT_EQ(config.kind, vd::Kind::Rgb32);
    EXPECT_EQ(config.width, 8);
}

TEST_F(Accounting, ConfigureRestoresTheStandardSystemPalette)
{
    Configure(vd::Kind::Palette8, 8, 8);
    HDC dc = GetDC(nullptr);
    HPALETTE palette = SelectRealizedPalette(dc, {{1, 2, 3}});
    ReleaseDC(nullptr, dc);
    Configure(vd::Kind::Palette8, 8, 8);
    EXPECT_EQ(CurrentSystemPalette(), StartSystemPalette());
    DeleteObject(palette);
}

TEST(Threads, ConcurrentDrawingKeepsCountsAndPixels)
{
    Configure(vd::Kind::Rgb32, 64, 8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            HWND window = vd::CreateWindow(RECT{t * 16, 0, t * 16 + 16, 8});
            Dib dib(16, 8, 24);
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 16; ++x) {
                    dib.SetPixel(x, y, static_cast<uint32_t>((t << 16) | (y << 8) | x));
                }
            }
            for (int round = 0; round < 200; ++round) {
                HDC dc = GetDC(window);
                HDC memory = CreateCompatibleDC(dc);
                HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
                HGDIOBJ old = SelectObject(memory, bitmap);
                StretchDIBits(dc, 0, 0, 16, 8, 0, 0, 16, 8, dib.pixels(), dib.info(), DIB_RGB_COLORS, SRCCOPY);
                BitBlt(memory, 0, 0, 4, 4, dc, 0, 0, SRCCOPY);
                SelectObject(memory, old);
                DeleteObject(bitmap);
                DeleteDC(memory);
                ReleaseDC(window, dc);
            }
            vd::DestroyWindow(window);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ExpectNothingLive();
    for (int t = 0; t < 4; ++t) {
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 16; ++x) {
                ASSERT_EQ(vd::DevicePixel(t * 16 + x, y), static_cast<uint32_t>((t << 16) | (y << 8) | x))
                    << "thread " << t << " pixel " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(vd::StretchCalls().size(), 800u);
}

}  // namespace

namespace {

struct ClipBox {
    int region;
    RECT box;
};

ClipBox ClipBoxOf(HDC dc)
{
    ClipBox result = {0, RECT{-1, -1, -1, -1}};
    result.region = GetClipBox(dc, &result.box);
    return result;
}

::testing::AssertionResult IsBox(const ClipBox& actual, int region, const RECT& box)
{
    const RECT& b = actual.box;
    if (actual.region == region && b.left == box.left && b.top == box.top && b.right == box.right &&
        b.bottom == box.bottom) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "region " << actual.region << ", box (" << b.left << ", " << b.top
                                         << ", " << b.right << ", " << b.bottom << ")";
}

}  // namespace

TEST(ClipBox, EachKindOfDcBoundsWhatItCanDrawOn)
{
    vdtest::Configure(vd::Kind::Rgb32, 40, 30);
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(IsBox(ClipBoxOf(screen), SIMPLEREGION, RECT{0, 0, 40, 30})) << "screen";

    // A window's DC has the window's top-left as its origin and ends at the
    // screen's edge.
    HWND inside = vd::CreateWindow(RECT{5, 6, 25, 16});
    HWND across = vd::CreateWindow(RECT{-10, 20, 15, 50});
    HWND off = vd::CreateWindow(RECT{50, 0, 60, 10});
    HDC insideDc = GetDC(inside), acrossDc = GetDC(across), offDc = GetDC(off);
    EXPECT_TRUE(IsBox(ClipBoxOf(insideDc), SIMPLEREGION, RECT{0, 0, 20, 10})) << "window inside";
    EXPECT_TRUE(IsBox(ClipBoxOf(acrossDc), SIMPLEREGION, RECT{10, 0, 25, 10})) << "window across the corner";
    EXPECT_TRUE(IsBox(ClipBoxOf(offDc), NULLREGION, RECT{0, 0, 0, 0})) << "window off the screen";
    vd::DestroyWindow(inside);
    EXPECT_TRUE(IsBox(ClipBoxOf(insideDc), NULLREGION, RECT{0, 0, 0, 0})) << "window destroyed";

    HDC memory = CreateCompatibleDC(screen);
    EXPECT_TRUE(IsBox(ClipBoxOf(memory), SIMPLEREGION, RECT{0, 0, 1, 1})) << "memory DC, stock bitmap";
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 7, 3);
    HGDIOBJ stock = SelectObject(memory, bitmap);
    EXPECT_TRUE(IsBox(ClipBoxOf(memory), SIMPLEREGION, RECT{0, 0, 7, 3})) << "memory DC, 7 x 3 bitmap";
    SelectObject(memory, stock);
    DeleteObject(bitmap);
    DeleteDC(memory);

    RECT box = {};
    EXPECT_EQ(GetClipBox(nullptr, &box), ERROR);
    EXPECT_EQ(GetClipBox(screen, nullptr), ERROR);
    for (HDC dc : {insideDc, acrossDc, offDc, screen}) {
        ReleaseDC(nullptr, dc);
    }
    EXPECT_EQ(GetClipBox(screen, &box), ERROR) << "released DC";
    vd::DestroyWindow(across);
    vd::DestroyWindow(off);
}
