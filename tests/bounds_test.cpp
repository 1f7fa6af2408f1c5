// Hostile input: the bounds-checked blit refuses a DIB whose header promises
// more than its length holds, before reading past it; and the scaled row of a
// 1-bit image holds all that the monochrome converter reads of it.
//
// DIBs under test are copied into heap blocks of exactly their length, so
// that a read past the end is an AddressSanitizer error in the sanitized build.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "blitter/scalers.h"
#include "convert/converters.h"
#include "support/blit_model.h"
#include "support/dib.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

// The first `length` bytes of a DIB in a block of exactly that size.
std::vector<uint8_t> Truncated(Dib& dib, size_t length)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(dib.header());
    return std::vector<uint8_t>(bytes, bytes + length);
}

const BITMAPINFOHEADER* HeaderOf(const std::vector<uint8_t>& bytes)
{
    return bytes.empty() ? nullptr : reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data());
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}


std::vector<uint32_t> UncheckedBlit(vd::Kind kind, Dib& dib, RECT src, RECT dst, int dither)
{
    ConfigureDisplay(kind, 48, 40);
    VyrBlitter blitter(dither, 0);
    EXPECT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk);
    return DevicePixels();
}

TEST(ScaledRowBuffer, HoldsTheWholeWordsBlit1To1Reads)
{
    // A zero row followed by guard bytes: a byte read past the buffer
    // reappears in the output as a guard value.
    uint8_t palette[6] = {0, 0, 0, 255, 255, 255};
    VyrBlitter blitter(0, 0);
    blitter.m_imagePalette = palette;
    blitter.m_srcBitOffset = 0;
    for (int count = 1; count <= 100; ++count) {
        GuardedBuffer row(static_cast<size_t>(dibdraw::ScaledRowBytes(count, 1)), 0);
        GuardedBuffer out(static_cast<size_t>(count) + 8, 0);
        dibdraw::Blit1To1(&blitter, row.data(), out.data(), count);
        for (int k = 0; k < count / 8 + 2; ++k) {
            ASSERT_EQ(out[static_cast<size_t>(k)], 0) << "count " << count << ": output byte " << k
                                                      << " was copied from past the scaled row";
        }
        EXPECT_TRUE(out.GuardsIntact()) << "count " << count;
    }
    blitter.m_imagePalette = nullptr;
}

TEST(ScaledRowBuffer, OneBitImagesEnlargedOntoTheMonochromeDisplay)
{
    // Widths 1 to 4 past a multiple of 16 once read a byte past the row.
    for (int dstW = 1; dstW <= 100; ++dstW) {
        for (int dither : {0, 2}) {
            ConfigureDisplay(vd::Kind::Mono, 100, 2);
            Random random(static_cast<uint64_t>(dstW));
            Dib dib(2, 1, 1);
            dib.Randomize(random);
            dib.SetColor(0, 0, 0, 0);
            dib.SetColor(1, 255, 255, 255);
            VyrBlitter blitter(dither, 0);
            RECT src = {0, 0, 2, 1}, dst = {0, 0, dstW, 1};
            ASSERT_EQ(blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst), kBlitOk) << dstW;
            EXPECT_TRUE(BlitModel(dib, src, dst, blitter).ScreenMatches(0)) << "width " << dstW;
        }
    }
}

// Every length of a DIB is tried: short of the byte that holds the last pixel
// of the rectangle's top row (the last byte the blit needs) the blit is
// refused untouched; from there on it draws what the whole DIB draws.
TEST(BoundsChecked, TruncatedDibsAreRefusedBeforeTheyAreReadPast)
{
    struct Case {
        const char* name;
        RECT src;
    };
    const Case cases[] = {
        {"whole image", {0, 0, 13, 5}},
        {"inner rectangle", {3, 1, 9, 4}},
        {"odd left edge", {5, 2, 12, 3}},
    };
    for (int bits : {1, 4, 8, 24}) {
        Random random(static_cast<uint64_t>(bits));
        Dib dib(13, 5, bits);
        dib.Randomize(random);
        for (const Case& c : cases) {
            const std::string where = std::to_string(bits) + " bits, " + c.name;
            const RECT dst = {1, 2, 30, 12};
            const std::vector<uint32_t> expected = UncheckedBlit(vd::Kind::Rgb32, dib, c.src, dst, 0);
            const size_t colors = bits <= 8 ? size_t{1} << bits : 0;
            const size_t needed = 40 + 4 * colors + static_cast<size_t>((dib.height() - 1 - c.src.top) * dib.stride()) +
                                  static_cast<size_t>((c.src.right * bits - 1) / 8) + 1;
            for (size_t length = 0; length <= dib.size(); ++length) {
                ConfigureDisplay(vd::Kind::Rgb32, 48, 40);
                vd::ClearStretchCalls();
                const std::vector<uint8_t> bytes = Truncated(dib, length);
                RECT src = c.src, target = dst;
                VyrBlitter blitter(0, 0);
                const short result = blitter.VyrBlit(ScreenDc(), HeaderOf(bytes), bytes.size(), &src, &target);
                if (length < needed) {
                    ASSERT_EQ(result, kBlitUnsupported) << where << ", " << length << " bytes";
                    EXPECT_TRUE(vd::StretchCalls().empty()) << where << ", " << length << " bytes";
                    EXPECT_TRUE(SameRect(src, c.src)) << where << ": a refused blit leaves the rectangle";
                } else {
                    ASSERT_EQ(result, kBlitOk) << where << ", " << length << " bytes";
                    EXPECT_TRUE(DevicePixels() == expected) << where << ", " << length << " bytes";
                }
            }
        }
    }
}

