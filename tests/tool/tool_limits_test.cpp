// The dibdraw executable at its limits: images too large for the memory it
// may use, and runs ended by a signal while the output is being written.
// Either way it leaves no file behind and an existing output untouched.
#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <filesystem>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "tool/bmp_builder.h"
#include "tool/png_builder.h"
#include "tool/stored_png.h"
#include "tool/tool_workspace.h"
#include "tools/image_file.h"
#include "tools/packed_dib.h"

namespace {

using tooltest::BmpFile;
using tooltest::Launch;
using tooltest::RunResult;
using tooltest::Slurp;
using tooltest::Workspace;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr rlim_t kMiB = rlim_t{1} << 20;

// A run-length encoded file of any declared size whose data ends the image at
// once: a few bytes that decode to width x height pixels of index 0.
std::vector<uint8_t> EmptyRunLengthBmp(int width, int height, int bits)
{
    BmpFile file;
    file.width = width;
    file.height = height;
    file.bits = static_cast<uint32_t>(bits);
    file.compression = bits == 8 ? 1 : 2;
    file.table.assign(size_t{1} << bits, tooltest::Quad{40, 80, 120, 0});
    file.pixels = {0, 1};  // end of bitmap
    return file.Bytes();
}

// A grey PNG whose header declares width x height pixels while its data
// holds one: the decoder sets aside room for the declared size first.
std::vector<uint8_t> OversizedGreyPng(uint32_t width, uint32_t height)
{
    tooltest::PngPicture picture;
    picture.width = 1;
    picture.height = 1;
    picture.colorType = PNG_COLOR_TYPE_GRAY;
    picture.samples = {{128}};
    std::vector<uint8_t> bytes = tooltest::EncodePng(picture);
    // The IHDR chunk follows the signature: length, type, width, height, ...
    constexpr size_t kTypeAt = 12;
    constexpr size_t kDataBytes = 13;
    for (int i = 0; i < 4; ++i) {
        bytes[kTypeAt + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(width >> (24 - 8 * i));
        bytes[kTypeAt + 8 + static_cast<size_t>(i)] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    const uint32_t crc = tooltest::Crc32(std::span<const uint8_t>(bytes.data() + kTypeAt, 4 + kDataBytes));
    for (int i = 0; i < 4; ++i) {
        bytes[kTypeAt + 4 + kDataBytes + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    }
    return bytes;
}

std::vector<uint8_t> SmallBmp()
{
    BmpFile file;
    file.width = 4;
    file.height = 4;
    file.bits = 24;
    file.pixels.assign(tooltest::Stride(4, 24) * 4, 0x80);
    return file.Bytes();
}

TEST(ToolLimits, HelpStatesTheSizeLimits)
{
    Workspace ws;
    const RunResult run = ws.Run({"--help"});
    ASSERT_EQ(run.exitCode, 0);
    for (const std::string& text : std::vector<std::string>{std::to_string(dibtool::kMaxImageSide) + " pixels on a side", std::to_string(dibtool::kMaxImagePixels),
          std::to_string(dibtool::kMaxInputBytes) + " bytes", "not enough memory for a WxH image"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << "the help does not mention " << text;
    }
}

struct MemoryCase {
    const char* name;
    std::vector<uint8_t> input;  // none: a file of kLargeInputBytes zeros
    std::vector<std::string> options;
    rlim_t addressSpace;
    std::string problem;
};

constexpr off_t kLargeInputBytes = 200 << 20;

// The image fits the tool's size limits but not the memory the process may
// use: the decoded input, or the screen and its output, which have the
// screen's size.
TEST(ToolLimits, RunningOutOfMemoryIsReportedAndLeavesNothing)
{
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit the test could set";
    }
    const MemoryCase kCases[] = {
        {"RunLengthInputLargerThanTheScreenMemory", EmptyRunLengthBmp(32768, 2048, 4), {}, 300000 * rlim_t{1024},
         "not enough memory for a 32768\u00D72048 image"},
        {"DecodedBmpLargerThanMemory", EmptyRunLengthBmp(32768, 2048, 8), {}, 48 * kMiB,
         "not enough memory for a 32768\u00D72048 image"},
        {"DecodedPngLargerThanMemory", OversizedGreyPng(8192, 8192), {}, 48 * kMiB,
         "not enough memory for a 8192\u00D78192 image"},
        {"ScreenLargerThanMemory", SmallBmp(), {"--screen", "8192x8192"}, 100 * kMiB,
         "not enough memory for a 8192\u00D78192 image"},
        {"FileLargerThanMemory", {}, {}, 48 * kMiB, "not enough memory to read the file"},
    };
    for (const MemoryCase& c : kCases) {
        Workspace ws;
        ws.Write("in", c.input);
        if (c.input.empty()) {
            std::filesystem::resize_file(ws.Path("in"), kLargeInputBytes);
        }
        ws.Write("out.png", {'o', 'l', 'd'});
        std::vector<std::string> args = {"render", ws.Path("in"), "-o", ws.Path("out.png")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult run = ws.Run(args, Launch::AddressSpace(c.addressSpace));
        EXPECT_EQ(run.exitCode, 1) << c.name << ": " << run.err;
        EXPECT_EQ(run.err, "dibdraw: " + ws.Path("in") + ": " + c.problem + "\n") << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(ws.Files(), (std::vector<std::string>{"in", "out.png"})) << c.name;
        EXPECT_EQ(Slurp(ws.Path("out.png")), "old") << c.name << ": an existing output was changed";
    }
}

// The same inputs render when memory allows, so the limits above are what
// made the runs fail.
TEST(ToolLimits, TheOversizedInputsAreValid)
{
    Workspace ws;
    ws.Write("in", EmptyRunLengthBmp(32768, 2048, 8));
    const RunResult run = ws.Run({"render", ws.Path("in"), "-o", ws.Path("out.bmp"), "--size", "64x4"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ws.Files(), (std::vector<std::string>{"in", "out.bmp"}));
}

class EndingSignal : public testing::TestWithParam<int> {};

// A signal that arrives while the output is being written removes the
// temporary file, leaves an existing output as it was and still ends the
// tool as that signal does.
TEST_P(EndingSignal, RemovesTheTemporaryOutput)
{
    const int signal = GetParam();
    Workspace ws;
    ws.Write("in", EmptyRunLengthBmp(4096, 4096, 8));
    ws.Write("out.png", {'o', 'l', 'd'});
    const pid_t pid = ws.Start({"render", ws.Path("in"), "-o", ws.Path("out.png")});
    ASSERT_GT(pid, 0);
    bool temporarySeen = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!temporarySeen && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : ws.Files()) {
            temporarySeen = temporarySeen || name.rfind("out.png.tmp", 0) == 0;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    kill(pid, signal);
    const RunResult run = ws.Wait(pid);
    ASSERT_TRUE(temporarySeen) << "the tool never wrote a temporary file: " << run.err;
    EXPECT_EQ(run.exitCode, 128 + signal) << run.err;
    EXPECT_EQ(ws.Files(), (std::vector<std::string>{"in", "out.png"}));
    EXPECT_EQ(Slurp(ws.Path("out.png")), "old");
}

INSTANTIATE_TEST_SUITE_P(ToolLimits, EndingSignal, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });

}  // namespace
