// The command line: each usage error is named, every option lands in its
// field, and the defaults that depend on the image are filled in as the help
// text says.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "core/dib_layout.h"
#include "support/named_case.h"
#include "tools/option_table.h"
#include "tools/options.h"

using dibtool::DisplayKind;
using dibtool::Geometry;
using dibtool::Options;
using dibtool::ParseArguments;
using dibtool::RealizeMode;

namespace {

using testsupport::PrintTo;

using Args = std::vector<std::string>;

using dibtool::RectText;

struct UsageCase {
    const char* name;
    Args args;
    const char* problem;  // a part of the message
};

const UsageCase kUsageErrors[] = {
    {"NoArguments", {}, "no command given"},
    {"UnknownCommand", {"draw", "-o", "x.png"}, "unknown command 'draw' (the commands are render, sheet and palette)"},
    {"SheetWithTwoInputs", {"sheet", "a.png", "b.png", "-o", "s.png"}, "the sheet command takes one input file at most"},
    {"SheetWithoutOutput", {"sheet"}, "no output file given (-o SHEET.png)"},
    {"SheetAsBmp", {"sheet", "-o", "s.bmp"}, "the sheet is a PNG file: name it .png (or give --format png)"},
    {"SheetFormatBmp", {"sheet", "-o", "-", "--format", "bmp"}, "the sheet is a PNG file"},
    {"SheetToStandardOutputWithoutFormat", {"sheet", "-o", "-"}, "the sheet is a PNG file"},
    {"SheetWithDisplay", {"sheet", "-o", "s.png", "--display", "8"},
     "option --display does not apply to the sheet command"},
    {"SheetWithDither", {"sheet", "-o", "s.png", "--dither=1"}, "option --dither does not apply to the sheet command"},
    {"SheetWithOutDir", {"sheet", "a.png", "--out-dir", "d"}, "option --out-dir does not apply to the sheet command"},
    {"SheetWithInfo", {"sheet", "-o", "s.png", "--info"}, "option --info does not apply to the sheet command"},
    {"NoOutput", {"render", "in.bmp"}, "no output file given (-o OUTPUT)"},
    {"OutputWithoutValue", {"render", "-o"}, "option -o needs a value"},
    {"OutputEmpty", {"render", "-o", ""}, "invalid value '' for -o"},
    {"OutputNotBmpOrPng", {"render", "-o", "x.gif"},
     "the output file 'x.gif' must end in .bmp or .png (or give --format)"},
    {"TwoOutputs", {"render", "-o", "a.png", "-o", "b.png"}, "more than one output file ('a.png' and 'b.png')"},
    {"TwoOutputsInOtherForms", {"render", "--output=a.png", "-ob.bmp"},
     "more than one output file ('a.png' and 'b.bmp')"},
    {"StandardOutputWithoutFormat", {"render", "-o", "-"},
     "-o - (standard output) needs --format bmp or --format png"},
    {"StandardOutputWithInfo", {"render", "-o", "-", "--format", "png", "--info"},
     "--info cannot be used with -o -: both would go to standard output"},
    {"FormatUnknown", {"render", "-o", "x.png", "--format", "gif"}, "invalid value 'gif' for --format (bmp or png)"},
    {"FormatContradictsTheName", {"render", "-o", "x.png", "--format", "bmp"},
     "--format bmp contradicts the output file name 'x.png'"},
    {"FormatContradictsAnUpperCaseName", {"render", "-o", "X.BMP", "--format=png"},
     "--format png contradicts the output file name 'X.BMP'"},
    {"PaletteCommandWithFormat", {"palette", "--format", "png"},
     "option --format does not apply to the palette command"},
    {"OutputOnlyExtension", {"render", "-o", "x.png.txt"}, "must end in .bmp or .png"},
    {"TwoInputs", {"render", "a.bmp", "b.bmp", "-o", "x.png"}, "several input files need --out-dir DIR"},
    {"OutDirWithOutput", {"render", "a.bmp", "--out-dir", "d", "-o", "x.png"},
     "-o and --out-dir cannot be used together"},
    {"OutDirWithoutInputs", {"render", "--out-dir", "d"}, "--out-dir needs input files"},
    {"OutDirEmpty", {"render", "a.bmp", "--out-dir="}, "invalid value '' for --out-dir (a directory)"},
    {"OutDirWithStandardInput", {"render", "a.bmp", "-", "--out-dir", "d"},
     "standard input ('-') cannot be read in a batch (--out-dir)"},
    {"OutDirSameStem", {"render", "x/a.png", "b.bmp", "y/a.bmp", "--out-dir", "d"},
     "'x/a.png' and 'y/a.bmp' would both be written to 'd/a.png'"},
    {"OutDirRgbWithBmp", {"render", "a.png", "--out-dir", "d", "--format", "bmp", "--rgb"},
     "--rgb applies to PNG output only"},
    {"PaletteCommandWithOutDir", {"palette", "--out-dir", "d"},
     "option --out-dir does not apply to the palette command"},
    {"EmptyInput", {"render", "", "-o", "x.png"}, "the input file name is empty"},
    {"UnknownOption", {"render", "-o", "x.png", "--bogus"}, "unknown option '--bogus'"},
    {"UnknownShortOption", {"render", "-o", "x.png", "-x"}, "unknown option '-x'"},
    {"UnknownOptionWithValue", {"render", "-o", "x.png", "--colour=3"}, "unknown option '--colour'"},
    {"FlagWithValue", {"render", "-o", "x.png", "--info=1"}, "unknown option '--info'"},
    {"DisplayUnknown", {"render", "-o", "x.png", "--display", "3"},
     "invalid value '3' for --display (1, 4, 4p, 8, 8rgb, 16, 24, 32 or 2)"},
    {"DisplayMissing", {"render", "-o", "x.png", "--display"}, "option --display needs a value"},
    {"DitherNotANumber", {"render", "-o", "x.png", "--dither", "x"}, "invalid value 'x' for --dither (an integer)"},
    {"DitherFraction", {"render", "-o", "x.png", "--dither", "1.5"}, "invalid value '1.5' for --dither"},
    {"DitherTooLarge", {"render", "-o", "x.png", "--dither", "99999999999"}, "invalid value '99999999999'"},
    {"DitherSpace", {"render", "-o", "x.png", "--dither", " 1"}, "invalid value ' 1' for --dither"},
    {"PaletteEmpty", {"render", "-o", "x.png", "--palette="}, "invalid value '' for --palette (an integer)"},
    {"RealizeUnknown", {"render", "-o", "x.png", "--realize", "always"},
     "invalid value 'always' for --realize (none, fixed or image)"},
    {"SrcThreeNumbers", {"render", "-o", "x.png", "--src", "1,2,3"}, "invalid value '1,2,3' for --src (L,T,R,B)"},
    {"SrcFiveNumbers", {"render", "-o", "x.png", "--src", "1,2,3,4,5"}, "invalid value '1,2,3,4,5' for --src"},
    {"SrcLetters", {"render", "-o", "x.png", "--src", "a,b,c,d"}, "invalid value 'a,b,c,d' for --src"},
    {"SrcEmptyField", {"render", "-o", "x.png", "--src", "1,,3,4"}, "invalid value '1,,3,4' for --src"},
    {"DstThreeNumbers", {"render", "-o", "x.png", "--dst", "0,0,10"}, "invalid value '0,0,10' for --dst"},
    {"SizeOneNumber", {"render", "-o", "x.png", "--size", "10"},
     "invalid value '10' for --size (WxH, Wx or xH, each at least 1)"},
    {"SizeNegative", {"render", "-o", "x.png", "--size", "-1x5"}, "invalid value '-1x5' for --size"},
    {"SizeZero", {"render", "-o", "x.png", "--size", "0x0"}, "invalid value '0x0' for --size"},
    {"SizeZeroWidth", {"render", "-o", "x.png", "--size", "0x5"}, "invalid value '0x5' for --size"},
    {"SizeZeroAndLeftOut", {"render", "-o", "x.png", "--size", "0x"}, "invalid value '0x' for --size"},
    {"SizeBothLeftOut", {"render", "-o", "x.png", "--size", "x"}, "invalid value 'x' for --size"},
    {"SrcUpsideDown", {"render", "-o", "x.png", "--src", "10,40,20,30"},
     "--src 10,40,20,30 is empty (it needs L < R and T < B)"},
    {"SrcRightOfLeft", {"render", "-o", "x.png", "--src", "20,0,10,30"}, "--src 20,0,10,30 is empty"},
    {"SrcEmpty", {"render", "-o", "x.png", "--src", "5,5,5,9"}, "--src 5,5,5,9 is empty"},
    {"DstEmpty", {"render", "-o", "x.png", "--dst", "0,0,0,10"}, "--dst 0,0,0,10 is empty"},
    {"SizeAndDst", {"render", "-o", "x.png", "--size", "4x4", "--dst", "0,0,4,4"},
     "--size and --dst cannot be used together"},
    {"ScreenZero", {"render", "-o", "x.png", "--screen", "0x10"},
     "invalid value '0x10' for --screen (WxH, at least 1x1)"},
    {"ScreenTooWide", {"render", "-o", "x.png", "--screen", "100000x10"},
     "a screen of 100000x10 is too large (at most 32768 pixels on a side"},
    {"ScreenTooManyPixels", {"render", "-o", "x.png", "--screen", "20000x20000"},
     "a screen of 20000x20000 is too large"},
    {"WindowEmpty", {"render", "-o", "x.png", "--window", "5,5,5,10"},
     "--window 5,5,5,10 is empty (it needs L < R and T < B)"},
    {"WindowUpsideDown", {"render", "-o", "x.png", "--window", "0,10,10,0"}, "--window 0,10,10,0 is empty"},
    {"BackgroundAbove255", {"render", "-o", "x.png", "--background", "256,0,0"},
     "invalid value '256,0,0' for --background (R,G,B, each 0 to 255)"},
    {"BackgroundNegative", {"render", "-o", "x.png", "--background", "0,-1,0"},
     "invalid value '0,-1,0' for --background"},
    {"BackgroundTwoNumbers", {"render", "-o", "x.png", "--background", "1,2"}, "invalid value '1,2' for --background"},
    {"TransparentTwo", {"render", "-o", "x.png", "--transparent", "2"},
     "invalid value '2' for --transparent (0, 1 or 0,1"},
    {"TransparentTwice", {"render", "-o", "x.png", "--transparent", "0,0"}, "invalid value '0,0' for --transparent"},
    {"TransparentEmpty", {"render", "-o", "x.png", "--transparent="}, "invalid value '' for --transparent"},
    {"TransparentTrailingComma", {"render", "-o", "x.png", "--transparent", "1,"},
     "invalid value '1,' for --transparent"},
    {"PaletteCommandWithTransparent", {"palette", "--transparent", "0"},
     "option --transparent does not apply to the palette command"},
    {"SystemPaletteWithoutDisplay", {"render", "-o", "x.png", "--system-palette", "p.txt"},
     "--system-palette needs --display 8 (256 colours with a palette)"},
    {"SystemPaletteOnDisplay16", {"render", "-o", "x.png", "--display", "16", "--system-palette", "p.txt"},
     "--system-palette needs --display 8"},
    {"SystemPaletteEmpty", {"render", "-o", "x.png", "--display", "8", "--system-palette="},
     "invalid value '' for --system-palette (a file name)"},
    {"PaletteCommandWithInput", {"palette", "in.bmp"}, "the palette command takes no input file"},
    {"PaletteCommandWithRenderOption", {"palette", "--dither", "1"},
     "option --dither does not apply to the palette command"},
    {"PaletteCommandWithRenderFlag", {"palette", "--info"}, "option --info does not apply to the palette command"},
    {"PaletteCommandBadDisplay", {"palette", "--display", "9"}, "invalid value '9' for --display"},
    {"RgbWithBmpOutput", {"render", "-o", "x.bmp", "--rgb"}, "--rgb applies to PNG output only"},
    {"RgbWithBmpToStandardOutput", {"render", "-o", "-", "--format", "bmp", "--rgb"},
     "--rgb applies to PNG output only"},
    {"PaletteCommandWithRgb", {"palette", "--rgb"}, "option --rgb does not apply to the palette command"},
};

class UsageError : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageError, IsNamed)
{
    Options options;
    const std::string problem = ParseArguments(GetParam().args, options);
    EXPECT_NE(problem.find(GetParam().problem), std::string::npos) << "message: '" << problem << "'";
}

