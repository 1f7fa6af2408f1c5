// The tool's font: every capital and digit has a glyph of its own, and text
// lands where it is drawn, cut at the picture's edges.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tools/tiny_font.h"

namespace {

TEST(TinyFont, EveryCapitalAndDigitHasADistinctGlyph)
{
    const std::string kCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::set<std::vector<uint8_t>> seen;
    for (const char c : kCharacters) {
        const uint8_t* rows = dibtool::Glyph(c);
        ASSERT_NE(rows, nullptr) << "'" << c << "'";
        for (int row = 0; row < dibtool::kGlyphHeight; ++row) {
            EXPECT_LT(rows[row], 1 << dibtool::kGlyphWidth) << "'" << c << "' row " << row << " is too wide";
        }
        EXPECT_TRUE(seen.insert(std::vector<uint8_t>(rows, rows + dibtool::kGlyphHeight)).second)
            << "'" << c << "' looks like another character";
    }
    EXPECT_EQ(dibtool::Glyph(' '), nullptr) << "a space is blank";
    EXPECT_EQ(dibtool::Glyph('a'), nullptr);
}

TEST(TinyFont, TextIsDrawnAtItsPlaceAndCutAtTheEdges)
{
    constexpr int kWidth = 14;
    constexpr int kHeight = 9;
    std::vector<uint32_t> pixels(kWidth * kHeight, 0);
    // "L" at (1, 1): a column down the left and a row along the bottom; "T"
    // starts at x = 7; "8" at x = 13 keeps only its first column.
    dibtool::PaintText(pixels, kWidth, 1, 1, "LT8", 7);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inL = (x == 1 && y >= 1 && y <= 7) || (y == 7 && x >= 1 && x <= 5);
            const bool inT = (y == 1 && x >= 7 && x <= 11) || (x == 9 && y >= 1 && y <= 7);
            const bool inEight = x == 13 && (y == 2 || y == 3 || y == 5 || y == 6);
            EXPECT_EQ(pixels[static_cast<size_t>(y * kWidth + x)], inL || inT || inEight ? 7u : 0u)
                << "pixel (" << x << ", " << y << ")";
        }
    }
    // Above and left of the picture nothing is written, nor past its end.
    std::vector<uint32_t> small(4, 0);
    dibtool::PaintText(small, 2, -3, -5, "8", 1);
    EXPECT_EQ(small, (std::vector<uint32_t>{0, 1, 1, 0})) << "the last two rows' last two columns of '8' at (-3, -5)";
}

}  // namespace
