// A model of one whole blit, for displays whose pixels come out of dithering
// converters: it walks the destination rows as the pipeline must (nearest-lower
// sampling both ways, box-averaged grey levels for reduced opaque 1-bit
// images), feeds each row to the converter the blit chose (each converter is
// checked against its own reference elsewhere) with the same colour map,
// palette and dither state, and predicts the colour of every destination pixel
// through the band's colour table.
#pragma once

#include <cstring>
#include <vector>

#include "support/dib.h"
#include "support/test_support.h"

namespace testsupport {

class BlitModel {
public:
    // `after` is the blitter just after the blit, whose converter, colour map,
    // system palette and probed colours the model reuses.
    BlitModel(Dib& dib, const RECT& src, const RECT& dst, const VyrBlitter& after)
        : m_dib(dib), m_src(src), m_dst(dst), m_after(after)
    {
    }

    // Expected colour (0xRRGGBB) of destination pixel (x, y), relative to the
    // destination's top-left corner.
    std::vector<uint32_t> ExpectedColors()
    {
        const int64_t srcW = m_src.right - m_src.left, srcH = m_src.bottom - m_src.top;
        const int64_t dstW = m_dst.right - m_dst.left, dstH = m_dst.bottom - m_dst.top;
        const bool transparent =
            m_dib.bits() == 1 && (m_dib.colors()[0].rgbReserved == 255 || m_dib.colors()[1].rgbReserved == 255);
        const bool greyPath = m_dib.bits() == 1 && srcW > dstW && !transparent;

        VyrBlitter model(m_after.m_ditherMode, m_after.m_paletteMode);
        std::vector<uint8_t> palette = ImagePalette(greyPath);
        model.m_imagePalette = palette.data();
        std::memcpy(model.m_colorMap, m_after.m_colorMap, sizeof model.m_colorMap);
        std::memcpy(model.m_systemPalette, m_after.m_systemPalette, sizeof model.m_systemPalette);
        model.m_monoColor0 = m_after.m_monoColor0;
        model.m_monoColor1 = m_after.m_monoColor1;
        model.m_srcBitOffset = 0;
        model.m_errorRow = static_cast<uint8_t*>(KemAllocSMem(static_cast<uint32_t>(6 * dstW + 8)));
        std::memset(model.m_errorRow, 0, static_cast<size_t>(6 * dstW + 8));

        const int bits = greyPath ? 8 : m_dib.bits();
        std::vector<uint8_t> scaled(static_cast<size_t>(3 * dstW + 8));
        std::vector<uint8_t> out(static_cast<size_t>(3 * dstW + 16));
        std::vector<uint32_t> colors(static_cast<size_t>(dstW * dstH));
        for (int64_t j = 0; j < dstH; ++j) {
            const int sy = static_cast<int>(m_src.top + j * srcH / dstH);
            std::fill(scaled.begin(), scaled.end(), 0);
            for (int64_t x = 0; x < dstW; ++x) {
                const uint32_t value = greyPath ? GreyLevel(sy, x, srcW, dstW)
                                                : m_dib.Pixel(static_cast<int>(m_src.left + x * srcW / dstW), sy);
                Store(scaled.data(), bits, x, value);
            }
            model.m_rowCounter = static_cast<int32_t>(j);
            m_after.m_convert(&model, scaled.data(), out.data(), static_cast<int32_t>(dstW));
            for (int64_t x = 0; x < dstW; ++x) {
                colors[static_cast<size_t>(j * dstW + x)] = OutputColor(out.data(), x);
            }
        }
        model.m_imagePalette = nullptr;
        return colors;
    }