INSTANTIATE_TEST_SUITE_P(Arguments, UsageError, testing::ValuesIn(kUsageErrors),
                         testsupport::CaseName());

TEST(ParseArguments, DefaultsWithOnlyAnOutput)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "out.png"}, options), "");
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.input, "");
    EXPECT_EQ(options.output, "out.png");
    EXPECT_EQ(options.format, dibtool::OutputFormat::Png);
    EXPECT_FALSE(options.display.has_value());
    EXPECT_EQ(options.dither, 0);
    EXPECT_EQ(options.palette, 0);
    EXPECT_FALSE(options.realize.has_value());
    EXPECT_FALSE(options.src || options.dst || options.screen || options.window);
    EXPECT_EQ(options.background, RGB(0, 0, 0));
    EXPECT_FALSE(options.swapped);
    EXPECT_FALSE(options.info);
    EXPECT_FALSE(options.rgb);
}

TEST(ParseArguments, RgbFlagForPngOutput)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "out.png", "--rgb"}, options), "");
    EXPECT_TRUE(options.rgb);
    ASSERT_EQ(ParseArguments({"render", "--rgb", "-o", "-", "--format", "png"}, options), "");
    EXPECT_TRUE(options.rgb);
}

TEST(ParseArguments, EveryOptionLandsInItsField)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "--display", "4p", "--dither=2", "--palette", "-3", "--realize", "image",
                              "--src", "-5,-6,100,200", "in.bmp", "--dst=1,2,30,40", "--screen", "64x48",
                              "--window", "2,3,60,45", "--background", "1,2,3", "--swapped", "--info",
                              "--output", "OUT.BMP"},
                             options),
              "");
    EXPECT_EQ(options.input, "in.bmp");
    EXPECT_EQ(options.output, "OUT.BMP");
    EXPECT_EQ(options.format, dibtool::OutputFormat::Bmp);
    EXPECT_EQ(options.display, DisplayKind::Planar4);
    EXPECT_EQ(options.dither, 2);
    EXPECT_EQ(options.palette, -3);
    EXPECT_EQ(options.realize, RealizeMode::Image);
    EXPECT_EQ(RectText(*options.src), "-5,-6,100,200");
    EXPECT_EQ(RectText(*options.dst), "1,2,30,40");
    EXPECT_EQ(options.screen->width, 64);
    EXPECT_EQ(options.screen->height, 48);
    EXPECT_EQ(RectText(*options.window), "2,3,60,45");
    EXPECT_EQ(options.background, RGB(1, 2, 3));
    EXPECT_TRUE(options.swapped);
    EXPECT_TRUE(options.info);
}

