// The C interface of libdibdraw32.so and the virtual display's, through the
// exported functions alone: blits equal to the class's, the blit report
// against what the display received, and every bad argument and failed
// allocation refused cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dibdraw32/Diagnostics.h"
#include "dibdraw32/dibdraw32.h"
#include "support/dib.h"
#include "support/test_support.h"
#include "vdisplay/vdisplay_c.h"

using namespace testsupport;

namespace {

std::vector<uint8_t> ScreenBytes()
{
    std::vector<uint8_t> dib(VdReadScreen(nullptr, 0));
    VdReadScreen(dib.data(), dib.size());
    return dib;
}

DibdrawBlitInfo LastBlit(const DibdrawBlitter* blitter)
{
    DibdrawBlitInfo info = {};
    info.size = sizeof info;
    EXPECT_EQ(DibdrawLastBlit(blitter, &info), DIBDRAW_OK);
    return info;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A blitter made through the C interface, destroyed at the end of the scope.
struct Handle {
    explicit Handle(int dither, int paletteMode) : blitter(DibdrawCreate(dither, paletteMode, &result)) {}
    ~Handle() { DibdrawDestroy(blitter); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    short result = 1;
    DibdrawBlitter* blitter;
};

// Random blits on every kind of display, each drawn once through the class
// and once through the C interface onto a fresh screen: the same pixels, the
// same source clipping, and a report that names the class's converter and
// counts exactly the bands the display received. Some destinations reach
// past the window, so that rows and columns are skipped.
TEST(CInterface, BlitsAsTheClassDoesAndReportsWhatItSent)
{
    int caseIndex = 0;
    for (const DisplaySetup& display : kWholeBlitDisplays) {
        for (int bits : {1, 4, 8, 24}) {
            for (int dither = 0; dither < 4; ++dither, ++caseIndex) {
                const uint64_t seed = 7000 + caseIndex;
                Random random(seed);
                Dib dib = RandomImage(random, bits);
                if (bits == 1 && random.Between(0, 3) == 0) {
                    dib.colors()[random.Between(0, 1)].rgbReserved = 255;
                }
                const int paletteMode = random.Between(0, 2);
                const int srcLeft = random.Between(-2, dib.width() - 1), srcTop = random.Between(-2, dib.height() - 1);
                const RECT src = {srcLeft, srcTop, random.Between(srcLeft + 1, dib.width() + 2),
                                  random.Between(srcTop + 1, dib.height() + 2)};
                const int left = random.Between(-20, 30), top = random.Between(-300, 20);
                const int height = random.Between(0, 3) == 0 ? random.Between(1, 40) : random.Between(300, 1000);
                const RECT dst = {left, top, left + random.Between(1, 60), top + height};
                const std::string where = std::string(KindName(display.kind)) + ", " + std::to_string(bits) +
                                          " bits, dither " + std::to_string(dither) + ", palette mode " +
                                          std::to_string(paletteMode) + ", seed " + std::to_string(seed);

                ConfigureDisplay(display.kind, 60, 600, display.swapped);
                RECT classSrc = src, classDst = dst;
                VyrBlitter object(dither, paletteMode);
                const short classResult = object.VyrBlit(ScreenDc(), dib.header(), dib.size(), &classSrc, &classDst);
                const std::vector<uint8_t> classScreen = ScreenBytes();

                ConfigureDisplay(display.kind, 60, 600, display.swapped);
                vd::ClearStretchCalls();
                const ResourceCounts before = ResourceCounts::Now();
                {
                    Handle handle(dither, paletteMode);
                    ASSERT_EQ(handle.result, DIBDRAW_OK) << where;
                    RECT cSrc = src, cDst = dst;
                    const HDC dc = VdGetScreenDC();
                    const short result = DibdrawBlitDC(handle.blitter, dc, dib.header(), dib.size(), &cSrc, &cDst);
                    VdReleaseScreenDC(dc);
                    EXPECT_EQ(result, classResult) << where;
                    EXPECT_TRUE(ScreenBytes() == classScreen) << where;
                    EXPECT_TRUE(SameRect(cSrc, classSrc)) << where;

                    const DibdrawBlitInfo info = LastBlit(handle.blitter);
                    EXPECT_EQ(info.result, result) << where;
                    EXPECT_EQ(info.displayDepth, object.m_displayDepth) << where;
                    EXPECT_STREQ(info.converter, ConverterName(object.m_convert)) << where;
                    EXPECT_TRUE(SameRect(info.source, classSrc)) << where;
                    EXPECT_EQ(info.bands, vd::StretchCalls().size()) << where;
                    EXPECT_EQ(info.rop, object.m_rop) << where;
                    EXPECT_EQ(info.paletteMode, object.m_paletteMode) << where;
                }
                ExpectSameResources(before, ResourceCounts::Now(), where);
            }
        }
    }
}

TEST(CInterface, NullRectanglesMeanTheWholeImageAtTheOrigin)
{
    Random random(31);
    Dib dib(5, 3, 24);
    dib.Randomize(random);
    ConfigureDisplay(vd::Kind::Rgb32, 16, 16);
    VdFillScreen(RGB(1, 2, 3));
    Handle handle(1, 0);
    EXPECT_EQ(DibdrawBlitWindow(handle.blitter, nullptr, dib.header(), dib.size(), nullptr, nullptr), DIBDRAW_OK);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const uint32_t expected = x < 5 && y < 3 ? dib.Color(x, y) : 0x010203;
            ASSERT_EQ(ToRgb(VdScreenColor(x, y)), expected) << "at " << x << "," << y;
        }
    }
    EXPECT_TRUE(SameRect(LastBlit(handle.blitter).source, RECT{0, 0, 5, 3}));

    // A source clipped to the image sets the size drawn.
    RECT src = {3, 1, 9, 9};
    ConfigureDisplay(vd::Kind::Rgb32, 16, 16);
    vd::ClearStretchCalls();
    EXPECT_EQ(DibdrawBlitWindow(handle.blitter, nullptr, dib.header(), dib.size(), &src, nullptr), DIBDRAW_OK);
    EXPECT_TRUE(SameRect(src, RECT{3, 1, 5, 3}));
    ASSERT_EQ(vd::StretchCalls().size(), 1u);
    EXPECT_EQ(vd::StretchCalls()[0].width, 2);
    EXPECT_EQ(vd::StretchCalls()[0].height, 2);
    EXPECT_EQ(ToRgb(VdScreenColor(0, 0)), dib.Color(3, 1));
}

TEST(CInterface, ReportBeforeAnyBlitSaysNothingWasSent)
{
    ConfigureDisplay(vd::Kind::Palette8);
    Handle handle(2, 1);
    const DibdrawBlitInfo info = LastBlit(handle.blitter);
    EXPECT_EQ(info.result, DIBDRAW_OK);
    EXPECT_EQ(info.displayDepth, 8);
    EXPECT_STREQ(info.converter, "none");
    EXPECT_EQ(info.bands, 0u);
    EXPECT_EQ(info.paletteMode, 1);
}

// Every refused call: its code, nothing drawn, nothing leaked.
TEST(CInterface, BadArgumentsAreRefusedAndDrawNothing)
{
    ConfigureDisplay(vd::Kind::Palette8, 32, 32);
    Random random(5);
    Dib dib(8, 8, 8);
    dib.Randomize(random);
    Handle handle(0, 1);
    ASSERT_NE(handle.blitter, nullptr);
    DibdrawBlitter* const blitter = handle.blitter;
    const BITMAPINFOHEADER* const header = dib.header();
    const size_t bytes = dib.size();
    const HDC dc = VdGetScreenDC();
    RGBQUAD colors[2] = {};
    RECT src = {0, 0, 8, 8}, dst = {0, 0, 8, 8};
    DibdrawBlitInfo smallInfo = {};
    smallInfo.size = sizeof smallInfo - 1;
    Dib twoPlanes(8, 8, 8);
    twoPlanes.header()->biPlanes = 2;

    struct Case {
        const char* name;
        std::function<short()> call;
    };
    const Case cases[] = {
        {"ReInit without a blitter", [] { return DibdrawReInit(nullptr, 0, 0); }},
        {"BlitDC without a blitter", [&] { return DibdrawBlitDC(nullptr, dc, header, bytes, &src, &dst); }},
        {"BlitWindow without a blitter",
         [&] { return DibdrawBlitWindow(nullptr, nullptr, header, bytes, &src, &dst); }},
        {"BlitDC without a DC", [&] { return DibdrawBlitDC(blitter, nullptr, header, bytes, &src, &dst); }},
        {"BlitDC without a DIB", [&] { return DibdrawBlitDC(blitter, dc, nullptr, bytes, &src, &dst); }},
        {"BlitDC with a length shorter than the header",
         [&] { return DibdrawBlitDC(blitter, dc, header, 39, &src, &dst); }},
        {"BlitDC with a length one byte short of the rows",
         [&] { return DibdrawBlitDC(blitter, dc, header, bytes - 1, &src, &dst); }},
        {"BlitDC of two planes",
         [&] { return DibdrawBlitDC(blitter, dc, twoPlanes.header(), twoPlanes.size(), &src, &dst); }},
        {"RealizeFixedPalette without a blitter", [] { return DibdrawRealizeFixedPalette(nullptr, nullptr); }},
        {"RealizeDibPalette without a DIB", [&] { return DibdrawRealizeDibPalette(blitter, nullptr, nullptr, bytes); }},
        {"RealizeDibPalette with a length short of the colour table",
         [&] { return DibdrawRealizeDibPalette(blitter, nullptr, header, 40 + 4 * 255); }},
        {"RealizeColors with a negative count", [&] { return DibdrawRealizeColors(blitter, nullptr, colors, -1); }},
        {"RealizeColors without colours", [&] { return DibdrawRealizeColors(blitter, nullptr, nullptr, 2); }},
        {"LastBlit without a report", [&] { return DibdrawLastBlit(blitter, nullptr); }},
        {"LastBlit into a report too small", [&] { return DibdrawLastBlit(blitter, &smallInfo); }},
        {"LastBlit without a blitter", [&] { return DibdrawLastBlit(nullptr, &smallInfo); }},
    };
    for (const Case& c : cases) {
        VdFillScreen(RGB(9, 9, 9));
        const std::vector<uint8_t> screen = ScreenBytes();
        const std::vector<PALETTEENTRY> palette = vd::SystemPalette();
        vd::ClearStretchCalls();
        src = RECT{0, 0, 8, 8};
        const ResourceCounts before = ResourceCounts::Now();
        EXPECT_EQ(c.call(), DIBDRAW_UNSUPPORTED) << c.name;
        EXPECT_TRUE(vd::StretchCalls().empty()) << c.name;
        EXPECT_TRUE(ScreenBytes() == screen) << c.name;
        EXPECT_EQ(std::memcmp(vd::SystemPalette().data(), palette.data(), palette.size() * sizeof(PALETTEENTRY)), 0)
            << c.name;
        EXPECT_TRUE(SameRect(src, RECT{0, 0, 8, 8})) << c.name << ": the source was changed";
        ExpectSameResources(before, ResourceCounts::Now(), c.name);
    }
    VdReleaseScreenDC(dc);

    const ResourceCounts before = ResourceCounts::Now();
    DibdrawDestroy(nullptr);
    DibdrawBlitter* withoutResult = DibdrawCreate(0, 0, nullptr);
    EXPECT_NE(withoutResult, nullptr);
    DibdrawDestroy(withoutResult);
    ExpectSameResources(before, ResourceCounts::Now(), "DibdrawDestroy(NULL), DibdrawCreate without a result");
}

TEST(CInterface, FailedAllocationsReportNoMemoryAndLeakNothing)
{
    ConfigureDisplay(vd::Kind::Palette8, 40, 40);
    const ResourceCounts start = ResourceCounts::Now();
    // The handle's block, then on a 256-colour display its palette.
    for (uint32_t n : {1u, 2u}) {
        short result = 0;
        KemFailNthAllocation(n);
        EXPECT_EQ(DibdrawCreate(2, 0, &result), nullptr) << "allocation " << n;
        KemStopFailing();
        EXPECT_EQ(result, DIBDRAW_NO_MEMORY) << "allocation " << n;
        ExpectSameResources(start, ResourceCounts::Now(), "create, allocation " + std::to_string(n));
    }

    Random random(77);
    Dib dib(12, 9, 24);
    dib.Randomize(random);
    Handle handle(2, 0);
    ASSERT_NE(handle.blitter, nullptr);
    RECT src = {0, 0, 12, 9}, dst = {0, 0, 30, 20};
    ASSERT_EQ(DibdrawBlitWindow(handle.blitter, nullptr, dib.header(), dib.size(), &src, &dst), DIBDRAW_OK);
    // A blit frees the object's error row and allocates it anew, so a blit
    // that failed may leave the object without it until the next.
    const ResourceCounts drawn = ResourceCounts::Now();
    int failures = 0;
    for (uint32_t n = 1;; ++n) {
        VdFillScreen(RGB(0, 0, 0));
        const std::vector<uint8_t> screen = ScreenBytes();
        vd::ClearStretchCalls();
        const ResourceCounts before = ResourceCounts::Now();
        src = RECT{0, 0, 12, 9};
        KemFailNthAllocation(n);
        const short result = DibdrawBlitWindow(handle.blitter, nullptr, dib.header(), dib.size(), &src, &dst);
        KemStopFailing();
        const std::string where = "blit, allocation " + std::to_string(n);
        if (result == DIBDRAW_OK) {
            ExpectSameResources(drawn, ResourceCounts::Now(), where);
            break;
        }
        ++failures;
        EXPECT_EQ(result, DIBDRAW_NO_MEMORY) << where;
        EXPECT_EQ(LastBlit(handle.blitter).result, DIBDRAW_NO_MEMORY) << where;
        EXPECT_TRUE(vd::StretchCalls().empty()) << where;
        EXPECT_TRUE(ScreenBytes() == screen) << where;
        const ResourceCounts after = ResourceCounts::Now();
        EXPECT_LE(after.heapBlocks, drawn.heapBlocks) << where;
        EXPECT_GE(after.heapBlocks + 1, drawn.heapBlocks) << where;
        ExpectSameResources(before, ResourceCounts{before.heapBlocks, after.gdi}, where);
    }
    EXPECT_GE(failures, 4);

    for (uint32_t n = 1; n <= 3; ++n) {
        const ResourceCounts before = ResourceCounts::Now();
        KemFailNthAllocation(n);
        EXPECT_EQ(DibdrawRealizeFixedPalette(handle.blitter, nullptr), DIBDRAW_NO_MEMORY) << "realize " << n;
        KemStopFailing();
        ExpectSameResources(before, ResourceCounts::Now(), "realize, allocation " + std::to_string(n));
    }
}

TEST(CInterface, ReInitFollowsTheDisplayAndReportsAFailedPalette)
{
    ConfigureDisplay(vd::Kind::Rgb32);
    Handle handle(1, 0);
    EXPECT_EQ(LastBlit(handle.blitter).displayDepth, 24);
    ConfigureDisplay(vd::Kind::Palette8);
    EXPECT_EQ(DibdrawReInit(handle.blitter, 1, 2), DIBDRAW_OK);
    EXPECT_EQ(LastBlit(handle.blitter).displayDepth, 8);
    EXPECT_EQ(LastBlit(handle.blitter).paletteMode, 2);
    KemFailNthAllocation(1);
    EXPECT_EQ(DibdrawReInit(handle.blitter, 1, 0), DIBDRAW_NO_MEMORY);
    KemStopFailing();

    // Without its palette the blitter cannot draw here until it is
    // re-initialised.
    Random random(3);
    Dib dib(4, 4, 24);
    dib.Randomize(random);
    vd::ClearStretchCalls();
    EXPECT_EQ(DibdrawBlitWindow(handle.blitter, nullptr, dib.header(), dib.size(), nullptr, nullptr),
              DIBDRAW_NO_MEMORY);
    EXPECT_TRUE(vd::StretchCalls().empty());
    EXPECT_EQ(DibdrawReInit(handle.blitter, 1, 0), DIBDRAW_OK);
    EXPECT_EQ(DibdrawBlitWindow(handle.blitter, nullptr, dib.header(), dib.size(), nullptr, nullptr), DIBDRAW_OK);
    EXPECT_EQ(vd::StretchCalls().size(), 1u);
}

TEST(CInterface, ResultTextsAndVersion)
{
    EXPECT_STREQ(DibdrawResultText(DIBDRAW_OK), "success");
    EXPECT_STREQ(DibdrawResultText(DIBDRAW_NO_MEMORY), "out of memory");
    EXPECT_STREQ(DibdrawResultText(DIBDRAW_UNSUPPORTED), "unsupported bitmap, display or dither mode");
    EXPECT_STREQ(DibdrawResultText(5), "unknown result");
    int major = -1, minor = -1, patch = -1;
    DibdrawVersion(&major, &minor, &patch);
    EXPECT_EQ(std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch), DIBDRAW_VERSION);
    DibdrawVersion(nullptr, nullptr, nullptr);
}

