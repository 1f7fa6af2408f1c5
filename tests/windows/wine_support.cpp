#include "wine_support.h"

#include <cstdio>
#include <cstring>

#include "dibdraw32/Diagnostics.h"
#include "memkit40.h"

namespace winetest {

ScreenCaps ScreenCaps::Now()
{
    HDC screen = GetDC(nullptr);
    ScreenCaps caps = {GetDeviceCaps(screen, PLANES), GetDeviceCaps(screen, BITSPIXEL),
                       GetDeviceCaps(screen, SIZEPALETTE), (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0};
    ReleaseDC(nullptr, screen);
    return caps;
}

std::string ScreenCaps::Describe() const
{
    return std::to_string(planes) + " plane(s) of " + std::to_string(bitsPixel) + " bits, SIZEPALETTE " +
           std::to_string(sizePalette) + (rcPalette ? ", RC_PALETTE" : "");
}

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Hex(uint32_t rgb)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(rgb));
    return text;
}

std::vector<uint32_t> SystemPalette()
{
    PALETTEENTRY entries[256] = {};
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, 256, entries);
    ReleaseDC(nullptr, screen);
    std::vector<uint32_t> colors(256);
    for (int i = 0; i < 256; ++i) {
        colors[i] = Rgb(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
    }
    return colors;
}

namespace {

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// A 24-bit DIB row of the given colours.
struct ColourRow {
    explicit ColourRow(const std::vector<uint32_t>& colors)
        : bytes((colors.size() * 3 + 3) & ~size_t{3})
    {
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = static_cast<LONG>(colors.size());
        info.bmiHeader.biHeight = 1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        for (size_t i = 0; i < colors.size(); ++i) {
            bytes[3 * i] = static_cast<uint8_t>(colors[i]);
            bytes[3 * i + 1] = static_cast<uint8_t>(colors[i] >> 8);
            bytes[3 * i + 2] = static_cast<uint8_t>(colors[i] >> 16);
        }
    }
    BITMAPINFO info = {};
    std::vector<uint8_t> bytes;
};

}  // namespace

TestWindow& TestWindow::Get()
{
    static TestWindow window;
    return window;
}

TestWindow::TestWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DibdrawWineTests";
    // No background brush: only the tests paint the window.
    RegisterClassA(&windowClass);
    m_hwnd = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "dibdraw32 tests", WS_POPUP | WS_VISIBLE,
                             kLeft, kTop, kWidth, kHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(m_hwnd, SW_SHOW);
    UpdateWindow(m_hwnd);
    SetForegroundWindow(m_hwnd);
    PumpMessages();
}

void TestWindow::Fill(uint32_t rgb) const
{
    HDC dc = GetDC(m_hwnd);
    Fill(dc, RECT{0, 0, kWidth, kHeight}, rgb);
    ReleaseDC(m_hwnd, dc);
}

void TestWindow::Fill(HDC dc, const RECT& rect, uint32_t rgb) const
{
    ColourRow row({rgb});
    StretchDIBits(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, 1, 1,
                  row.bytes.data(), &row.info, DIB_RGB_COLORS, SRCCOPY);
}

std::vector<uint32_t> TestWindow::Read(const RECT& rect) const
{
    HDC dc = GetDC(m_hwnd);
    std::vector<uint32_t> colors = Read(dc, rect);
    ReleaseDC(m_hwnd, dc);
    return colors;
}

std::vector<uint32_t> TestWindow::Read(HDC dc, const RECT& rect) const
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    // A 24-bit DIB section rather than a compatible bitmap: Wine's compatible
    // bitmaps of a 16-bit screen hold 5-5-5 pixels and would drop a bit of
    // green on the way (see CompatibleBitmapsOfA16BitScreen).
    void* sectionBits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previousBitmap = SelectObject(memory, bitmap);
    // On a palette screen the window's palette names the colours of its
    // pixels; the memory DC gets it too.
    HPALETTE palette = static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL));
    HPALETTE previousPalette = SelectPalette(memory, palette, FALSE);
    BitBlt(memory, 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
    SelectPalette(memory, previousPalette, FALSE);
    SelectObject(memory, previousBitmap);

    const int stride = (3 * width + 3) & ~3;
    std::vector<uint8_t> bytes(static_cast<size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, height, bytes.data(), &info, DIB_RGB_COLORS);
    DeleteDC(memory);
    DeleteObject(bitmap);

    std::vector<uint32_t> colors(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bytes.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            colors[static_cast<size_t>(y) * width + x] = Rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        }
    }
    return colors;
}

std::vector<uint32_t> TestWindow::Shown(HDC dc, const std::vector<uint32_t>& colors) const
{
    const int y = kHeight - 2;
    std::vector<uint32_t> shown;
    for (size_t first = 0; first < colors.size(); first += kWidth) {
        const size_t count = std::min<size_t>(kWidth, colors.size() - first);
        ColourRow row(std::vector<uint32_t>(colors.begin() + first, colors.begin() + first + count));
        const int width = static_cast<int>(count);
        StretchDIBits(dc, 0, y, width, 1, 0, 0, width, 1, row.bytes.data(), &row.info, DIB_RGB_COLORS, SRCCOPY);
        const std::vector<uint32_t> read = Read(dc, RECT{0, y, width, y + 1});
        shown.insert(shown.end(), read.begin(), read.end());
    }
    return shown;
}

