// The dibdraw executable end to end: exit statuses, messages, --info lines,
// and the screens it writes, read back from its output files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/named_case.h"
#include "tool/bmp_builder.h"
#include "tool/png_builder.h"
#include "tool/tool_workspace.h"
#include "tools/bmp_reader.h"
#include "tools/embedded_image.h"

namespace {

using testsupport::PrintTo;

namespace fs = std::filesystem;
using tooltest::RunResult;
using tooltest::Slurp;
using tooltest::Workspace;

// What a screen showed: 0xRRGGBB per pixel, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    int bits = 0;  // of the BMP file it was read from
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

Picture ReadPngPicture(const std::string& path)
{
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        picture.pixels.push_back(static_cast<uint32_t>(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]));
    }
    return picture;
}

// The colours of a DIB, through its colour table when it has one.
Picture ColoursOf(const dibtool::PackedDib& dib)
{
    Picture picture;
    picture.width = dib.width();
    picture.height = dib.height();
    picture.bits = dib.bits();
    for (int y = 0; y < dib.height(); ++y) {
        for (int x = 0; x < dib.width(); ++x) {
            uint32_t value = dib.Pixel(x, y);
            if (dib.bits() <= 8) {
                const RGBQUAD& q = dib.colors()[value];
                value = static_cast<uint32_t>(q.rgbRed << 16 | q.rgbGreen << 8 | q.rgbBlue);
            }
            picture.pixels.push_back(value);
        }
    }
    return picture;
}

Picture ReadBmpPicture(const std::string& path)
{
    const std::string bytes = Slurp(path);
    dibtool::PackedDib dib;
    const std::string problem = dibtool::DecodeBmp(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), dib);
    if (!problem.empty()) {
        ADD_FAILURE() << path << ": " << problem;
        return {};
    }
    return ColoursOf(dib);
}

// Compares every pixel and names the first difference.
void ExpectSamePicture(const Picture& actual, const Picture& expected, const std::string& context)
{
    ASSERT_EQ(actual.width, expected.width) << context;
    ASSERT_EQ(actual.height, expected.height) << context;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            ASSERT_EQ(actual.At(x, y), expected.At(x, y)) << context << ": pixel (" << x << ", " << y << ")";
        }
    }
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

using tooltest::BmpFile;
using tooltest::Quad;

// A 24-bit BMP whose pixel (x, y) is `colour(x, y)` (0xRRGGBB).
template <typename Colour>
BmpFile TrueColourBmp(int width, int height, Colour colour)
{
    BmpFile file;
    file.width = width;
    file.height = height;
    file.bits = 24;
    const size_t stride = tooltest::Stride(width, 24);
    file.pixels.assign(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = file.pixels.data() + stride * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            row[3 * x] = static_cast<uint8_t>(c);
            row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
        }
    }
    return file;
}

uint32_t Pattern(int x, int y) { return static_cast<uint32_t>((x * 37 + y * 11) % 256 << 16 | (x * y) % 256 << 8 | (x + 3 * y) % 256); }

Picture PatternPicture(int width, int height)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(Pattern(x, y));
        }
    }
    return picture;
}

// ---------------------------------------------------------------------------

