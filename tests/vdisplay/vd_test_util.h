// Helpers of the virtual display tests: configuration, DIBs, and a
// reference model of how each kind of display turns colours into pixels,
// written from the device rules independently of the library.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "common/logical_palette.h"
#include "common/packed_dib.h"
#include "support/display_kinds.h"
#include "support/leak_check.h"
#include "support/random.h"
#include "vdisplay/vdisplay.h"

namespace vdtest {

inline void Configure(vd::Kind kind, int width = 32, int height = 24, bool swapped = false,
                      vd::Vectors widestVectors = vd::Vectors::Avx512)
{
    testsupport::ConfigureDisplay(kind, width, height, swapped, widestVectors);
}

inline const char* Name(vd::Kind kind)
{
    return testsupport::KindName(kind);
}

// The bits a device pixel of the kind holds.
inline uint32_t PixelMask(vd::Kind kind)
{
    switch (kind) {
    case vd::Kind::Mono: return 0x1;
    case vd::Kind::Planar4:
    case vd::Kind::Packed4: return 0xF;
    case vd::Kind::Palette8:
    case vd::Kind::Rgb332: return 0xFF;
    case vd::Kind::Rgb565: return 0xFFFF;
    case vd::Kind::Grey2: return 0x3;
    default: return 0xFFFFFF;
    }
}

inline const std::vector<vd::Kind>& AllKinds()
{
    static const std::vector<vd::Kind> kinds = {vd::Kind::Mono,   vd::Kind::Planar4, vd::Kind::Packed4,
                                                vd::Kind::Palette8, vd::Kind::Rgb332, vd::Kind::Rgb565,
                                                vd::Kind::Rgb24,  vd::Kind::Rgb32,  vd::Kind::Grey2};
    return kinds;
}

struct Color {
    int r, g, b;
    bool operator==(const Color&) const = default;
};

inline std::string ToString(Color c)
{
    std::ostringstream text;
    text << '(' << c.r << ',' << c.g << ',' << c.b << ')';
    return text.str();
}
inline COLORREF Ref(Color c) { return RGB(static_cast<BYTE>(c.r), static_cast<BYTE>(c.g), static_cast<BYTE>(c.b)); }
inline Color FromRef(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

// The 20 static colours in system palette order (entries 0-9, then 246-255).
inline const std::array<Color, 20>& StaticColors()
{
    static const std::array<Color, 20> colors = {{
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
    }};
    return colors;
}
inline int StaticSlot(int s) { return s < 10 ? s : 236 + s; }

inline const std::array<Color, 16>& SixteenColors()
{
    static const std::array<Color, 16> colors = {{
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
        {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
        {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    }};
    return colors;
}

inline int Distance(Color a, Color b)
{
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

// Lowest index of the nearest colour.
inline int Nearest(const std::vector<Color>& table, Color c)
{
    int best = 0;
    for (size_t i = 1; i < table.size(); ++i) {
        if (Distance(table[i], c) < Distance(table[static_cast<size_t>(best)], c)) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

// The standard system palette of the 256-colour display at start.
inline std::vector<Color> StartSystemPalette()
{
    std::vector<Color> palette(256, Color{0, 0, 0});
    for (int s = 0; s < 20; ++s) {
        palette[static_cast<size_t>(StaticSlot(s))] = StaticColors()[static_cast<size_t>(s)];
    }
    return palette;
}

inline std::vector<Color> CurrentSystemPalette()
{
    std::vector<Color> palette;
    for (const PALETTEENTRY& e : vd::SystemPalette()) {
        palette.push_back({e.peRed, e.peGreen, e.peBlue});
    }
    return palette;
}

// Reference device pixel for a colour drawn with the default palette.
inline uint32_t ReferencePixel(vd::Kind kind, Color c)
{
    switch (kind) {
    case vd::Kind::Mono: return (30 * c.r + 59 * c.g + 11 * c.b) / 100 >= 128 ? 1 : 0;
    case vd::Kind::Planar4:
    case vd::Kind::Packed4:
        return static_cast<uint32_t>(Nearest({SixteenColors().begin(), SixteenColors().end()}, c));
    case vd::Kind::Palette8: {
        const std::vector<Color> statics(StaticColors().begin(), StaticColors().end());
        return static_cast<uint32_t>(StaticSlot(Nearest(statics, c)));
    }
    case vd::Kind::Grey2:
        return static_cast<uint32_t>(Nearest({{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}}, c));
    case vd::Kind::Rgb332: return static_cast<uint32_t>(((c.r / 32) << 5) | ((c.g / 32) << 2) | (c.b / 64));
    case vd::Kind::Rgb565: return static_cast<uint32_t>(((c.r / 8) << 11) | ((c.g / 4) << 5) | (c.b / 8));
    case vd::Kind::Rgb24:
    case vd::Kind::Rgb32: return static_cast<uint32_t>((c.r << 16) | (c.g << 8) | c.b);
    }
    return 0;
}

// Reference colour of a device pixel (with the start system palette on Palette8).
inline Color ReferenceColor(vd::Kind kind, uint32_t pixel, const std::vector<Color>& system = StartSystemPalette())
{
    // Widening by bit replication, spelled out per width.
    auto w3 = [](uint32_t v) { return static_cast<int>((v << 5) | (v << 2) | (v >> 1)); };
    auto w2 = [](uint32_t v) { return static_cast<int>(v * 85); };
    auto w5 = [](uint32_t v) { return static_cast<int>((v << 3) | (v >> 2)); };
    auto w6 = [](uint32_t v) { return static_cast<int>((v << 2) | (v >> 4)); };
    switch (kind) {
    case vd::Kind::Mono: return pixel ? Color{255, 255, 255} : Color{0, 0, 0};
    case vd::Kind::Planar4:
    case vd::Kind::Packed4: return SixteenColors()[pixel];
    case vd::Kind::Palette8: return system[pixel];
    case vd::Kind::Grey2: {
        const int level = static_cast<int>(pixel * 85);
        return {level, level, level};
    }
    case vd::Kind::Rgb332: return {w3(pixel >> 5), w3((pixel >> 2) & 7), w2(pixel & 3)};
    case vd::Kind::Rgb565: return {w5(pixel >> 11), w6((pixel >> 5) & 63), w5(pixel & 31)};
    case vd::Kind::Rgb24:
    case vd::Kind::Rgb32:
        return {static_cast<int>((pixel >> 16) & 255), static_cast<int>((pixel >> 8) & 255),
                static_cast<int>(pixel & 255)};
    }
    return {0, 0, 0};
}

// Packed DIBs come from the project's one builder; pixel (x, y) has y = 0
// at the top, whichever way the rows are stored.
using Dib = dibkit::PackedDib;

inline uint32_t Rgb(Color c)
{
    return static_cast<uint32_t>((c.r << 16) | (c.g << 8) | c.b);
}

// The colour pixel (x, y) stands for; on a swapped display a 24-bit pixel's
// bytes are red, green, blue.
inline Color PixelColorAt(const Dib& dib, int x, int y, bool swapped = false)
{
    uint32_t rgb = dib.Color(x, y);
    if (swapped && dib.bits() == 24) {
        rgb = (rgb & 0x00FF00) | (rgb & 0xFF) << 16 | rgb >> 16;
    }
    return {static_cast<int>(rgb >> 16), static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>(rgb & 0xFF)};
}

using testsupport::ExpectNothingLive;

// The tests' generator, which also draws colours.
class Random : public testsupport::Random {
public:
    using testsupport::Random::Random;
    Color AnyColor() { return {Between(0, 255), Between(0, 255), Between(0, 255)}; }
};

inline std::vector<PALETTEENTRY> PaletteEntries(const std::vector<Color>& colors)
{
    std::vector<PALETTEENTRY> entries;
    for (const Color& c : colors) {
        entries.push_back(PALETTEENTRY{static_cast<BYTE>(c.r), static_cast<BYTE>(c.g), static_cast<BYTE>(c.b), 0});
    }
    return entries;
}

inline HPALETTE MakePalette(const std::vector<Color>& colors)
{
    return dibkit::CreatePaletteOf(PaletteEntries(colors));
}

// A copy of the screen's pixels from (left, top) in a compatible bitmap of
// width x height, selected into a memory DC; the bitmap, the memory DC and the
// screen's DC go with the object, the memory DC first as a program must.
class ScreenCopy {
public:
    ScreenCopy(int width, int height, int left = 0, int top = 0)
        : m_screen(GetDC(nullptr)), m_memory(CreateCompatibleDC(m_screen)),
          m_bitmap(CreateCompatibleBitmap(m_screen, width, height))
    {
        SelectObject(m_memory, m_bitmap);
        BitBlt(m_memory, 0, 0, width, height, m_screen, left, top, SRCCOPY);
    }
    ~ScreenCopy()
    {
        DeleteDC(m_memory);
        DeleteObject(m_bitmap);
        ReleaseDC(nullptr, m_screen);
    }
    ScreenCopy(const ScreenCopy&) = delete;
    ScreenCopy& operator=(const ScreenCopy&) = delete;

    HDC memory() const { return m_memory; }
    HBITMAP bitmap() const { return m_bitmap; }

private:
    HDC m_screen;
    HDC m_memory;
    HBITMAP m_bitmap;
};

// A palette of the colours selected into the DC in the foreground and
// realized; the caller deletes it once the DC is released.
inline HPALETTE SelectRealizedPalette(HDC dc, const std::vector<Color>& colors)
{
    HPALETTE palette = MakePalette(colors);
    SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    return palette;
}

// Ends a test that drew through a palette of its own: the DC goes back, then
// the palette, and nothing the test made may be left alive.
inline void ReleaseDcAndPalette(HWND window, HDC dc, HPALETTE palette, const std::string& context = "")
{
    ReleaseDC(window, dc);
    DeleteObject(palette);
    ExpectNothingLive(context);
}

}  // namespace vdtest