    // Compares the screen with the prediction inside the destination and
    // with `background` outside it.
    ::testing::AssertionResult ScreenMatches(uint32_t background)
    {
        const std::vector<uint32_t> expected = ExpectedColors();
        const int64_t dstW = m_dst.right - m_dst.left;
        const vd::Config config = vd::CurrentConfig();
        for (int y = 0; y < config.height; ++y) {
            for (int x = 0; x < config.width; ++x) {
                const bool inside = x >= m_dst.left && x < m_dst.right && y >= m_dst.top && y < m_dst.bottom;
                const uint32_t want = DeviceRendition(
                    inside ? expected[static_cast<size_t>((y - m_dst.top) * dstW + (x - m_dst.left))] : background);
                const uint32_t shown = ToRgb(vd::ScreenColor(x, y));
                if (shown != want) {
                    return ::testing::AssertionFailure() << "first difference at screen (" << x << ", " << y
                                                         << "): shows " << std::hex << shown << ", expected " << want;
                }
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    std::vector<uint8_t> ImagePalette(bool greyPath)
    {
        const RGBQUAD* table = m_dib.colors();
        std::vector<uint8_t> palette(768);
        if (greyPath) {
            for (int k = 0; k < 256; ++k) {
                palette[3 * k] = static_cast<uint8_t>((k * table[1].rgbRed + (255 - k) * table[0].rgbRed) / 255);
                palette[3 * k + 1] = static_cast<uint8_t>((k * table[1].rgbGreen + (255 - k) * table[0].rgbGreen) / 255);
                palette[3 * k + 2] = static_cast<uint8_t>((k * table[1].rgbBlue + (255 - k) * table[0].rgbBlue) / 255);
            }
            return palette;
        }
        const int colors = m_dib.bits() <= 8 ? 1 << m_dib.bits() : 0;
        for (int k = 0; k < colors; ++k) {
            palette[3 * k] = table[k].rgbRed;
            palette[3 * k + 1] = table[k].rgbGreen;
            palette[3 * k + 2] = table[k].rgbBlue;
        }
        if (m_dib.bits() == 1 && (table[0].rgbReserved == 255 || table[1].rgbReserved == 255)) {
            const int clear = table[0].rgbReserved == 255 ? 0 : 1;
            const RGBQUAD& opaque = table[1 - clear];
            const bool white = opaque.rgbRed == 255 && opaque.rgbGreen == 255 && opaque.rgbBlue == 255;
            std::memset(&palette[3 * clear], white ? 0 : 255, 3);
        }
        return palette;
    }

    uint32_t GreyLevel(int sy, int64_t x, int64_t srcW, int64_t dstW)
    {
        int ones = 0, total = 0;
        for (int64_t i = 0; i < srcW; ++i) {
            if (i * dstW / srcW == x) {
                ones += static_cast<int>(m_dib.Pixel(static_cast<int>(m_src.left + i), sy));
                ++total;
            }
        }
        return static_cast<uint32_t>(ones * 255 / total);
    }

    static void Store(uint8_t* row, int bits, int64_t x, uint32_t value)
    {
        switch (bits) {
        case 1:
            if (value != 0) {
                row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
            }
            break;
        case 4:
            row[x >> 1] = static_cast<uint8_t>(row[x >> 1] | ((x & 1) != 0 ? value : value << 4));
            break;
        case 8:
            row[x] = static_cast<uint8_t>(value);
            break;
        default:
            row[3 * x] = static_cast<uint8_t>(value);
            row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
            break;
        }
    }

    uint32_t PaletteColor(int index) const
    {
        const uint8_t* c = m_after.m_systemPalette + 3 * index;
        return (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
    }

    uint32_t OutputColor(const uint8_t* out, int64_t x) const
    {
        switch (m_after.m_displayDepth) {
        case 1:
            return PaletteColor((out[x >> 3] >> (7 - (x & 7))) & 1);
        case 4:
            return PaletteColor((x & 1) != 0 ? (out[x >> 1] & 15) : (out[x >> 1] >> 4));
        case 8:
            return PaletteColor(out[x]);
        default: {
            // True-colour rows are in the display's own byte order, which the
            // screen shows back as the colour.
            const uint8_t* p = out + 3 * x;
            const bool swapped = vd::CurrentConfig().swappedRgb;
            return swapped ? (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]
                           : (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
        }
    }

    Dib& m_dib;
    RECT m_src;
    RECT m_dst;
    const VyrBlitter& m_after;
};

}  // namespace testsupport
