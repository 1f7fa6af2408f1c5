// A 5x7 bitmap font of the few characters the contact sheet's labels use:
// digits, space, '-' and the capitals of "DISPLAY" and "DITHER".
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
// character the font lacks.
const uint8_t* Glyph(char c);

// Draws `text` with its top-left corner at (x, y) into `pixels` (width
// pixels a row, top row first), setting the glyphs' pixels to `colour`;
// whatever falls outside is left out.
void DrawText(std::span<uint32_t> pixels, int width, int x, int y, std::string_view text, uint32_t colour);

}  // namespace dibtool