std::vector<uint32_t> TestWindow::ShownIndices(HDC dc, const std::vector<uint32_t>& table, DWORD rop) const
{
    const int y = kHeight - 2, count = static_cast<int>(table.size());
    // White through the stock palette: the static white, whose device pixel
    // keeps every index that SRCAND combines with it.
    const HPALETTE selected = SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    Fill(dc, RECT{0, y, count, y + 1}, Rgb(255, 255, 255));
    SelectPalette(dc, selected, FALSE);
    Dib dib(count, 1, 8);
    for (int i = 0; i < count; ++i) {
        dib.SetColor(i, table[static_cast<size_t>(i)]);
        dib.SetPixel(i, 0, static_cast<uint32_t>(i));
    }
    const auto* bits = reinterpret_cast<const uint8_t*>(dib.colors()) + 4 * dib.colorCount();
    StretchDIBits(dc, 0, y, count, 1, 0, 0, count, 1, bits, reinterpret_cast<BITMAPINFO*>(dib.header()),
                  DIB_RGB_COLORS, rop);
    return Read(dc, RECT{0, y, count, y + 1});
}

void Randomize(Dib& dib, Random& random)
{
    for (int i = 0; i < dib.colorCount(); ++i) {
        dib.SetColor(i, static_cast<uint32_t>(random.Next() & 0xFFFFFF));
    }
    const uint32_t values = dib.bits() > 8 ? 0x1000000u : 1u << dib.bits();
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            dib.SetPixel(x, y, static_cast<uint32_t>(random.Next() % values));
        }
    }
}

Dib TwoColourImage(int width, int height, uint64_t seed, const TwoColours& colours)
{
    Dib dib(width, height, 1);
    Random random(seed);
    Randomize(dib, random);
    dib.SetColor(0, colours.color0, colours.reserved0);
    dib.SetColor(1, colours.color1, colours.reserved1);
    return dib;
}

namespace {

uint32_t KeepTopBits(uint32_t channel, int bits)
{
    const uint32_t kept = channel >> (8 - bits);
    return ((kept << (8 - bits)) | (kept >> (2 * bits - 8))) & 0xFF;
}

}  // namespace

uint32_t TrueColourRendition(uint32_t rgb, int bitsPixel)
{
    if (bitsPixel != 16) {
        return rgb;
    }
    return Rgb(KeepTopBits(rgb >> 16, 5), KeepTopBits((rgb >> 8) & 0xFF, 6), KeepTopBits(rgb & 0xFF, 5));
}

uint32_t CompatibleBitmapRendition(uint32_t rgb, int bitsPixel)
{
    if (bitsPixel == 16 && RunningOnWine()) {
        return Rgb(KeepTopBits(rgb >> 16, 5), KeepTopBits((rgb >> 8) & 0xFF, 5), KeepTopBits(rgb & 0xFF, 5));
    }
    return TrueColourRendition(rgb, bitsPixel);
}

int RealizableEntries()
{
    return RunningOnWine() ? 172 : 236;
}

std::vector<uint32_t> ExpectedTrueColourBlit(const Dib& dib, const RECT& src, int dstW, int dstH,
                                             const uint32_t* monoColors)
{
    const int64_t srcW = src.right - src.left, srcH = src.bottom - src.top;
    const bool greyPath = dib.bits() == 1 && srcW > dstW;
    std::vector<uint32_t> colors(static_cast<size_t>(dstW) * dstH);
    for (int64_t j = 0; j < dstH; ++j) {
        const int sy = static_cast<int>(src.top + j * srcH / dstH);
        std::vector<int> ones(static_cast<size_t>(dstW)), total(static_cast<size_t>(dstW));
        if (greyPath) {
            for (int64_t i = 0; i < srcW; ++i) {
                const auto group = static_cast<size_t>(i * dstW / srcW);
                ones[group] += static_cast<int>(dib.Pixel(static_cast<int>(src.left + i), sy));
                ++total[group];
            }
        }
        for (int64_t x = 0; x < dstW; ++x) {
            uint32_t color;
            if (greyPath) {
                const uint32_t level = static_cast<uint32_t>(ones[x] * 255 / total[x]);
                const uint32_t c0 = dib.TableColor(0), c1 = dib.TableColor(1);
                color = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    const uint32_t a = (c0 >> shift) & 0xFF, b = (c1 >> shift) & 0xFF;
                    color |= ((level * b + (255 - level) * a) / 255) << shift;
                }
            } else {
                const int sx = static_cast<int>(src.left + x * srcW / dstW);
                color = dib.bits() == 1 && monoColors != nullptr ? monoColors[dib.Pixel(sx, sy)] : dib.Color(sx, sy);
            }
            colors[static_cast<size_t>(j * dstW + x)] = color;
        }
    }
    return colors;
}

std::string FirstDifference(const std::vector<uint32_t>& actual, const std::vector<uint32_t>& expected, int width)
{
    if (actual.size() != expected.size()) {
        return "sizes differ: " + std::to_string(actual.size()) + " pixels, expected " +
               std::to_string(expected.size());
    }
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            return "first difference at (" + std::to_string(i % width) + ", " + std::to_string(i / width) +
                   "): shown " + Hex(actual[i]) + ", expected " + Hex(expected[i]);
        }
    }
    return "";
}

std::string NameOf(BlitterFn converter)
{
    return ConverterName(converter);
}

}  // namespace winetest