// The colours and indices read back at once are those the screen shows and
// holds, pixel by pixel, on every kind.
TEST(VirtualDisplayC, ReadsTheWholeScreenAsColoursAndIndices)
{
    for (int kind = VD_MONO; kind <= VD_GREY2; ++kind) {
        ASSERT_EQ(VdConfigure(kind, 13, 7, 0), VD_OK);
        Random random(static_cast<uint64_t>(kind));
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                vd::SetDevicePixel(x, y, static_cast<uint32_t>(random.Next()));
            }
        }
        std::vector<uint8_t> colours(VdReadScreenColors(nullptr, 0), 0xAB);
        ASSERT_EQ(colours.size(), 4u * 13 * 7);
        EXPECT_EQ(VdReadScreenColors(colours.data(), colours.size() - 1), colours.size());
        EXPECT_TRUE(std::all_of(colours.begin(), colours.end(), [](uint8_t b) { return b == 0xAB; }));
        VdReadScreenColors(colours.data(), colours.size());
        const bool palette = vd::SystemPalette().size() > 0;
        std::vector<uint8_t> indices(VdReadScreenIndices(nullptr, 0));
        EXPECT_EQ(indices.size(), palette ? 13u * 7 : 0u) << "kind " << kind;
        VdReadScreenIndices(indices.data(), indices.size());
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                const size_t at = static_cast<size_t>(y) * 13 + static_cast<size_t>(x);
                const uint32_t shown = ToRgb(vd::ScreenColor(x, y));
                ASSERT_EQ(uint32_t{colours[4 * at]} << 16 | uint32_t{colours[4 * at + 1]} << 8 | colours[4 * at + 2],
                          shown) << "kind " << kind << " at " << x << "," << y;
                ASSERT_EQ(colours[4 * at + 3], 255);
                if (palette) {
                    ASSERT_EQ(indices[at], vd::DevicePixel(x, y)) << "kind " << kind << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(VirtualDisplayC, RefusesBadArgumentsAndChangesNothing)
{
    ConfigureDisplay(vd::Kind::Palette8, 20, 10);
    const std::vector<PALETTEENTRY> palette = vd::SystemPalette();
    const PALETTEENTRY entry = {1, 2, 3, 0};
    for (const auto& [kind, width, height] : {std::tuple{-1, 8, 8}, {VD_GREY2 + 1, 8, 8}, {VD_RGB32, 0, 8},
                                              {VD_RGB32, 8, VD_MAX_SCREEN_SIDE + 1}}) {
        EXPECT_EQ(VdConfigure(kind, width, height, 0), VD_BAD_ARGUMENT) << kind << " " << width << "x" << height;
    }
    EXPECT_EQ(VdSetSystemPalette(-1, 1, &entry), VD_BAD_ARGUMENT);
    EXPECT_EQ(VdSetSystemPalette(255, 2, &entry), VD_BAD_ARGUMENT);
    EXPECT_EQ(VdSetSystemPalette(0, 1, nullptr), VD_BAD_ARGUMENT);
    EXPECT_EQ(VdGetSystemPalette(nullptr, 4), VD_BAD_ARGUMENT);
    EXPECT_EQ(vd::CurrentConfig().kind, vd::Kind::Palette8);
    EXPECT_EQ(vd::CurrentConfig().width, 20);
    EXPECT_EQ(std::memcmp(vd::SystemPalette().data(), palette.data(), palette.size() * sizeof(PALETTEENTRY)), 0);

    EXPECT_EQ(VdCreateWindow(5, 5, 4, 9), nullptr);
    std::vector<uint8_t> small(10, 0xAB);
    EXPECT_EQ(VdReadScreen(small.data(), small.size()), vd::ScreenDib().size());
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](uint8_t b) { return b == 0xAB; }));

    ConfigureDisplay(vd::Kind::Rgb24);
    EXPECT_EQ(VdSetSystemPalette(0, 1, &entry), VD_BAD_ARGUMENT) << "a display without a palette";
}