TEST(ParseArguments, TransparentNamesColoursOfAOneBitImage)
{
    const std::pair<const char*, std::array<bool, 2>> kValues[] = {
        {"0", {true, false}}, {"1", {false, true}}, {"0,1", {true, true}}, {"1,0", {true, true}}};
    for (const auto& [value, expected] : kValues) {
        Options options;
        ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--transparent", value}, options), "") << value;
        EXPECT_EQ(options.transparent, expected) << value;
    }
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png"}, options), "");
    EXPECT_EQ(options.transparent, (std::array<bool, 2>{false, false}));
}

TEST(ApplyTransparency, MarksOnlyTheNamedColours)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--transparent", "1"}, options), "");
    dibtool::PackedDib mono(3, 2, 1);
    ASSERT_EQ(dibtool::ApplyTransparency(options, mono), "");
    EXPECT_EQ(mono.colors()[0].rgbReserved, 0);
    EXPECT_EQ(mono.colors()[1].rgbReserved, 255);

    for (int bits : {4, 8, 24}) {
        dibtool::PackedDib deeper(3, 2, bits);
        EXPECT_EQ(dibtool::ApplyTransparency(options, deeper),
                  "--transparent needs a 1-bit image (this one has " + std::to_string(bits) + " bits per pixel)");
    }
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png"}, options), "");
    dibtool::PackedDib deeper(3, 2, 8);
    EXPECT_EQ(dibtool::ApplyTransparency(options, deeper), "") << "without the option any image is fine";
}

