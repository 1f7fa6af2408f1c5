// System palette files: what the palette command writes is what
// --system-palette reads, and every malformed file is refused naming the line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/system_palette.h"

using dibtool::FormatSystemPalette;
using dibtool::ParseSystemPalette;

namespace {

std::vector<PALETTEENTRY> RandomEntries(uint64_t seed)
{
    testsupport::Random random(seed);
    std::vector<PALETTEENTRY> entries(256);
    for (PALETTEENTRY& e : entries) {
        e = PALETTEENTRY{random.Byte(), random.Byte(), random.Byte(), 0};
    }
    return entries;
}

bool SameEntries(const std::vector<PALETTEENTRY>& a, const std::vector<PALETTEENTRY>& b, std::string& where)
{
    if (a.size() != b.size()) {
        where = "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].peRed != b[i].peRed || a[i].peGreen != b[i].peGreen || a[i].peBlue != b[i].peBlue ||
            b[i].peFlags != 0) {
            where = "entry " + std::to_string(i);
            return false;
        }
    }
    return true;
}

TEST(SystemPaletteFile, WhatIsWrittenIsReadBack)
{
    for (uint64_t seed = 1; seed <= 5; ++seed) {
        const std::vector<PALETTEENTRY> entries = RandomEntries(seed);
        std::vector<PALETTEENTRY> parsed;
        ASSERT_EQ(ParseSystemPalette(FormatSystemPalette(entries), parsed), "") << "seed " << seed;
        std::string where;
        EXPECT_TRUE(SameEntries(entries, parsed, where)) << "seed " << seed << ": " << where;
    }
}

TEST(SystemPaletteFile, WrittenFormIsOneLinePerEntryAfterAComment)
{
    std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
    entries[0] = PALETTEENTRY{255, 251, 240, 7};
    entries[255] = PALETTEENTRY{1, 22, 133, 0};
    const std::string text = FormatSystemPalette(entries);
    EXPECT_EQ(text.rfind("# ", 0), 0u);
    EXPECT_NE(text.find("\n255,251,240\n0,0,0\n"), std::string::npos) << "entry 0 then entry 1, flags not written";
    EXPECT_EQ(text.substr(text.size() - 10), "\n1,22,133\n");
}

TEST(SystemPaletteFile, CommentsBlankLinesAndCrLfAreAccepted)
{
    std::string text = "# from Wine\r\n\r\n";
    for (int i = 0; i < 256; ++i) {
        text += std::to_string(i) + ",0," + std::to_string(255 - i) + "\r\n";
        if (i == 100) {
            text += "# halfway\n\n";
        }
    }
    std::vector<PALETTEENTRY> parsed;
    ASSERT_EQ(ParseSystemPalette(text, parsed), "");
    ASSERT_EQ(parsed.size(), 256u);
    EXPECT_EQ(parsed[200].peRed, 200);
    EXPECT_EQ(parsed[200].peBlue, 55);
}

struct BadFile {
    const char* name;
    std::string text;
    const char* problem;
};

std::string Lines(int count, const std::string& line = "1,2,3")
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += line + "\n";
    }
    return text;
}

TEST(SystemPaletteFile, MalformedFilesNameTheLine)
{
    const BadFile kCases[] = {
        {"Empty", "", "0 entries instead of 256"},
        {"OnlyComments", "# nothing\n# here\n", "0 entries instead of 256"},
        {"TooFew", Lines(255), "255 entries instead of 256"},
        {"TooMany", Lines(257), "line 257: more than 256 entries"},
        {"Above255", Lines(3) + "256,0,0\n" + Lines(252), "line 4: '256,0,0' is not R,G,B with each 0 to 255"},
        {"TwoNumbers", "1,2\n" + Lines(255), "line 1: '1,2' is not R,G,B"},
        {"FourNumbers", Lines(10) + "1,2,3,4\n", "line 11: '1,2,3,4'"},
        {"Spaces", "1, 2, 3\n" + Lines(255), "line 1: '1, 2, 3'"},
        {"Negative", "-1,2,3\n" + Lines(255), "line 1: '-1,2,3'"},
        {"Letters", "a,b,c\n" + Lines(255), "line 1: 'a,b,c'"},
        {"LeadingZeros", "0001,2,3\n" + Lines(255), "line 1: '0001,2,3'"},
        {"TrailingComma", "1,2,3,\n" + Lines(255), "line 1: '1,2,3,'"},
    };
    for (const BadFile& c : kCases) {
        std::vector<PALETTEENTRY> parsed;
        const std::string problem = ParseSystemPalette(c.text, parsed);
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": '" << problem << "'";
    }
}

TEST(SystemPaletteFile, MissingFileIsNamed)
{
    std::vector<PALETTEENTRY> parsed;
    EXPECT_EQ(dibtool::ReadSystemPaletteFile("/nonexistent/palette.txt", parsed).rfind("cannot open", 0), 0u);
}

}  // namespace