TEST(VirtualDisplayC, SetsUpAndReadsBackTheScreen)
{
    struct Kind {
        int kind;
        int paletteSize;
        int dibBits;
    };
    for (const Kind& k : {Kind{VD_MONO, 2, 1}, {VD_PACKED4, 16, 4}, {VD_GREY2, 4, 4}, {VD_PALETTE8, 256, 8},
                          {VD_RGB565, 0, 24}, {VD_RGB32, 0, 24}}) {
        ASSERT_EQ(VdConfigure(k.kind, 7, 5, 0), VD_OK);
        EXPECT_EQ(static_cast<int>(vd::CurrentConfig().kind), k.kind);
        EXPECT_EQ(VdGetSystemPalette(nullptr, 0), k.paletteSize) << k.kind;
        const std::vector<uint8_t> dib = ScreenBytes();
        ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib.data(), sizeof header);
        EXPECT_EQ(header.biWidth, 7);
        EXPECT_EQ(header.biHeight, 5);
        EXPECT_EQ(header.biBitCount, k.dibBits) << k.kind;
        EXPECT_TRUE(dib == vd::ScreenDib());
    }

    ASSERT_EQ(VdConfigure(VD_PALETTE8, 8, 8, 0), VD_OK);
    const PALETTEENTRY entries[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    EXPECT_EQ(VdSetSystemPalette(100, 2, entries), VD_OK);
    PALETTEENTRY read[256] = {};
    EXPECT_EQ(VdGetSystemPalette(read, 256), 256);
    EXPECT_EQ(read[101].peGreen, 50);

    const HWND window = VdCreateWindow(2, 2, 6, 6);
    ASSERT_NE(window, nullptr);
    int dcs = -1;
    const HDC dc = VdGetScreenDC();
    VdCountLiveObjects(&dcs, nullptr, nullptr);
    EXPECT_EQ(dcs, 1);
    VdReleaseScreenDC(dc);
    VdCountLiveObjects(&dcs, nullptr, nullptr);
    EXPECT_EQ(dcs, 0);
    VdDestroyWindow(window);
    EXPECT_EQ(VdScreenColor(8, 0), 0xFFFFFFFFu);
}

}  // namespace