TEST(ParseArguments, EveryDisplayKind)
{
    const std::pair<const char*, DisplayKind> kKinds[] = {
        {"1", DisplayKind::Mono},       {"4", DisplayKind::Packed4}, {"4p", DisplayKind::Planar4},
        {"8", DisplayKind::Palette8},   {"8rgb", DisplayKind::Rgb332}, {"16", DisplayKind::Rgb565},
        {"24", DisplayKind::Rgb24},     {"32", DisplayKind::Rgb32},  {"2", DisplayKind::Grey2},
    };
    for (const auto& [name, kind] : kKinds) {
        Options options;
        ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--display", name}, options), "") << name;
        EXPECT_EQ(options.display, kind) << name;
    }
}

TEST(ParseArguments, SystemPaletteFileOnThe256ColourDisplay)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "x.bmp", "--display", "8", "--system-palette", "wine.txt"}, options),
              "");
    EXPECT_EQ(options.systemPaletteFile, "wine.txt");
}

TEST(ParseArguments, PaletteCommandTakesAnOutputAndADisplay)
{
    Options options;
    ASSERT_EQ(ParseArguments({"palette"}, options), "");
    EXPECT_EQ(options.command, dibtool::Command::Palette);
    EXPECT_EQ(options.output, "") << "standard output";
    EXPECT_FALSE(options.display.has_value());
    ASSERT_EQ(ParseArguments({"palette", "--display", "8", "-o", "palette.txt"}, options), "");
    EXPECT_EQ(options.command, dibtool::Command::Palette);
    EXPECT_EQ(options.output, "palette.txt");
    EXPECT_EQ(options.display, DisplayKind::Palette8);
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png"}, options), "");
    EXPECT_EQ(options.command, dibtool::Command::Render) << "a new parse starts from the defaults";
}