TEST(ToolRun, HelpDocumentsEveryOptionAndExitStatus)
{
    Workspace ws;
    const RunResult run = ws.Run({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    for (const char* text : {"dibdraw render [INPUT] -o OUTPUT", "--display", "4p", "8rgb", "--dither", "--palette",
                             "--realize", "--src", "--dst", "--size", "\"Wx\" or \"xH\"", "--screen", "--window",
                             "--background", "--transparent 0|1|0,1", "--swapped", "--info", "display_depth",
                             "converter", "palette_mode", "rop", "bands", "Exit status", "Alpha", "composited",
                             "BI_RLE8", "BI_BITFIELDS", "JPEG", "OS/2", ".bmp", ".png", "--format bmp|png",
                             "-oFILE", "reads it from\nstandard input", "\"-o -\" writes it to standard output",
                             "symbolic link", "dibdraw palette [-o FILE]", "--system-palette FILE", "Windows build",
                             "ClientSideGraphics=N", "--rgb", "indexed PNG", "tRNS", "--out-dir DIR",
                             "Several files at once", "dibdraw sheet [INPUT] -o SHEET.png", "GIMP", "JASC-PAL",
                             "composited over the --background colour"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << "the help does not mention " << text;
    }
    // The library's internals belong to --info, not to the help.
    for (const char* text : {"VyrRealize", "VyrBlit", "StretchDIBits", "-1032", "-1007", "GetDIBits"}) {
        EXPECT_EQ(run.out.find(text), std::string::npos) << "the help speaks of " << text;
    }
    EXPECT_EQ(ws.Run({"render", "--help"}).out, run.out);
}

TEST(ToolRun, VersionIsTheProjectsRelease)
{
    Workspace ws;
    const RunResult run = ws.Run({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "dibdraw " DIBDRAW_VERSION "\n");
    EXPECT_EQ(run.err, "");
}

TEST(ToolRun, UsageErrorsExitWithTwoAndAShortUsage)
{
    const std::vector<std::vector<std::string>> kCases = {
        {},
        {"render"},
        {"render", "-o", "OUT.png", "--display", "5"},
        {"render", "-o", "OUT.png", "--frobnicate"},
        {"render", "-o", "OUT.txt"},
        {"render", "-o", "OUT.png", "--screen", "10x10", "--window", "5,5,20,20"},
        {"render", "-o", "OUT.png", "-o", "OUT2.png"},
        {"render", "-o", "OUT.png", "--size", "0x0"},
        {"render", "-o", "OUT.png", "--src", "10,10,5,5"},
        {"render", "-o", "-"},
    };
    for (const auto& args : kCases) {
        Workspace ws;
        std::vector<std::string> withPaths = args;
        for (std::string& arg : withPaths) {
            if (arg.rfind("OUT", 0) == 0) {
                arg = ws.Path(arg);
            }
        }
        const RunResult run = ws.Run(withPaths);
        const std::string context = "arguments: " + testing::PrintToString(args);
        EXPECT_EQ(run.exitCode, 2) << context;
        EXPECT_EQ(run.err.rfind("dibdraw: ", 0), 0u) << context << "\n" << run.err;
        EXPECT_NE(run.err.find("usage: dibdraw render [INPUT|-] -o OUTPUT"), std::string::npos) << context;
        EXPECT_LT(Lines(run.err).size(), 12u) << context << ": the usage text is not short";
        EXPECT_EQ(run.out, "") << context;
        EXPECT_TRUE(ws.Files().empty()) << context;
    }
}

TEST(ToolRun, EmbeddedImageOnATrueColourDisplay)
{
    Workspace ws;
    const RunResult run = ws.Run({"render", "-o", ws.Path("card.png"), "--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // 384 pixels of 3 bytes make 1152-byte band rows, 13 to a band of 16000
    // bytes: 22 full bands and one of 2 rows.
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{"result=0", "display_depth=24", "converter=Blit24To24",
                                                        "palette_mode=0", "rop=SRCCOPY", "src=0,0,384,288",
                                                        "bands=23"}));
    ExpectSamePicture(ReadPngPicture(ws.Path("card.png")), ColoursOf(dibtool::MakeEmbeddedImage()), "card.png");
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"card.png"});
}

TEST(ToolRun, BmpOutputOfATrueColourDisplayIsTwentyFourBit)
{
    Workspace ws;
    const RunResult run = ws.Run({"render", "-o", ws.Path("card.bmp"), "--display", "24"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Picture picture = ReadBmpPicture(ws.Path("card.bmp"));
    EXPECT_EQ(picture.bits, 24);
    ExpectSamePicture(picture, ColoursOf(dibtool::MakeEmbeddedImage()), "card.bmp");
}

TEST(ToolRun, SwappedDisplayShowsTheSameColours)
{
    Workspace ws;
    const RunResult run = ws.Run({"render", "-o", ws.Path("card.png"), "--display", "24", "--swapped", "--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("converter=Blit24To24Swap\n"), std::string::npos) << run.out;
    ExpectSamePicture(ReadPngPicture(ws.Path("card.png")), ColoursOf(dibtool::MakeEmbeddedImage()), "swapped");
}

struct DisplayKindCase {
    const char* name;
    const char* option;
    int bmpBits;
    int depth;
};

const DisplayKindCase kDisplayKinds[] = {
    {"Mono", "1", 1, 1},        {"Packed4", "4", 4, 4}, {"Planar4", "4p", 4, 4}, {"Palette8", "8", 8, 8},
    {"Rgb332", "8rgb", 24, 24}, {"Rgb565", "16", 24, 24}, {"Rgb24", "24", 24, 24}, {"Rgb32", "32", 24, 24},
};

class EveryDisplayKind : public testing::TestWithParam<DisplayKindCase> {};

// The scaled, dithered test card on each kind of display: the .bmp output is
// in the device's format and shows the same colours as the .png output.
TEST_P(EveryDisplayKind, WritesMatchingBmpAndPng)
{
    const DisplayKindCase& kind = GetParam();
    Workspace ws;
    const RunResult bmp = ws.Run({"render", "-o", ws.Path("s.bmp"), "--display", kind.option, "--dither", "2",
                                  "--size", "200x150", "--info"});
    ASSERT_EQ(bmp.exitCode, 0) << bmp.err;
    EXPECT_NE(bmp.out.find("display_depth=" + std::to_string(kind.depth) + "\n"), std::string::npos) << bmp.out;
    const RunResult png = ws.Run({"render", "-o", ws.Path("s.png"), "--display", kind.option, "--dither", "2",
                                  "--size", "200x150"});
    ASSERT_EQ(png.exitCode, 0) << png.err;
    const Picture fromBmp = ReadBmpPicture(ws.Path("s.bmp"));
    EXPECT_EQ(fromBmp.bits, kind.bmpBits);
    ExpectSamePicture(ReadPngPicture(ws.Path("s.png")), fromBmp, kind.name);
}

INSTANTIATE_TEST_SUITE_P(ToolRun, EveryDisplayKind, testing::ValuesIn(kDisplayKinds),
                         testsupport::CaseName());

TEST(ToolRun, IndexedBmpIsDrawnAsItIs)
{
    Workspace ws;
    BmpFile file = tooltest::BmpWithTable(9, 4, 8, [](int i) {
        return Quad{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 0};
    });
    const size_t stride = tooltest::Stride(9, 8);
    for (int row = 0; row < 4; ++row) {
        for (size_t x = 0; x < stride; ++x) {
            file.pixels.push_back(static_cast<uint8_t>(row * 40 + static_cast<int>(x) * 3));
        }
    }
    ws.Write("in.bmp", file.Bytes());
    const RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("out.png"), "--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("converter=Blit8To24\n"), std::string::npos) << run.out;
    ExpectSamePicture(ReadPngPicture(ws.Path("out.png")), ReadBmpPicture(ws.Path("in.bmp")), "8-bit BMP");
}

TEST(ToolRun, ConvertedInputsShowTheirColours)
{
    Workspace ws;
    // Run-length encoded 8-bit.
    BmpFile rle = tooltest::BmpWithTable(4, 2, 8, [](int i) {
        return Quad{static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i), 0};
    });
    rle.compression = 1;
    rle.pixels = {4, 10, 0, 0, 2, 20, 2, 30, 0, 1};
    ws.Write("rle.bmp", rle.Bytes());
    RunResult run = ws.Run({"render", ws.Path("rle.bmp"), "-o", ws.Path("rle.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Picture picture = ReadPngPicture(ws.Path("rle.png"));
    ASSERT_EQ(picture.width, 4);
    EXPECT_EQ(picture.At(0, 1), 0xF5000Au);  // bottom row: index 10
    EXPECT_EQ(picture.At(1, 0), 0xEB0014u);  // top row: 20 20 30 30
    EXPECT_EQ(picture.At(3, 0), 0xE1001Eu);

    // A palette PNG and an RGBA PNG.
    tooltest::PngPicture palette;
    palette.width = 3;
    palette.height = 1;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.bitDepth = 2;
    palette.palette = {{1, 2, 3}, {200, 100, 50}, {0, 255, 0}};
    palette.samples = {{2, 1, 0}};
    ws.Write("palette.png", tooltest::EncodePng(palette));
    run = ws.Run({"render", ws.Path("palette.png"), "-o", ws.Path("palette-out.png"), "--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("converter=Blit4To24\n"), std::string::npos) << run.out;
    Picture shown = ReadPngPicture(ws.Path("palette-out.png"));
    EXPECT_EQ(shown.pixels, (std::vector<uint32_t>{0x00FF00, 0xC86432, 0x010203}));

    tooltest::PngPicture rgba;
    rgba.width = 2;
    rgba.height = 1;
    rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    rgba.samples = {{10, 20, 30, 0, 40, 50, 60, 128}};
    ws.Write("rgba.png", tooltest::EncodePng(rgba));
    run = ws.Run({"render", ws.Path("rgba.png"), "-o", ws.Path("rgba-out.png"), "--background", "255,255,255"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    shown = ReadPngPicture(ws.Path("rgba-out.png"));
    EXPECT_EQ(shown.pixels, (std::vector<uint32_t>{0xFFFFFF, 0x93989D})) << "composited over the background";
    run = ws.Run({"render", ws.Path("rgba.png"), "-o", ws.Path("rgba-black.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    shown = ReadPngPicture(ws.Path("rgba-black.png"));
    EXPECT_EQ(shown.pixels, (std::vector<uint32_t>{0x000000, 0x14191E})) << "over the default black";
}

TEST(ToolRun, SourceRectangleIsClippedAndReported)
{
    Workspace ws;
    ws.Write("in.bmp", TrueColourBmp(100, 50, Pattern).Bytes());
    RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("all.png"), "--src", "-5,-5,1000,1000",
                            "--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("src=0,0,100,50\n"), std::string::npos) << run.out;
    ExpectSamePicture(ReadPngPicture(ws.Path("all.png")), PatternPicture(100, 50), "clipped source");

    run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("part.png"), "--src", "90,40,200,200"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Picture part = ReadPngPicture(ws.Path("part.png"));
    ASSERT_EQ(part.width, 10);
    ASSERT_EQ(part.height, 10);
    EXPECT_EQ(part.At(0, 0), Pattern(90, 40));
    EXPECT_EQ(part.At(9, 9), Pattern(99, 49));
}

TEST(ToolRun, SourceOutsideTheImageDrawsNothing)
{
    Workspace ws;
    ws.Write("in.bmp", TrueColourBmp(100, 50, Pattern).Bytes());
    const RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("out.png"), "--src", "500,0,600,10",
                                  "--background", "9,8,7", "--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("result=0\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("src=500,0,600,10\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("bands=0\n"), std::string::npos) << run.out;
    const Picture out = ReadPngPicture(ws.Path("out.png"));
    EXPECT_EQ(out.pixels, std::vector<uint32_t>{0x090807});
}

TEST(ToolRun, DestinationBackgroundAndWindow)
{
    Workspace ws;
    ws.Write("in.bmp", TrueColourBmp(10, 10, Pattern).Bytes());
    // The destination at 5,5 inside a 20x20 screen.
    RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("dst.png"), "--dst", "5,5,15,15",
                            "--screen", "20x20", "--background", "10,20,30"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Picture out = ReadPngPicture(ws.Path("dst.png"));
    ASSERT_EQ(out.width, 20);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
            ASSERT_EQ(out.At(x, y), inside ? Pattern(x - 5, y - 5) : 0x0A141Eu) << "dst: (" << x << ", " << y << ")";
        }
    }
    // A window at 10,10 moves the destination with it; a smaller one clips it.
    run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("win.png"), "--window", "10,10,17,30", "--screen",
                  "40x40"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    out = ReadPngPicture(ws.Path("win.png"));
    ASSERT_EQ(out.width, 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 17 && y >= 10 && y < 20;
            ASSERT_EQ(out.At(x, y), inside ? Pattern(x - 10, y - 10) : 0u) << "window: (" << x << ", " << y << ")";
        }
    }
}

TEST(ToolRun, ScalingFillsTheDestination)
{
    Workspace ws;
    ws.Write("in.bmp", TrueColourBmp(100, 50, [](int x, int) { return x < 50 ? 0xFF0000u : 0x0000FFu; }).Bytes());
    const RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("out.png"), "--size", "50x25"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Picture out = ReadPngPicture(ws.Path("out.png"));
    ASSERT_EQ(out.width, 50);
    ASSERT_EQ(out.height, 25);
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 50; ++x) {
            if (x < 24) {
                ASSERT_EQ(out.At(x, y), 0xFF0000u) << "(" << x << ", " << y << ")";
            } else if (x > 25) {
                ASSERT_EQ(out.At(x, y), 0x0000FFu) << "(" << x << ", " << y << ")";
            }
        }
    }
}

// A 1-bit BMP of 8x1 pixels: four of colour 1, then four of colour 0.
BmpFile HalfAndHalf(Quad colour0, Quad colour1)
{
    BmpFile file;
    file.width = 8;
    file.height = 1;
    file.bits = 1;
    file.table = {colour0, colour1};
    file.pixels = {0xF0, 0, 0, 0};
    return file;
}

TEST(ToolRun, TransparentOneBitImages)
{
    struct Case {
        const char* name;
        const char* transparent;
        Quad colour0;
        Quad colour1;
        const char* rop;
        uint32_t shown0;
        uint32_t shown1;
    };
    const Quad kDarkBlue{200, 10, 10, 0};
    const Case kCases[] = {
        {"BlackInk", "0", Quad{1, 2, 3, 0}, Quad{0, 0, 0, 0}, "SRCAND", 0xC86432, 0x000000},
        {"WhiteInk", "0", Quad{1, 2, 3, 0}, Quad{255, 255, 255, 0}, "SRCPAINT", 0xC86432, 0xFFFFFF},
        {"ColourOneClear", "1", kDarkBlue, Quad{7, 7, 7, 0}, "SRCAND", 0x0A0AC8 & 0xC86432, 0xC86432},
        {"BothClear", "0,1", kDarkBlue, Quad{7, 7, 7, 0}, "SRCCOPY", 0xC86432, 0xC86432},
        {"NeitherClearWithoutTheOption", nullptr, kDarkBlue, Quad{7, 7, 7, 0}, "SRCCOPY", 0x0A0AC8, 0x070707},
    };
    for (const Case& c : kCases) {
        Workspace ws;
        ws.Write("mask.bmp", HalfAndHalf(c.colour0, c.colour1).Bytes());
        std::vector<std::string> args = {"render", ws.Path("mask.bmp"), "-o", ws.Path("out.png"), "--background",
                                         "200,100,50", "--info"};
        if (c.transparent != nullptr) {
            args.insert(args.end(), {"--transparent", c.transparent});
        }
        const RunResult run = ws.Run(args);
        ASSERT_EQ(run.exitCode, 0) << c.name << ": " << run.err;
        EXPECT_NE(run.out.find(std::string("rop=") + c.rop + "\n"), std::string::npos) << c.name << ": " << run.out;
        const Picture out = ReadPngPicture(ws.Path("out.png"));
        ASSERT_EQ(out.width, 8) << c.name;
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(out.At(x, 0), x < 4 ? c.shown1 : c.shown0) << c.name << ": x " << x;
        }
    }
}

// Pillow writes the white of a 1-bit BMP with reserved byte 255; white must
// still show white, not the background through a "transparent" colour.
TEST(ToolRun, ReservedByteOfAFileIsNotTransparency)
{
    Workspace ws;
    ws.Write("pillow.bmp", HalfAndHalf(Quad{0, 0, 0, 0}, Quad{255, 255, 255, 255}).Bytes());
    const RunResult run = ws.Run({"render", ws.Path("pillow.bmp"), "-o", ws.Path("out.png"), "--info"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("rop=SRCCOPY\n"), std::string::npos) << run.out;
    const Picture out = ReadPngPicture(ws.Path("out.png"));
    ASSERT_EQ(out.width, 8);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(out.At(x, 0), x < 4 ? 0xFFFFFFu : 0u) << "x " << x;
    }
}

TEST(ToolRun, TransparentIsRefusedForImagesOfMoreBits)
{
    Workspace ws;
    ws.Write("in.bmp", TrueColourBmp(4, 4, Pattern).Bytes());
    for (const std::vector<std::string>& input : {std::vector<std::string>{ws.Path("in.bmp")},
                                                   std::vector<std::string>{}}) {
        std::vector<std::string> args = {"render", "-o", ws.Path("out.png"), "--transparent", "0"};
        args.insert(args.begin() + 1, input.begin(), input.end());
        const RunResult run = ws.Run(args);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.err.rfind("dibdraw: --transparent needs a 1-bit image (this one has 24 bits per pixel)\n", 0),
                  0u)
            << run.err;
    }
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"in.bmp"});
}

TEST(ToolRun, PaletteRealizationOnA256ColourDisplay)
{
    Workspace ws;
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{"--palette", "1"}, std::vector<std::string>{"--palette", "0"},
          std::vector<std::string>{"--palette", "1", "--realize", "fixed"},
          std::vector<std::string>{"--palette", "2"}}) {
        std::vector<std::string> args = {"render", "-o", ws.Path("out.bmp"), "--display", "8"};
        args.insert(args.end(), extra.begin(), extra.end());
        const RunResult run = ws.Run(args);
        EXPECT_EQ(run.exitCode, 0) << testing::PrintToString(extra) << ": " << run.err;
        EXPECT_EQ(ReadBmpPicture(ws.Path("out.bmp")).bits, 8) << testing::PrintToString(extra);
    }
}

// The 256 entries of a system palette file, parsed as the test reads it:
// "R,G,B" lines after '#' comments.
std::vector<std::array<int, 3>> PaletteLines(const std::string& text)
{
    std::vector<std::array<int, 3>> entries;
    for (const std::string& line : Lines(text)) {
        std::array<int, 3> e{};
        if (!line.empty() && line[0] != '#' && std::sscanf(line.c_str(), "%d,%d,%d", &e[0], &e[1], &e[2]) == 3) {
            entries.push_back(e);
        }
    }
    return entries;
}

TEST(ToolRun, PaletteCommandWritesTheSystemPalette)
{
    Workspace ws;
    const RunResult run = ws.Run({"palette", "--display", "8"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::array<int, 3>> entries = PaletteLines(run.out);
    ASSERT_EQ(entries.size(), 256u) << run.out;
    // A fresh 256-colour display: the static colours at both ends, black between.
    EXPECT_EQ(entries[0], (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(entries[7], (std::array<int, 3>{192, 192, 192}));
    EXPECT_EQ(entries[9], (std::array<int, 3>{166, 202, 240}));
    EXPECT_EQ(entries[128], (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(entries[246], (std::array<int, 3>{255, 251, 240}));
    EXPECT_EQ(entries[255], (std::array<int, 3>{255, 255, 255}));

    const RunResult toFile = ws.Run({"palette", "--display", "8", "-o", ws.Path("palette.txt")});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(Slurp(ws.Path("palette.txt")), run.out);

    EXPECT_EQ(PaletteLines(ws.Run({"palette", "--display", "4"}).out).size(), 16u) << "the 16 VGA colours";
    const RunResult trueColour = ws.Run({"palette", "-o", ws.Path("none.txt")});
    EXPECT_EQ(trueColour.exitCode, 1);
    EXPECT_NE(trueColour.err.find("the display has no system palette"), std::string::npos) << trueColour.err;
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"palette.txt"});
}

// The system palette the palette-file tests give: the static entries as the
// tool lists them, and (i, 7i mod 256, 255 - i) for each entry i between.
std::array<int, 3> GivenEntry(const std::vector<std::array<int, 3>>& statics, int i)
{
    if (i >= 10 && i < 246) {
        return {i, (i * 7) % 256, 255 - i};
    }
    return statics[static_cast<size_t>(i)];
}

// An 8-bit BMP of one row: black, then one pixel of each given middle entry's
// colour.
BmpFile ImageOfGivenEntries(const std::vector<int>& entries)
{
    BmpFile file;
    file.width = static_cast<int32_t>(entries.size()) + 1;
    file.height = 1;
    file.table.assign(256, Quad{0, 0, 0, 0});
    for (size_t k = 0; k < entries.size(); ++k) {
        const int i = entries[k];
        file.table[k + 1] = Quad{static_cast<uint8_t>(255 - i), static_cast<uint8_t>((i * 7) % 256),
                                 static_cast<uint8_t>(i), 0};
        file.pixels.push_back(static_cast<uint8_t>(k + 1));
    }
    file.pixels.insert(file.pixels.begin(), 0);
    file.pixels.resize(tooltest::Stride(file.width, 8), 0);
    return file;
}

// A display that starts with other entries than the static colours and
// black, as a real display does: an image colour present only among them is
// shown exactly when the image's colours are drawn against the display's
// palette, and the BMP's colour table is the given palette.
TEST(ToolRun, SystemPaletteFileIsThePaletteTheDisplayStartsWith)
{
    Workspace ws;
    std::string palette = "# test palette\n";
    std::vector<std::array<int, 3>> expected;
    const RunResult standard = ws.Run({"palette", "--display", "8"});
    const std::vector<std::array<int, 3>> statics = PaletteLines(standard.out);
    ASSERT_EQ(statics.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const std::array<int, 3> e = GivenEntry(statics, i);
        expected.push_back(e);
        palette += std::to_string(e[0]) + "," + std::to_string(e[1]) + "," + std::to_string(e[2]) + "\n";
    }
    ws.Write("palette.txt", std::vector<uint8_t>(palette.begin(), palette.end()));
    ws.Write("in.bmp", ImageOfGivenEntries({100, 200}).Bytes());
    const RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("out.bmp"), "--display", "8",
                                  "--palette", "2", "--dither", "1", "--system-palette", ws.Path("palette.txt")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string bytes = Slurp(ws.Path("out.bmp"));
    dibtool::PackedDib screen;
    ASSERT_EQ(dibtool::DecodeBmp(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                                 screen),
              "");
    for (size_t i = 0; i < 256; ++i) {
        const RGBQUAD& q = screen.colors()[i];
        EXPECT_EQ((std::array<int, 3>{q.rgbRed, q.rgbGreen, q.rgbBlue}), expected[i]) << "system palette entry " << i;
    }
    const Picture picture = ColoursOf(screen);
    EXPECT_EQ(picture.At(1, 0), 0x64BC9Bu) << "entry 100 of the given palette";
    EXPECT_EQ(picture.At(2, 0), 0xC87837u) << "entry 200 of the given palette";

    const RunResult without = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("plain.bmp"), "--display", "8",
                                      "--palette", "2", "--dither", "1"});
    ASSERT_EQ(without.exitCode, 0) << without.err;
    EXPECT_NE(ReadBmpPicture(ws.Path("plain.bmp")).At(1, 0), 0x64BC9Bu) << "the colour is not on a fresh display";
}

TEST(ToolRun, MalformedSystemPaletteFileExitsWithOne)
{
    Workspace ws;
    ws.Write("palette.txt", {'1', ',', '2', '\n', '3', '\n'});
    const RunResult run = ws.Run({"render", "-o", ws.Path("out.bmp"), "--display", "8", "--system-palette",
                                  ws.Path("palette.txt")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: " + ws.Path("palette.txt") + ": line 1: '1,2' is not R,G,B with each 0 to 255\n");
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"palette.txt"});
    const RunResult missing = ws.Run({"render", "-o", ws.Path("out.bmp"), "--display", "8", "--system-palette",
                                      ws.Path("absent.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("absent.txt: cannot open"), std::string::npos) << missing.err;
}

TEST(ToolRun, LibraryRefusalExitsWithThree)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
    };
    const Case kCases[] = {
        {"FourGreyDisplay", {"--display", "2"}},
        {"DitherModeOutOfRange", {"--display", "8", "--dither", "7", "--palette", "2"}},
    };
    for (const Case& c : kCases) {
        Workspace ws;
        std::vector<std::string> args = {"render", "-o", ws.Path("out.png"), "--info"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult run = ws.Run(args);
        EXPECT_EQ(run.exitCode, 3) << c.name << ": " << run.err;
        EXPECT_EQ(run.err,
                  "dibdraw: embedded image: the blit failed with -1032 (unsupported bitmap, display or dither mode)\n")
            << c.name;
        EXPECT_EQ(Lines(run.out).size(), 7u) << c.name << ": " << run.out;
        EXPECT_EQ(run.out.rfind("result=-1032\n", 0), 0u) << c.name << ": " << run.out;
        EXPECT_TRUE(ws.Files().empty()) << c.name << ": " << testing::PrintToString(ws.Files());
    }
}

TEST(ToolRun, BadInputExitsWithOneAndLeavesNoOutput)
{
    struct Case {
        const char* name;
        bool exists;
        std::vector<uint8_t> bytes;
        const char* problem;
    };
    BmpFile truncated = TrueColourBmp(10, 10, Pattern);
    std::vector<uint8_t> cut = truncated.Bytes();
    cut.resize(cut.size() - 40);
    BmpFile jpeg = TrueColourBmp(4, 4, Pattern);
    jpeg.compression = 4;
    const Case kCases[] = {
        {"Missing", false, {}, "cannot open: No such file or directory"},
        {"Empty", true, {}, "the file is empty"},
        {"Text", true, {'h', 'e', 'l', 'l', 'o'}, "not a BMP or PNG file"},
        {"TruncatedBmp", true, cut, "truncated: the file has 334 bytes, too few for the pixel data"},
        {"JpegInBmp", true, jpeg.Bytes(), "a BMP holding JPEG data is not supported"},
        {"BrokenPng", true, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0}, "invalid PNG"},
    };
    for (const Case& c : kCases) {
        Workspace ws;
        if (c.exists) {
            ws.Write("in", c.bytes);
        }
        ws.Write("out.png", {'o', 'l', 'd'});
        const RunResult run = ws.Run({"render", ws.Path("in"), "-o", ws.Path("out.png"), "--info"});
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_EQ(run.err.rfind("dibdraw: " + ws.Path("in") + ": ", 0), 0u) << c.name << ": " << run.err;
        EXPECT_NE(run.err.find(c.problem), std::string::npos) << c.name << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.name;
        const std::vector<std::string> expectedFiles =
            c.exists ? std::vector<std::string>{"in", "out.png"} : std::vector<std::string>{"out.png"};
        EXPECT_EQ(ws.Files(), expectedFiles) << c.name;
        EXPECT_EQ(Slurp(ws.Path("out.png")), "old") << c.name << ": an existing output was changed";
    }
}

TEST(ToolRun, UnwritableOutputExitsWithOne)
{
    Workspace ws;
    const std::string output = ws.Path("no-such-dir/out.png");
    const RunResult run = ws.Run({"render", "-o", output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: " + output + ": cannot create the file: No such file or directory\n");
    EXPECT_TRUE(ws.Files().empty());
}

TEST(ToolRun, OutputReplacesAnExistingFileWithOrdinaryPermissions)
{
    Workspace ws;
    ws.Write("out.png", {'o', 'l', 'd'});
    const RunResult run = ws.Run({"render", "-o", ws.Path("out.png"), "--size", "8x8"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadPngPicture(ws.Path("out.png")).width, 8);
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"out.png"});
    const fs::perms perms = fs::status(ws.Path("out.png")).permissions();
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
}

TEST(ToolRun, OutputThroughASymbolicLinkReplacesItsTarget)
{
    Workspace ws;
    fs::create_directory(ws.Path("sub"));
    ws.Write("sub/real.png", {'o', 'l', 'd'});
    fs::create_symlink("sub/real.png", ws.Path("link.png"));
    fs::create_symlink("link.png", ws.Path("chain.png"));
    fs::create_symlink("sub/new.png", ws.Path("dangling.png"));
    for (const char* output : {"link.png", "chain.png", "dangling.png"}) {
        const RunResult run = ws.Run({"render", "-o", ws.Path(output), "--size", "8x6"});
        ASSERT_EQ(run.exitCode, 0) << output << ": " << run.err;
        EXPECT_TRUE(fs::is_symlink(ws.Path(output))) << output << " was replaced by a file";
    }
    EXPECT_EQ(ReadPngPicture(ws.Path("sub/real.png")).width, 8);
    EXPECT_EQ(ReadPngPicture(ws.Path("sub/new.png")).height, 6);
    EXPECT_EQ(ws.Files(), (std::vector<std::string>{"chain.png", "dangling.png", "link.png", "sub"}));
    std::vector<std::string> inSub;
    for (const auto& entry : fs::directory_iterator(ws.Path("sub"))) {
        inSub.push_back(entry.path().filename().string());
    }
    std::sort(inSub.begin(), inSub.end());
    EXPECT_EQ(inSub, (std::vector<std::string>{"new.png", "real.png"})) << "a temporary file was left behind";

    fs::create_symlink("loop.png", ws.Path("loop.png"));
    const RunResult loop = ws.Run({"render", "-o", ws.Path("loop.png")});
    EXPECT_EQ(loop.exitCode, 1);
    EXPECT_NE(loop.err.find("cannot follow the symbolic link"), std::string::npos) << loop.err;
}

TEST(ToolRun, StandardInputAndOutput)
{
    Workspace ws;
    // The tool's own PNG, read back through standard input as PNG by its
    // content, and the BMP through standard output.
    RunResult run = ws.Run({"render", "-o", ws.Path("card.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = ws.Run({"render", "-", "-o", "-", "--format", "bmp"}, tooltest::Launch::Input("card.png"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ws.Write("from-stdout.bmp", std::vector<uint8_t>(run.out.begin(), run.out.end()));
    ExpectSamePicture(ReadBmpPicture(ws.Path("from-stdout.bmp")), ColoursOf(dibtool::MakeEmbeddedImage()),
                      "stdin to stdout");

    ws.Write("in.bmp", TrueColourBmp(30, 20, Pattern).Bytes());
    run = ws.Run({"render", "-", "-o-", "--format=png"}, tooltest::Launch::Input("in.bmp"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ws.Write("from-stdout.png", std::vector<uint8_t>(run.out.begin(), run.out.end()));
    ExpectSamePicture(ReadPngPicture(ws.Path("from-stdout.png")), PatternPicture(30, 20), "BMP from stdin");

    ws.Write("empty", {});
    run = ws.Run({"render", "-", "-o", ws.Path("out.png")}, tooltest::Launch::Input("empty"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: standard input: the file is empty\n");
    run = ws.Run({"render", "-o", "-", "--format", "png", "--display", "2"});
    EXPECT_EQ(run.exitCode, 3) << "the library's refusal";
    EXPECT_EQ(run.out, "") << "nothing reaches standard output";
    EXPECT_EQ(ws.Files(), (std::vector<std::string>{"card.png", "empty", "from-stdout.bmp", "from-stdout.png",
                                                    "in.bmp"}));
}

TEST(ToolRun, PaletteCommandWritesDashToStandardOutput)
{
    Workspace ws;
    const RunResult run = ws.Run({"palette", "--display", "8", "-o", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ws.Run({"palette", "--display", "8"}).out);
    EXPECT_TRUE(ws.Files().empty());
}

TEST(ToolRun, SizeWithOneSideKeepsTheAspectRatio)
{
    Workspace ws;
    ws.Write("in.bmp", TrueColourBmp(100, 50, [](int x, int) { return x < 50 ? 0xFF0000u : 0x0000FFu; }).Bytes());
    RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o" + ws.Path("wide.png"), "--size", "40x"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Picture out = ReadPngPicture(ws.Path("wide.png"));
    EXPECT_EQ(out.width, 40);
    EXPECT_EQ(out.height, 20);
    run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("part.png"), "--src", "40,0,60,50", "--size", "x25"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    out = ReadPngPicture(ws.Path("part.png"));
    ASSERT_EQ(out.width, 10);
    ASSERT_EQ(out.height, 25);
    EXPECT_EQ(out.At(0, 0), 0xFF0000u);
    EXPECT_EQ(out.At(9, 24), 0x0000FFu);
}

// The bit depth and colour type in a PNG file's header.
std::pair<int, int> PngDepthAndType(const std::string& path)
{
    const std::string bytes = Slurp(path);
    if (bytes.size() < 26) {
        ADD_FAILURE() << path << " is too short for a PNG header";
        return {};
    }
    return {static_cast<uint8_t>(bytes[24]), static_cast<uint8_t>(bytes[25])};
}

// A PNG of a display with a palette holds the display's indices at its
// depth and its colours as palette, showing what --rgb shows.
TEST(ToolRun, PaletteDisplaysWriteIndexedPngs)
{
    struct Case {
        const char* display;
        std::pair<int, int> depthAndType;  // without --rgb
    };
    const Case kCases[] = {{"1", {1, 3}},    {"4", {4, 3}},  {"4p", {4, 3}}, {"8", {8, 3}},
                           {"8rgb", {8, 2}}, {"16", {8, 2}}, {"24", {8, 2}}};
    for (const Case& c : kCases) {
        Workspace ws;
        const std::vector<std::string> common = {"render", "--display", c.display, "--dither", "2", "--size", "120x90"};
        std::vector<std::string> args = common;
        args.insert(args.end(), {"-o", ws.Path("indexed.png")});
        RunResult run = ws.Run(args);
        ASSERT_EQ(run.exitCode, 0) << c.display << ": " << run.err;
        args = common;
        args.insert(args.end(), {"-o", ws.Path("rgb.png"), "--rgb"});
        run = ws.Run(args);
        ASSERT_EQ(run.exitCode, 0) << c.display << ": " << run.err;
        EXPECT_EQ(PngDepthAndType(ws.Path("indexed.png")), c.depthAndType) << c.display;
        EXPECT_EQ(PngDepthAndType(ws.Path("rgb.png")), (std::pair<int, int>{8, 2})) << c.display;
        ExpectSamePicture(ReadPngPicture(ws.Path("indexed.png")), ReadPngPicture(ws.Path("rgb.png")), c.display);
    }
    // The library cannot draw on the four-grey display, but a source outside
    // the picture draws nothing and succeeds: the screen is written at 2 bits.
    Workspace ws;
    const RunResult run = ws.Run({"render", "--display", "2", "--src", "500,0,600,10", "--background", "90,90,90",
                                  "-o", ws.Path("grey.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PngDepthAndType(ws.Path("grey.png")), (std::pair<int, int>{2, 3}));
    EXPECT_EQ(ReadPngPicture(ws.Path("grey.png")).At(0, 0), 0x555555u) << "the nearest of the four greys";
}

// GIMP and JASC-PAL palettes are told apart by their content: here a GIMP
// palette named .pal and a JASC-PAL one named .txt.
TEST(ToolRun, SystemPaletteFromGimpAndJascFiles)
{
    Workspace ws;
    const std::vector<std::array<int, 3>> statics = PaletteLines(ws.Run({"palette", "--display", "8"}).out);
    ASSERT_EQ(statics.size(), 256u);
    std::string gimp = "GIMP Palette\nName: test\nColumns: 16\n#\n";
    std::string jasc = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int i = 0; i < 256; ++i) {
        const std::array<int, 3> e = GivenEntry(statics, i);
        const std::string triple = std::to_string(e[0]) + " " + std::to_string(e[1]) + " " + std::to_string(e[2]);
        gimp += triple + "\tentry " + std::to_string(i) + "\n";
        jasc += triple + "\r\n";
    }
    ws.Write("gimp.pal", std::vector<uint8_t>(gimp.begin(), gimp.end()));
    ws.Write("jasc.txt", std::vector<uint8_t>(jasc.begin(), jasc.end()));
    ws.Write("in.bmp", ImageOfGivenEntries({100}).Bytes());
    for (const char* palette : {"gimp.pal", "jasc.txt"}) {
        const RunResult run = ws.Run({"render", ws.Path("in.bmp"), "-o", ws.Path("out.bmp"), "--display", "8",
                                      "--palette", "2", "--dither", "1", "--system-palette", ws.Path(palette)});
        ASSERT_EQ(run.exitCode, 0) << palette << ": " << run.err;
        EXPECT_EQ(ReadBmpPicture(ws.Path("out.bmp")).At(1, 0), 0x64BC9Bu) << palette << ": entry 100 of the file";
    }

    const std::string broken = "GIMP Palette\n1 2 3\n4 5\n";
    ws.Write("broken.gpl", std::vector<uint8_t>(broken.begin(), broken.end()));
    const RunResult run = ws.Run({"render", "-o", ws.Path("x.png"), "--display", "8", "--system-palette",
                                  ws.Path("broken.gpl")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: " + ws.Path("broken.gpl") +
                           ": line 3: '4 5' is not R G B (and a name) with each 0 to 255\n");
}

// A batch goes on past a bad file, names it, and exits with 1; the good
// files are each written under their own name, and nothing else is said
// when standard error is not a terminal.
TEST(ToolRun, BatchRendersEveryFileAndGoesOnPastABadOne)
{
    Workspace ws;
    fs::create_directory(ws.Path("out"));
    ws.Write("a.bmp", TrueColourBmp(30, 20, Pattern).Bytes());
    ws.Write("bad.png", {'n', 'o', 'p', 'e'});
    ws.Write("c.v2.bmp", TrueColourBmp(12, 8, Pattern).Bytes());
    RunResult run = ws.Run({"render", ws.Path("a.bmp"), ws.Path("bad.png"), ws.Path("c.v2.bmp"), "--out-dir",
                            ws.Path("out"), "--info"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: " + ws.Path("bad.png") + ": not a BMP or PNG file\ndibdraw: 1 of 3 files failed\n");
    const std::vector<std::string> out = Lines(run.out);
    ASSERT_EQ(out.size(), 17u) << run.out;
    EXPECT_EQ(out[0], "input=" + ws.Path("a.bmp"));
    EXPECT_EQ(out[1], "result=0");
    EXPECT_EQ(out[8], "input=" + ws.Path("bad.png"));
    EXPECT_EQ(out[9], "input=" + ws.Path("c.v2.bmp"));
    ExpectSamePicture(ReadPngPicture(ws.Path("out/a.png")), PatternPicture(30, 20), "a.png");
    ExpectSamePicture(ReadPngPicture(ws.Path("out/c.v2.png")), PatternPicture(12, 8), "c.v2.png");
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(ws.Path("out"))) {
        written.push_back(entry.path().filename().string());
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"a.png", "c.v2.png"}));

    // The same options for every file; --format bmp names the files .bmp.
    run = ws.Run({"render", ws.Path("a.bmp"), ws.Path("c.v2.bmp"), "--out-dir", ws.Path("out"), "--format", "bmp",
                  "--display", "4", "--size", "10x10"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");
    for (const char* name : {"out/a.bmp", "out/c.v2.bmp"}) {
        const Picture picture = ReadBmpPicture(ws.Path(name));
        EXPECT_EQ(picture.bits, 4) << name;
        EXPECT_EQ(picture.width, 10) << name;
    }

    // A missing directory is reported once, before any file is read.
    run = ws.Run({"render", ws.Path("a.bmp"), ws.Path("c.v2.bmp"), "--out-dir", ws.Path("absent")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: " + ws.Path("absent") + ": no such directory\n");
    run = ws.Run({"render", ws.Path("a.bmp"), "--out-dir", ws.Path("a.bmp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: " + ws.Path("a.bmp") + ": not a directory\n");
    // A problem of one file with the options names the file instead of
    // showing the usage.
    run = ws.Run({"render", ws.Path("a.bmp"), "--out-dir", ws.Path("out"), "--transparent", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dibdraw: " + ws.Path("a.bmp") +
                           ": --transparent needs a 1-bit image (this one has 24 bits per pixel)\n"
                           "dibdraw: 1 of 1 files failed\n");
}

// Runs the tool with standard error on a pseudo-terminal; returns what the
// terminal showed.
std::string RunOnTerminal(const Workspace& ws, const std::vector<std::string>& args, int& exitCode)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return {};
    }
    // Held open here too, so that what the tool wrote stays readable after
    // it exits; the few lines fit in the terminal's buffer.
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    exitCode = ws.Run(args, tooltest::Launch::Error(slave)).exitCode;
    close(slave);
    // With the terminal's last user gone, reading ends in an error after
    // the buffered output.
    std::string shown;
    char buffer[4096];
    for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0;) {
        shown.append(buffer, static_cast<size_t>(got));
    }
    close(master);
    return shown;
}

TEST(ToolRun, BatchShowsProgressOnATerminal)
{
    Workspace ws;
    fs::create_directory(ws.Path("out"));
    ws.Write("a.bmp", TrueColourBmp(6, 4, Pattern).Bytes());
    ws.Write("b.bmp", TrueColourBmp(4, 6, Pattern).Bytes());
    int exitCode = -1;
    const std::string shown =
        RunOnTerminal(ws, {"render", ws.Path("a.bmp"), ws.Path("b.bmp"), "--out-dir", ws.Path("out")}, exitCode);
    EXPECT_EQ(exitCode, 0) << shown;
    // The terminal turns line ends into CR LF.
    EXPECT_EQ(shown, "dibdraw: [1/2] " + ws.Path("a.bmp") + " -> " + ws.Path("out/a.png") + "\r\n" +
                         "dibdraw: [2/2] " + ws.Path("b.bmp") + " -> " + ws.Path("out/b.png") + "\r\n");
    EXPECT_EQ(ReadPngPicture(ws.Path("out/b.png")).height, 6);
}

// The sheet: a row per display kind, a column per dither mode, each panel
// what render shows for that display and dither mode, labelled above it.
TEST(ToolRun, SheetShowsEveryDisplayAndDitherMode)
{
    Workspace ws;
    constexpr int kPanelWidth = 48;
    constexpr int kPanelHeight = 36;
    constexpr int kMargin = 8;
    constexpr int kGap = 8;
    constexpr int kLabel = 10;
    const RunResult run = ws.Run({"sheet", "-o", ws.Path("sheet.png"), "--size", "48x36"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const Picture sheet = ReadPngPicture(ws.Path("sheet.png"));
    ASSERT_EQ(sheet.width, 2 * kMargin + 4 * kPanelWidth + 3 * kGap);
    ASSERT_EQ(sheet.height, 2 * kMargin + 5 * (kLabel + kPanelHeight) + 4 * kGap);
    const char* kDisplays[] = {"1", "4", "8", "16", "24"};
    for (int row = 0; row < 5; ++row) {
        for (int dither = 0; dither < 4; ++dither) {
            const std::string context = "display " + std::string(kDisplays[row]) + ", dither " + std::to_string(dither);
            const RunResult panelRun = ws.Run({"render", "-o", ws.Path("panel.png"), "--rgb", "--size", "48x36",
                                               "--display", kDisplays[row], "--dither", std::to_string(dither)});
            ASSERT_EQ(panelRun.exitCode, 0) << context << ": " << panelRun.err;
            const Picture panel = ReadPngPicture(ws.Path("panel.png"));
            const int left = kMargin + dither * (kPanelWidth + kGap);
            const int top = kMargin + kLabel + row * (kLabel + kPanelHeight + kGap);
            for (int y = 0; y < kPanelHeight; ++y) {
                for (int x = 0; x < kPanelWidth; ++x) {
                    ASSERT_EQ(sheet.At(left + x, top + y), panel.At(x, y)) << context << ": (" << x << ", " << y << ")";
                }
            }
            int ink = 0;
            for (int y = top - kLabel; y < top; ++y) {
                for (int x = left; x < left + kPanelWidth; ++x) {
                    const uint32_t c = sheet.At(x, y);
                    ASSERT_TRUE(c == 0xFFFFFFu || c == 0u) << context << ": label pixel (" << x << ", " << y << ")";
                    ink += c == 0u ? 1 : 0;
                }
            }
            EXPECT_GT(ink, 20) << context << ": no label";
        }
    }
}

TEST(ToolRun, SheetOfAnInputFile)
{
    Workspace ws;
    ws.Write("in.bmp", TrueColourBmp(20, 10, Pattern).Bytes());
    RunResult run = ws.Run({"sheet", ws.Path("in.bmp"), "-o", "-", "--format", "png"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ws.Write("sheet.png", std::vector<uint8_t>(run.out.begin(), run.out.end()));
    const Picture sheet = ReadPngPicture(ws.Path("sheet.png"));
    ASSERT_EQ(sheet.width, 16 + 4 * 20 + 24);
    // The last row is the true-colour display: the picture as it is.
    const int top = 8 + 10 + 4 * (10 + 10 + 8);
    for (int dither = 0; dither < 4; ++dither) {
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 20; ++x) {
                ASSERT_EQ(sheet.At(8 + dither * 28 + x, top + y), Pattern(x, y)) << "dither " << dither;
            }
        }
    }
    run = ws.Run({"sheet", ws.Path("absent.bmp"), "-o", ws.Path("x.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("absent.bmp: cannot open"), std::string::npos) << run.err;
    run = ws.Run({"sheet", "-o", ws.Path("x.png"), "--size", "4000x4000"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is too large"), std::string::npos) << run.err;
    EXPECT_EQ(ws.Files(), (std::vector<std::string>{"in.bmp", "sheet.png"}));
}

}  // namespace