TEST(BoundsChecked, HeadersThatDoNotFitAreRefused)
{
    struct Case {
        const char* name;
        void (*spoil)(BITMAPINFOHEADER& header);
        size_t length;  // bytes given; 0: the whole DIB
    };
    const Case cases[] = {
        {"a 12-byte core header", [](BITMAPINFOHEADER& h) { h.biSize = 12; }, 0},
        {"a header size of 39", [](BITMAPINFOHEADER& h) { h.biSize = 39; }, 0},
        {"a header larger than the DIB", [](BITMAPINFOHEADER& h) { h.biSize = 100000; }, 0},
        {"no planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 0; }, 0},
        {"two planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }, 0},
        {"16 bits per pixel", [](BITMAPINFOHEADER& h) { h.biBitCount = 16; }, 0},
        {"2 bits per pixel", [](BITMAPINFOHEADER& h) { h.biBitCount = 2; }, 0},
        {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -8; }, 0},
        {"the largest height", [](BITMAPINFOHEADER& h) { h.biHeight = 0x7FFFFFFF; }, 0},
        {"the largest width", [](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; }, 0},
        {"a colour table cut short", [](BITMAPINFOHEADER& h) { h.biBitCount = 8; }, 0},
        {"a header cut short", [](BITMAPINFOHEADER&) {}, 39},
    };
    ConfigureDisplay(vd::Kind::Rgb32, 32, 32);
    for (const Case& c : cases) {
        Dib dib(8, 8, 4);
        c.spoil(*dib.header());
        const std::vector<uint8_t> bytes = Truncated(dib, c.length != 0 ? c.length : dib.size());
        RECT src = {-1, -1, 100, 100}, dst = {0, 0, 16, 16};
        vd::ClearStretchCalls();
        VyrBlitter blitter(0, 0);
        const uint64_t allocations = KemAllocationCalls();
        EXPECT_EQ(blitter.VyrBlit(ScreenDc(), HeaderOf(bytes), bytes.size(), &src, &dst), kBlitUnsupported)
            << c.name;
        EXPECT_EQ(KemAllocationCalls(), allocations) << c.name << ": refused before any work";
        EXPECT_TRUE(vd::StretchCalls().empty()) << c.name;
        EXPECT_EQ(src.left, -1) << c.name << ": a refused blit leaves the rectangle";
    }
    VyrBlitter blitter(0, 0);
    RECT src = {0, 0, 8, 8}, dst = {0, 0, 8, 8};
    EXPECT_EQ(blitter.VyrBlit(ScreenDc(), nullptr, 0, &src, &dst), kBlitUnsupported) << "no DIB at all";
}

TEST(BoundsChecked, TopDownAndEmptyRectanglesDrawNothing)
{
    ConfigureDisplay(vd::Kind::Rgb32, 32, 32);
    Dib topDown(8, -8, 24);
    Dib upright(8, 8, 24);
    VyrBlitter blitter(0, 0);
    struct Case {
        const char* name;
        Dib* dib;
        RECT src;
    };
    const Case cases[] = {
        {"top-down rows", &topDown, {0, 0, 8, 8}},
        {"left past the width", &upright, {9, 0, 12, 8}},
        {"empty", &upright, {4, 4, 4, 8}},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = Truncated(*c.dib, c.dib->size());
        RECT src = c.src, dst = {0, 0, 8, 8};
        vd::ClearStretchCalls();
        EXPECT_EQ(blitter.VyrBlit(ScreenDc(), HeaderOf(bytes), bytes.size(), &src, &dst), kBlitOk) << c.name;
        EXPECT_TRUE(vd::StretchCalls().empty()) << c.name;
    }
}

TEST(BoundsChecked, WindowOverloadDrawsAndReleasesItsContext)
{
    ConfigureDisplay(vd::Kind::Rgb32, 40, 40);
    HWND window = vd::CreateWindow(RECT{10, 5, 30, 25});
    Random random(81);
    Dib dib(8, 8, 24);
    dib.Randomize(random);
    const std::vector<uint8_t> bytes = Truncated(dib, dib.size());
    const ResourceCounts before = ResourceCounts::Now();
    {
        VyrBlitter blitter(0, 0);
        RECT src = {0, 0, 8, 8}, dst = {2, 3, 10, 11};
        ASSERT_EQ(blitter.VyrBlit(window, HeaderOf(bytes), bytes.size(), &src, &dst), kBlitOk);
        RECT whole = src;
        EXPECT_EQ(blitter.VyrBlit(window, HeaderOf(bytes), bytes.size() - 1, &whole, &dst), kBlitUnsupported);
    }
    ExpectSameResources(before, ResourceCounts::Now());
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(ToRgb(vd::ScreenColor(12 + x, 8 + y)), dib.Color(x, y)) << x << ", " << y;
        }
    }
    vd::DestroyWindow(window);
}

}  // namespace