TEST(ParseArguments, SizeMayLeaveASideOut)
{
    const std::tuple<const char*, int, int> kSizes[] = {{"30X20", 30, 20}, {"640x", 640, 0}, {"x480", 0, 480}};
    for (const auto& [value, width, height] : kSizes) {
        Options options;
        ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--size", value}, options), "") << value;
        ASSERT_TRUE(options.size.has_value()) << value;
        EXPECT_EQ(options.size->width, width) << value;
        EXPECT_EQ(options.size->height, height) << value;
        EXPECT_FALSE(options.dst.has_value()) << value;
    }
}

TEST(ParseArguments, OutputFormsAndFormats)
{
    struct Case {
        Args args;
        const char* output;
        dibtool::OutputFormat format;
    };
    const Case kCases[] = {
        {{"-oout.bmp"}, "out.bmp", dibtool::OutputFormat::Bmp},
        {{"-o", "-", "--format", "bmp"}, "-", dibtool::OutputFormat::Bmp},
        {{"-o-", "--format=png"}, "-", dibtool::OutputFormat::Png},
        {{"-o", "picture.data", "--format", "bmp"}, "picture.data", dibtool::OutputFormat::Bmp},
        {{"--format", "png", "--output", "X.PNG"}, "X.PNG", dibtool::OutputFormat::Png},
    };
    for (const Case& c : kCases) {
        Args args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Options options;
        ASSERT_EQ(ParseArguments(args, options), "") << testing::PrintToString(c.args);
        EXPECT_EQ(options.output, c.output) << testing::PrintToString(c.args);
        EXPECT_EQ(options.format, c.format) << testing::PrintToString(c.args);
    }
}

TEST(ParseArguments, DashIsStandardInput)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-", "-o", "x.png"}, options), "");
    EXPECT_EQ(options.input, "-");
    EXPECT_NE(ParseArguments({"render", "-", "-", "-o", "x.png"}, options).find("several input files"),
              std::string::npos);
}

TEST(ParseArguments, PaletteCommandWritesToDash)
{
    Options options;
    ASSERT_EQ(ParseArguments({"palette", "-o", "-"}, options), "");
    EXPECT_EQ(options.output, "-");
}

TEST(ParseArguments, DoubleDashEndsTheOptions)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--", "--odd-name.bmp"}, options), "");
    EXPECT_EQ(options.input, "--odd-name.bmp");
}

TEST(ParseArguments, HelpNeedsNothingElse)
{
    for (const Args& args : {Args{"--help"}, Args{"-h"}, Args{"render", "--help"}, Args{"render", "-x", "-h"}}) {
        Options options;
        const std::string problem = ParseArguments(args, options);
        if (args.size() == 3) {
            EXPECT_NE(problem, "") << "an unknown option before --help is still an error";
            continue;
        }
        EXPECT_EQ(problem, "") << args.back();
        EXPECT_TRUE(options.help) << args.back();
    }
}

TEST(EffectiveRealize, FollowsThePaletteModeUnlessGiven)
{
    struct Case {
        int palette;
        std::optional<RealizeMode> given;
        RealizeMode expected;
    };
    const Case kCases[] = {
        {0, std::nullopt, RealizeMode::Fixed}, {1, std::nullopt, RealizeMode::Image},
        {2, std::nullopt, RealizeMode::None},  {-1, std::nullopt, RealizeMode::None},
        {7, std::nullopt, RealizeMode::None},  {0, RealizeMode::None, RealizeMode::None},
        {1, RealizeMode::Fixed, RealizeMode::Fixed}, {2, RealizeMode::Image, RealizeMode::Image},
    };
    for (const Case& c : kCases) {
        Options options;
        options.palette = c.palette;
        options.realize = c.given;
        EXPECT_EQ(dibtool::EffectiveRealize(options), c.expected)
            << "palette " << c.palette << ", given " << (c.given ? static_cast<int>(*c.given) : -1);
    }
}

struct GeometryCase {
    const char* name;
    Args args;
    int imageWidth;
    int imageHeight;
    const char* src;
    const char* dst;
    const char* window;
    int screenWidth;
    int screenHeight;
};

