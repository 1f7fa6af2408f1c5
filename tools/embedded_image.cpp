#include "tools/embedded_image.h"

#include <cstdint>
#include <string_view>

#include "tools/tiny_font.h"

namespace dibtool {

namespace {

struct Rgb {
    int red;
    int green;
    int blue;
};

uint32_t Pack(Rgb c)
{
    return static_cast<uint32_t>(c.red) << 16 | static_cast<uint32_t>(c.green) << 8 | static_cast<uint32_t>(c.blue);
}

// a + (b - a) * t / n, rounded.
int Mix(int a, int b, int t, int n) { return (a * (n - t) + b * t + n / 2) / n; }

Rgb Mix(Rgb a, Rgb b, int t, int n)
{
    return {Mix(a.red, b.red, t, n), Mix(a.green, b.green, t, n), Mix(a.blue, b.blue, t, n)};
}

// Fully saturated hue around the colour wheel, `position` 0..383.
Rgb Hue(int position)
{
    const int sector = position / 64;
    const int f = (position % 64) * 255 / 63;
    switch (sector) {
    case 0: return {255, f, 0};
    case 1: return {255 - f, 255, 0};
    case 2: return {0, 255, f};
    case 3: return {0, 255 - f, 255};
    case 4: return {f, 0, 255};
    default: return {255, 0, 255 - f};
    }
}

class Painter {
public:
    explicit Painter(PackedDib& image) : m_image(image) {}

    void Put(int x, int y, Rgb color)
    {
        if (x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height()) {
            m_image.SetPixel(x, y, Pack(color));
        }
    }

    void Fill(int left, int top, int width, int height, Rgb color)
    {
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x) {
                Put(x, y, color);
            }
        }
    }

    // Each glyph pixel becomes a scale x scale square.
    void Text(int left, int top, int scale, std::string_view text, Rgb color)
    {
        ForEachTextPixel(text, [&](int x, int y) { Fill(left + x * scale, top + y * scale, scale, scale, color); });
    }

private:
    PackedDib& m_image;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

void PaintHueGradient(Painter& paint)
{
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < kEmbeddedWidth; ++x) {
            const Rgb hue = Hue(x);
            paint.Put(x, y, y < 60 ? Mix(kWhite, hue, y, 59) : Mix(hue, kBlack, y - 60, 59));
        }
    }
}

void PaintGreys(Painter& paint)
{
    for (int x = 0; x < kEmbeddedWidth; ++x) {
        const int ramp = x * 255 / (kEmbeddedWidth - 1);
        const int step = x * 16 / kEmbeddedWidth * 17;
        paint.Fill(x, 120, 1, 24, {ramp, ramp, ramp});
        paint.Fill(x, 144, 1, 8, {step, step, step});
    }
}

// Concentric rings whose frequency grows with the radius up to about half a
// cycle per pixel at the edge: any scaling shows as moiré.
void PaintZonePlate(Painter& paint, int left, int top, int size)
{
    const int centre = size / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int dx = x - centre;
            const int dy = y - centre;
            const int phase = (dx * dx + dy * dy) * 15 / 8 % 512;
            const int level = phase < 256 ? phase : 511 - phase;
            paint.Put(left + x, top + y, {level, level, level});
        }
    }
}

void PaintTextPanel(Painter& paint, int left, int top, int width, int height)
{
    paint.Fill(left, top, width, height, kWhite);
    paint.Text(left + 6, top + 4, 3, "DIBDRAW32", kBlack);
    paint.Text(left + 6, top + 30, 2, "1 4 8 24 BPP", {0, 0, 128});
    paint.Text(left + 6, top + 48, 1, "DITHER SCALE PALETTE", {160, 0, 0});
    paint.Text(left + 6, top + 58, 1, "THE QUICK BROWN FOX 0123456789", {0, 110, 0});

    const int patternTop = top + 70;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 48; ++x) {
            const Rgb checker = (x + y) % 2 == 0 ? kBlack : kWhite;
            const Rgb columns = x % 2 == 0 ? kBlack : kWhite;
            const Rgb rows = y / 2 % 2 == 0 ? Rgb{0, 0, 160} : kWhite;
            const Rgb diagonals = (x + y) % 4 == 0 ? Rgb{160, 0, 0} : kWhite;
            paint.Put(left + 6 + x, patternTop + y, checker);
            paint.Put(left + 58 + x, patternTop + y, columns);
            paint.Put(left + 110 + x, patternTop + y, rows);
            paint.Put(left + 162 + x, patternTop + y, diagonals);
        }
    }

    constexpr Rgb kSwatches[] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
                                 {0, 255, 255}, {255, 0, 255}, {128, 128, 128}, {255, 128, 0}};
    int swatchLeft = left + 4;
    for (const Rgb& swatch : kSwatches) {
        paint.Fill(swatchLeft, top + 98, 29, 34, swatch);
        swatchLeft += 30;
    }
}

}  // namespace

PackedDib MakeEmbeddedImage()
{
    PackedDib image(kEmbeddedWidth, kEmbeddedHeight, 24);
    Painter paint(image);
    PaintHueGradient(paint);
    PaintGreys(paint);
    constexpr int kLowerTop = 152;
    constexpr int kPlateSize = kEmbeddedHeight - kLowerTop;
    PaintZonePlate(paint, 0, kLowerTop, kPlateSize);
    PaintTextPanel(paint, kPlateSize, kLowerTop, kEmbeddedWidth - kPlateSize, kPlateSize);
    return image;
}

}  // namespace dibtool
