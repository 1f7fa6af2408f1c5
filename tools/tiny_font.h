// The tool's 5x7 bitmap font of capitals and digits, for the text of the
// embedded image and the labels of the contact sheet.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace dibtool {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
// From one character's left edge to the next one's.
constexpr int kGlyphAdvance = kGlyphWidth + 1;

// The glyph's rows, top first, the leftmost pixel in bit 4; nullptr for a
// character the font lacks, which is drawn blank (a space).
const uint8_t* Glyph(char c);

// Calls put(x, y) for every set pixel of `text`, in glyph pixels from its
// top-left corner.
template <class Put>
void ForEachTextPixel(std::string_view text, Put put)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* rows = Glyph(text[i]);
        if (rows == nullptr) {
            continue;
        }
        const int left = static_cast<int>(i) * kGlyphAdvance;
        for (int row = 0; row < kGlyphHeight; ++row) {
            for (int column = 0; column < kGlyphWidth; ++column) {
                if ((rows[row] >> (kGlyphWidth - 1 - column) & 1) != 0) {
                    put(left + column, row);
                }
            }
        }
    }
}

// Draws `text` with its top-left corner at (x, y) into `pixels` (width
// pixels a row, top row first), setting the glyphs' pixels to `colour`;
// whatever falls outside is left out.
void PaintText(std::span<uint32_t> pixels, int width, int x, int y, std::string_view text, uint32_t colour);

}  // namespace dibtool