const GeometryCase kGeometry[] = {
    {"WholeImage", {}, 100, 50, "0,0,100,50", "0,0,100,50", "0,0,100,50", 100, 50},
    {"SourceClippedForTheDestination", {"--src", "-5,-5,1000,1000"}, 100, 50, "-5,-5,1000,1000", "0,0,100,50",
     "0,0,100,50", 100, 50},
    {"PartOfTheImage", {"--src", "10,20,40,30"}, 100, 50, "10,20,40,30", "0,0,30,10", "0,0,30,10", 30, 10},
    {"SourceRightOfTheImage", {"--src", "101,0,120,10"}, 100, 50, "101,0,120,10", "0,0,0,0", "0,0,1,1", 1, 1},
    {"SourceStartingAtTheRightEdge", {"--src", "100,0,120,10"}, 100, 50, "100,0,120,10", "0,0,0,10", "0,0,1,10",
     1, 10},
    {"Size", {"--size", "7x9"}, 100, 50, "0,0,100,50", "0,0,7,9", "0,0,7,9", 7, 9},
    {"SizeWidthOnly", {"--size", "50x"}, 100, 50, "0,0,100,50", "0,0,50,25", "0,0,50,25", 50, 25},
    {"SizeHeightOnly", {"--size", "x10"}, 100, 50, "0,0,100,50", "0,0,20,10", "0,0,20,10", 20, 10},
    {"SizeOfTheClippedSource", {"--src", "-10,0,30,50", "--size", "x25"}, 100, 50, "-10,0,30,50", "0,0,15,25",
     "0,0,15,25", 15, 25},
    {"SizeRoundsToTheNearestPixel", {"--size", "10x"}, 3, 7, "0,0,3,7", "0,0,10,23", "0,0,10,23", 10, 23},
    {"SizeRoundsHalfUp", {"--size", "x3"}, 5, 2, "0,0,5,2", "0,0,8,3", "0,0,8,3", 8, 3},
    {"SizeKeepsAtLeastOnePixel", {"--size", "10x"}, 100, 1, "0,0,100,1", "0,0,10,1", "0,0,10,1", 10, 1},
    {"DestinationOffset", {"--dst", "5,6,15,26"}, 10, 10, "0,0,10,10", "5,6,15,26", "0,0,15,26", 15, 26},
    {"DestinationNegative", {"--dst", "-20,-20,-10,-10"}, 10, 10, "0,0,10,10", "-20,-20,-10,-10", "0,0,1,1", 1, 1},
    {"ScreenGiven", {"--screen", "300x200"}, 10, 10, "0,0,10,10", "0,0,10,10", "0,0,300,200", 300, 200},
    {"WindowWidensTheScreen", {"--window", "40,30,60,50"}, 10, 10, "0,0,10,10", "0,0,10,10", "40,30,60,50", 60,
     50},
    {"WindowInsideAGivenScreen", {"--window", "1,2,3,4", "--screen", "8x8"}, 10, 10, "0,0,10,10", "0,0,10,10",
     "1,2,3,4", 8, 8},
};

class GeometryDefaults : public testing::TestWithParam<GeometryCase> {};

TEST_P(GeometryDefaults, AreFilledIn)
{
    const GeometryCase& c = GetParam();
    Args args = {"render", "-o", "x.png"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Options options;
    ASSERT_EQ(ParseArguments(args, options), "");
    Geometry geometry;
    ASSERT_EQ(dibtool::ResolveGeometry(options, c.imageWidth, c.imageHeight, geometry), "");
    EXPECT_EQ(RectText(geometry.src), c.src);
    EXPECT_EQ(RectText(geometry.dst), c.dst);
    EXPECT_EQ(RectText(geometry.window), c.window);
    EXPECT_EQ(geometry.screen.width, c.screenWidth);
    EXPECT_EQ(geometry.screen.height, c.screenHeight);
}

INSTANTIATE_TEST_SUITE_P(Options, GeometryDefaults, testing::ValuesIn(kGeometry),
                         testsupport::CaseName());

TEST(GeometryErrors, WindowOutsideTheScreen)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--screen", "20x20", "--window", "10,10,30,15"}, options), "");
    Geometry geometry;
    EXPECT_EQ(dibtool::ResolveGeometry(options, 5, 5, geometry),
              "--window 10,10,30,15 does not fit in the 20x20 screen");
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--window", "-1,0,5,5"}, options), "");
    EXPECT_EQ(dibtool::ResolveGeometry(options, 5, 5, geometry), "--window -1,0,5,5 does not fit in the 5x5 screen");
}

TEST(GeometryErrors, DestinationTooLargeForADefaultScreen)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--size", "40000x10"}, options), "");
    Geometry geometry;
    const std::string problem = dibtool::ResolveGeometry(options, 5, 5, geometry);
    EXPECT_NE(problem.find("a screen of 40000x10 is too large"), std::string::npos) << problem;
    EXPECT_NE(problem.find("give a smaller destination or --screen"), std::string::npos) << problem;

    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--dst", "0,0,2147483647,2147483647"}, options), "");
    EXPECT_NE(dibtool::ResolveGeometry(options, 5, 5, geometry), "");
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--size", "40000x10", "--screen", "10x10"}, options), "");
    EXPECT_EQ(dibtool::ResolveGeometry(options, 5, 5, geometry), "");
}

