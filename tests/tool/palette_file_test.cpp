// Palette files users have (GIMP, JASC-PAL) next to the tool's own R,G,B
// lines: each form is recognized by its first line, and each malformed line
// is refused with its number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/palette_file.h"
#include "tools/system_palette.h"

using dibtool::ParsePaletteFile;

namespace {

std::vector<PALETTEENTRY> RandomEntries(size_t count, uint64_t seed)
{
    testsupport::Random random(seed);
    std::vector<PALETTEENTRY> entries(count);
    for (PALETTEENTRY& e : entries) {
        e = PALETTEENTRY{random.Byte(), random.Byte(), random.Byte(), 0};
    }
    return entries;
}

std::string Triple(const PALETTEENTRY& e, const char* separator)
{
    return std::to_string(e.peRed) + separator + std::to_string(e.peGreen) + separator + std::to_string(e.peBlue);
}

// A GIMP palette as GIMP writes it: right-aligned numbers, a tab, a name.
std::string GimpText(const std::vector<PALETTEENTRY>& entries, const char* lineEnd = "\n")
{
    std::string text = std::string("GIMP Palette") + lineEnd + "Name: Test colours" + lineEnd + "Columns: 16" +
                       lineEnd + "#" + lineEnd;
    for (size_t i = 0; i < entries.size(); ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%3d %3d %3d\tColour %zu", entries[i].peRed, entries[i].peGreen,
                      entries[i].peBlue, i);
        text += line + std::string(lineEnd);
    }
    return text;
}

std::string JascText(const std::vector<PALETTEENTRY>& entries, const char* lineEnd = "\r\n")
{
    std::string text = std::string("JASC-PAL") + lineEnd + "0100" + lineEnd + std::to_string(entries.size()) + lineEnd;
    for (const PALETTEENTRY& e : entries) {
        text += Triple(e, " ") + lineEnd;
    }
    return text;
}

void ExpectEntries(const std::vector<PALETTEENTRY>& actual, const std::vector<PALETTEENTRY>& expected,
                   const std::string& context)
{
    ASSERT_EQ(actual.size(), expected.size()) << context;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Triple(actual[i], ","), Triple(expected[i], ",")) << context << ": entry " << i;
        EXPECT_EQ(actual[i].peFlags, 0) << context << ": entry " << i;
    }
}

TEST(PaletteFile, EachFormIsReadByItsFirstLine)
{
    uint64_t seed = 0;
    for (const char* lineEnd : {"\n", "\r\n"}) {
        const std::vector<PALETTEENTRY> entries = RandomEntries(256, ++seed);
        std::vector<PALETTEENTRY> parsed;
        ASSERT_EQ(ParsePaletteFile(GimpText(entries, lineEnd), 256, parsed), "") << "GIMP, seed " << seed;
        ExpectEntries(parsed, entries, "GIMP, seed " + std::to_string(seed));
        ASSERT_EQ(ParsePaletteFile(JascText(entries, lineEnd), 256, parsed), "") << "JASC, seed " << seed;
        ExpectEntries(parsed, entries, "JASC, seed " + std::to_string(seed));
        ASSERT_EQ(ParsePaletteFile(dibtool::FormatSystemPalette(entries), 256, parsed), "") << "R,G,B " << seed;
        ExpectEntries(parsed, entries, "R,G,B, seed " + std::to_string(seed));
    }
}

TEST(PaletteFile, GimpVariationsAreAccepted)
{
    // A byte-order mark, names with spaces, no name at all, leading tabs,
    // comments and blank lines between the colours, and no final line end.
    const std::string text = "\xEF\xBB\xBFGIMP Palette\nName: x\n\n# comment\n  0 10\t20 Dark  blue\n\n"
                             "\t255 255 255\n# more\n1 2 3";
    std::vector<PALETTEENTRY> parsed;
    ASSERT_EQ(ParsePaletteFile(text, 256, parsed), "");
    ExpectEntries(parsed, {{0, 10, 20, 0}, {255, 255, 255, 0}, {1, 2, 3, 0}}, "variations");
}

TEST(PaletteFile, SystemPaletteNeedsAll256EntriesInEveryForm)
{
    std::vector<PALETTEENTRY> parsed;
    EXPECT_EQ(dibtool::ParseSystemPalette(GimpText(RandomEntries(16, 3)), parsed), "16 entries instead of 256");
    EXPECT_EQ(dibtool::ParseSystemPalette(JascText(RandomEntries(255, 4)), parsed), "255 entries instead of 256");
    EXPECT_EQ(dibtool::ParseSystemPalette(GimpText(RandomEntries(257, 5)), parsed), "line 261: more than 256 entries");
}

TEST(PaletteFile, MalformedLinesAreNamed)
{
    struct Case {
        const char* name;
        std::string text;
        const char* problem;
    };
    const std::string gimpHead = "GIMP Palette\nName: p\n";
    const std::string jascHead = "JASC-PAL\n0100\n2\n";
    const Case kCases[] = {
        {"GimpTwoNumbers", gimpHead + "1 2 3\n4 5\n", "line 4: '4 5' is not R G B (and a name) with each 0 to 255"},
        {"GimpAbove255", gimpHead + "1 2 300 x\n", "line 3: '1 2 300 x' is not R G B (and a name)"},
        {"GimpCommas", gimpHead + "1,2,3\n", "line 3: '1,2,3' is not R G B"},
        {"GimpNameWithoutSpace", gimpHead + "1 2 3x\n", "line 3: '1 2 3x'"},
        {"GimpNegative", gimpHead + "1 -2 3\n", "line 3: '1 -2 3'"},
        {"GimpNameLineAfterColours", gimpHead + "1 2 3\nName: late\n", "line 4: 'Name: late'"},
        {"JascWrongVersion", "JASC-PAL\n0200\n2\n", "line 2: a JASC-PAL file continues with version 0100, not '0200'"},
        {"JascNoVersion", "JASC-PAL\n", "line 2: a JASC-PAL file continues with version 0100, but the file ends"},
        {"JascNoCount", "JASC-PAL\n0100\n", "line 3: the file ends before the number of entries"},
        {"JascCountNotANumber", "JASC-PAL\n0100\nmany\n", "line 3: 'many' is not a number of entries from 0 to 256"},
        {"JascCountTooLarge", "JASC-PAL\n0100\n1000\n", "line 3: '1000' is not a number of entries"},
        {"JascTooFewEntries", jascHead + "1 2 3\n", "the file ends after 1 of the 2 entries line 3 announces"},
        {"JascBadEntry", jascHead + "1 2 3\n4 5 6 7\n", "line 5: '4 5 6 7' is not R G B with each 0 to 255"},
        {"JascEntryWithName", jascHead + "1 2 3 red\n4 5 6\n", "line 4: '1 2 3 red' is not R G B"},
        {"JascMoreThanAnnounced", jascHead + "1 2 3\n4 5 6\n\n7 8 9\n",
         "line 7: '7 8 9' follows the 2 entries line 3 announces"},
        {"CommaLinesWithSpaces", "1 2 3\n", "line 1: '1 2 3' is not R,G,B with each 0 to 255"},
        {"HeadingNotFirst", "# GIMP\nGIMP Palette\n", "line 2: 'GIMP Palette' is not R,G,B"},
    };
    for (const Case& c : kCases) {
        std::vector<PALETTEENTRY> parsed;
        const std::string problem = ParsePaletteFile(c.text, 256, parsed);
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": '" << problem << "'";
    }
}

}  // namespace