TEST(GeometryErrors, AspectRatioOfAnEmptySource)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--src", "200,0,300,10", "--size", "50x"}, options), "");
    Geometry geometry;
    EXPECT_EQ(dibtool::ResolveGeometry(options, 100, 50, geometry),
              "--size 50x keeps the source's aspect ratio, but the clipped source is empty");
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--src", "100,0,300,10", "--size", "x5"}, options), "");
    EXPECT_EQ(dibtool::ResolveGeometry(options, 100, 50, geometry),
              "--size x5 keeps the source's aspect ratio, but the clipped source is empty");
    ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--src", "200,0,300,10", "--size", "5x5"}, options), "");
    EXPECT_EQ(dibtool::ResolveGeometry(options, 100, 50, geometry), "") << "both sides given: nothing to keep";
}

// The library's clipping, which the tool's geometry calls, of `src` on a
// width x height image.
std::string Clipped(RECT src, int width, int height)
{
    BITMAPINFOHEADER image{};
    image.biWidth = width;
    image.biHeight = height;
    dibdraw::ClipSource(image, src);
    return RectText(src);
}

TEST(ClipSource, MatchesTheLibrarysRule)
{
    EXPECT_EQ(Clipped({-5, -5, 1000, 1000}, 100, 50), "0,0,100,50");
    EXPECT_EQ(Clipped({101, 0, 200, 10}, 100, 50), "101,0,200,10");
    EXPECT_EQ(Clipped({0, 51, 200, 60}, 100, 50), "0,51,200,60");
    EXPECT_EQ(Clipped({100, 50, 200, 60}, 100, 50), "100,50,100,50");
}

TEST(ResolveGeometry, SizesTheDestinationByTheLibrarysClipping)
{
    const std::tuple<const char*, const char*> cases[] = {
        {"-5,-5,1000,1000", "0,0,100,50"},  // limited to the image
        {"101,0,200,10", "0,0,0,0"},        // right of the image: nothing drawn
        {"0,51,200,60", "0,0,0,0"},         // below it
        {"100,50,200,60", "0,0,0,0"},       // at its corner: empty
        {"90,-3,200,20", "0,0,10,20"},
    };
    for (const auto& [src, dst] : cases) {
        Options options;
        ASSERT_EQ(ParseArguments({"render", "-o", "x.png", "--src", src}, options), "") << src;
        Geometry geometry;
        ASSERT_EQ(dibtool::ResolveGeometry(options, 100, 50, geometry), "") << src;
        EXPECT_EQ(RectText(geometry.dst), dst) << "--src " << src;
    }
}

TEST(UsageText, SummarizesTheOptionsInEightyColumns)
{
    EXPECT_EQ(std::string(dibtool::UsageText()),
              "usage: dibdraw render [INPUT|-] -o OUTPUT.{png,bmp}|- [--format bmp|png] [options]\n"
              "       dibdraw render INPUT... --out-dir DIR [--format bmp|png] [options]\n"
              "       dibdraw sheet [INPUT] -o SHEET.png [--size WxH] [options]\n"
              "       dibdraw palette [-o FILE] [--display KIND]\n"
              "options: --display 1|4|4p|8|8rgb|16|24|32|2, --dither N, --palette N, --info,\n"
              "  --realize none|fixed|image, --src L,T,R,B, --dst L,T,R,B | --size WxH|Wx|xH,\n"
              "  --screen WxH, --window L,T,R,B, --background R,G,B, --transparent 0|1|0,1,\n"
              "  --swapped, --rgb, --system-palette FILE\n");
}

// Every option the help lists (a line "  --name" or "  -x, --name") is one the
// parser knows: given to the render command it is never an unknown option.
TEST(HelpText, ListsOnlyOptionsTheParserKnows)
{
    const std::string help = dibtool::HelpText();
    const size_t start = help.find("\nOptions:\n");
    const size_t end = help.find("\n\n", start + 1);
    ASSERT_NE(start, std::string::npos);
    int listed = 0;
    for (size_t at = start + 10; at < end; at = help.find('\n', at) + 1) {
        const std::string line = help.substr(at, help.find('\n', at) - at);
        EXPECT_LE(line.size(), 80u) << line;
        if (line.rfind("  -", 0) != 0) {
            continue;
        }
        ++listed;
        std::string name = line.substr(2, line.find(' ', 2) - 2);
        if (name.back() == ',') {
            name = line.substr(line.find("--"), line.find(' ', line.find("--")) - line.find("--"));
        }
        if (name == "--version") {
            continue;  // in place of a command only
        }
        Options options;
        EXPECT_EQ(ParseArguments({"render", name}, options).find("unknown option"), std::string::npos) << name;
    }
    EXPECT_EQ(listed, 20);
}

// The values an option lists are ones it takes, and the help lines their
// meanings up, continued lines and all, before the text that follows them.
TEST(HelpText, ListsEachOptionsValuesWithTheirMeanings)
{
    for (const dibtool::OptionSpec& option : dibtool::OptionTable()) {
        for (const dibtool::Choice& choice : option.choices) {
            Options options;
            const std::string problem =
                ParseArguments({"render", std::string(option.name), std::string(choice.name)}, options);
            EXPECT_EQ(problem.find("invalid value"), std::string::npos) << option.name << " " << choice.name;
        }
    }
    const std::string help = dibtool::HelpText();
    const char* const kExpected[] = {
        "  --dither N             how colours the display lacks are made up (default 0):\n"
        "                           0  ordered dither, a fine regular pattern\n"
        "                           1  none: each pixel takes the nearest colour\n"
        "                           2  error diffusion (Floyd-Steinberg), smooth\n"
        "                              gradients with a grainy look\n"
        "                           3  ordered dither with a fixed 8x8 pattern\n"
        "                         other values make drawing fail where a mode matters\n",
        "  --realize WHAT         whether to set the display's palette before drawing:\n"
        "                           none   keep what the display holds\n"
        "                           fixed  the fixed palette\n"
        "                           image  the picture's own colours\n"
        "                         (default: image with --palette 1, fixed with\n",
    };
    for (const char* expected : kExpected) {
        EXPECT_NE(help.find(expected), std::string::npos) << expected;
    }
}

TEST(ParseArguments, SheetTakesTheOptionsOfOneRender)
{
    Options options;
    ASSERT_EQ(ParseArguments({"sheet", "-o", "s.png", "--size", "192x144", "--palette", "1", "--realize", "none",
                              "--src", "0,0,10,10", "--background", "1,2,3", "--transparent", "1"},
                             options),
              "");
    EXPECT_EQ(options.command, dibtool::Command::Sheet);
    EXPECT_EQ(options.input, "");
    EXPECT_EQ(options.output, "s.png");
    EXPECT_EQ(options.format, dibtool::OutputFormat::Png);
    EXPECT_EQ(options.size->width, 192);
    EXPECT_EQ(options.palette, 1);
    EXPECT_EQ(options.background, RGB(1, 2, 3));
    ASSERT_EQ(ParseArguments({"sheet", "in.bmp", "-o", "-", "--format", "png"}, options), "");
    EXPECT_EQ(options.input, "in.bmp");
    EXPECT_EQ(options.output, "-");
}

TEST(ParseArguments, BatchNamesEachOutputAfterItsInput)
{
    Options options;
    ASSERT_EQ(ParseArguments({"render", "a.png", "dir/b.v2.bmp", "--out-dir", "out", "-", "--", "-c"}, options),
              "standard input ('-') cannot be read in a batch (--out-dir)");
    ASSERT_EQ(ParseArguments({"render", "a.png", "dir/b.v2.bmp", "--out-dir", "out", "--", "-c"}, options), "");
    EXPECT_EQ(options.inputs, (Args{"a.png", "dir/b.v2.bmp", "-c"}));
    EXPECT_EQ(options.outDir, "out");
    EXPECT_EQ(options.output, "");
    EXPECT_EQ(options.format, dibtool::OutputFormat::Png) << "PNG unless --format says otherwise";
    EXPECT_EQ(dibtool::BatchOutputPath(options, "dir/b.v2.bmp"), "out/b.v2.png");
    EXPECT_EQ(dibtool::BatchOutputPath(options, "-c"), "out/-c.png");
    ASSERT_EQ(ParseArguments({"render", "a.png", "--out-dir=out/", "--format", "bmp", "--info"}, options), "");
    EXPECT_EQ(options.format, dibtool::OutputFormat::Bmp);
    EXPECT_EQ(dibtool::BatchOutputPath(options, "a.png"), "out/a.bmp");
    EXPECT_TRUE(options.info);
    ASSERT_EQ(ParseArguments({"render", "a.png", "-o", "x.png"}, options), "");
    EXPECT_EQ(options.input, "a.png") << "a single input is the one rendered";
    EXPECT_EQ(options.inputs, Args{"a.png"});
}

}  // namespace
