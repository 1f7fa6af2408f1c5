// Converter selection: every cell of the table, the order in which the
// choice consults its inputs, the channel-order probe and the grey test.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "blitter/selection.h"
#include "dibdraw32/Diagnostics.h"
#include "support/test_support.h"

using namespace testsupport;

namespace {

struct Display {
    const char* name;
    vd::Kind kind;
    bool swapped;
};

const Display kDisplays[] = {
    {"mono", vd::Kind::Mono, false},          {"vga16", vd::Kind::Packed4, false},
    {"vga16 planar", vd::Kind::Planar4, false}, {"palette8", vd::Kind::Palette8, false},
    {"rgb32", vd::Kind::Rgb32, false},        {"rgb32 swapped", vd::Kind::Rgb32, true},
    {"rgb565", vd::Kind::Rgb565, false},      {"rgb332", vd::Kind::Rgb332, false},
};

// The blitter's choice for a source depth and flag succeeds and is `expected`.
::testing::AssertionResult Selects(VyrBlitter& blitter, int srcBits, int flag, const std::string& expected)
{
    const short result = blitter.AssignBlitterFn(srcBits, flag);
    const std::string chosen = ConverterName(blitter.m_convert);
    if (result != kBlitOk || chosen != expected) {
        return ::testing::AssertionFailure() << srcBits << "-bit source, flag " << flag << ": result " << result
                                             << ", " << chosen << " where " << expected << " was expected";
    }
    return ::testing::AssertionSuccess();
}

std::string Mode(int mode)
{
    return "Mode" + std::to_string(mode);
}

// The converter the selection rules name, or "" where there is none; written
// out from the rules, independently of the table in the library.
std::string ExpectedConverter(vd::Kind kind, bool swapped, int src, int flag, int mode, bool grey)
{
    const bool validMode = mode >= 0 && mode <= 3;
    const std::string s = std::to_string(src);
    switch (kind) {
    case vd::Kind::Rgb32:
    case vd::Kind::Rgb565:
    case vd::Kind::Rgb332:
        if (src == 1) {
            return "Blit1To24";
        }
        if (src == 4 || src == 8 || src == 24) {
            return "Blit" + s + "To24" + (swapped ? "Swap" : "");
        }
        return "";
    case vd::Kind::Palette8:
        if (src == 1) {
            return flag != 0 ? "Blit1To8Mapped" : "Blit1To8";
        }
        if ((src == 4 || src == 8) && flag != 0) {
            return "Blit" + s + "To8Mapped";
        }
        if ((src == 4 || src == 8) && validMode) {
            return "Blit" + s + "To8" + Mode(mode) + (grey ? "Gray" : "");
        }
        if (src == 24 && validMode) {
            return "Blit24To8" + Mode(mode);
        }
        return "";
    case vd::Kind::Packed4:
    case vd::Kind::Planar4:
        if (src == 1) {
            return "Blit1To4";
        }
        if ((src == 4 || src == 8) && flag != 0) {
            return "Blit" + s + "To4Mapped";
        }
        if ((src == 4 || src == 8 || src == 24) && validMode) {
            return "Blit" + s + "To4" + Mode(mode);
        }
        return "";
    case vd::Kind::Mono:
        if (src == 1) {
            return "Blit1To1";
        }
        if ((src == 4 || src == 8 || src == 24) && validMode) {
            return "Blit" + s + "To1" + Mode(mode);
        }
        return "";
    default:
        return "";
    }
}

std::vector<uint8_t> Palette(bool grey)
{
    std::vector<uint8_t> palette(768);
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = static_cast<uint8_t>(i);
        if (!grey && i == 3) {
            palette[3 * i + 2] = 11;
        }
    }
    return palette;
}

TEST(SelectionTable, EveryCellIsTheNamedConverterOrUnsupported)
{
    for (const Display& display : kDisplays) {
        ConfigureDisplay(display.kind, 16, 16, display.swapped);
        VyrBlitter blitter(0, 0);
        for (int src : {1, 2, 4, 8, 16, 24, 32}) {
            for (int flag : {0, 1, 2}) {
                for (int mode : {0, 1, 2, 3, 4, -1}) {
                    for (bool grey : {false, true}) {
                        std::vector<uint8_t> palette = Palette(grey);
                        blitter.m_imagePalette = palette.data();
                        blitter.m_ditherMode = mode;
                        blitter.m_convert = nullptr;
                        const short result = blitter.AssignBlitterFn(src, flag);
                        blitter.m_imagePalette = nullptr;
                        const std::string expected =
                            ExpectedConverter(display.kind, display.swapped, src, flag, mode, grey);
                        const std::string where = std::string(display.name) + " src " + std::to_string(src) +
                                                  " flag " + std::to_string(flag) + " mode " +
                                                  std::to_string(mode) + (grey ? " grey" : " colour");
                        if (expected.empty()) {
                            EXPECT_EQ(result, kBlitUnsupported) << where;
                            EXPECT_EQ(blitter.m_convert, nullptr) << where;
                        } else {
                            EXPECT_EQ(result, kBlitOk) << where;
                            EXPECT_EQ(ConverterName(blitter.m_convert), expected) << where;
                        }
                    }
                }
            }
        }
    }
}

// The name an entry of the registry must carry, from its key alone.
std::string NameFromKey(const dibdraw::ConverterEntry& entry)
{
    std::string name = "Blit" + std::to_string(entry.srcBits) + "To" + std::to_string(entry.displayDepth);
    switch (entry.variant) {
    case dibdraw::Variant::Mapped:
        return name + "Mapped";
    case dibdraw::Variant::Mode:
        return name + Mode(static_cast<int>(entry.mode));
    case dibdraw::Variant::GreyMode:
        return name + Mode(static_cast<int>(entry.mode)) + "Gray";
    case dibdraw::Variant::AnyMode:
        break;
    }
    return entry.swapped && entry.srcBits != 1 ? name + "Swap" : name;
}

std::string KeyOf(const dibdraw::ConverterEntry& entry)
{
    return std::to_string(entry.displayDepth) + (entry.swapped ? " swapped" : "") + " src " +
           std::to_string(entry.srcBits) + " variant " + std::to_string(static_cast<int>(entry.variant)) +
           (entry.DependsOnMode() ? " mode " + std::to_string(static_cast<int>(entry.mode)) : "");
}

// Every entry holds a routine under the name its key calls for, no key is
// held twice, and the rows stamped by mode hold all four modes.
TEST(SelectionTable, EveryEntryIsNamedByItsKeyAndHeldOnce)
{
    std::set<std::string> keys;
    std::map<std::string, std::set<dibdraw::DitherMode>> modesOfRow;
    for (const std::span<const dibdraw::ConverterEntry> section : dibdraw::ConverterSections()) {
        for (const dibdraw::ConverterEntry& entry : section) {
            const std::string key = KeyOf(entry);
            ASSERT_NE(entry.fn, nullptr) << key;
            EXPECT_EQ(entry.name, NameFromKey(entry)) << key;
            EXPECT_STREQ(ConverterName(entry.fn), entry.name) << key;
            EXPECT_TRUE(keys.insert(key).second) << key << " is held twice";
            if (entry.DependsOnMode()) {
                const std::string row = key.substr(0, key.find(" mode "));
                modesOfRow[row].insert(entry.mode);
            }
        }
    }
    for (const auto& [row, modes] : modesOfRow) {
        EXPECT_EQ(modes.size(), dibdraw::kDitherModes.size()) << row;
    }
}

TEST(SelectionTable, DisplayOfTwoBitsRejectsEverything)
{
    ConfigureDisplay(vd::Kind::Grey2);
    VyrBlitter blitter(0, 0);
    for (int src : {1, 4, 8, 24}) {
        for (int flag : {0, 1}) {
            EXPECT_EQ(blitter.AssignBlitterFn(src, flag), kBlitUnsupported) << src;
        }
    }
}

TEST(SelectionOrder, FailureKeepsThePreviousConverter)
{
    ConfigureDisplay(vd::Kind::Palette8);
    VyrBlitter blitter(0, 0);
    std::vector<uint8_t> palette = Palette(false);
    blitter.m_imagePalette = palette.data();
    ASSERT_EQ(blitter.AssignBlitterFn(24, 0), kBlitOk);
    const BlitterFn before = blitter.m_convert;
    blitter.m_ditherMode = 5;
    EXPECT_EQ(blitter.AssignBlitterFn(8, 0), kBlitUnsupported);
    EXPECT_EQ(blitter.m_convert, before);
    EXPECT_TRUE(Selects(blitter, 8, 1, "Blit8To8Mapped"));
    EXPECT_TRUE(Selects(blitter, 1, 0, "Blit1To8"));
    blitter.m_imagePalette = nullptr;
}

TEST(SelectionOrder, InvalidModeFailsBeforeTheGreyTest)
{
    ConfigureDisplay(vd::Kind::Palette8);
    VyrBlitter blitter(9, 0);
    // No colour table at all: the grey test would have to read one.
    EXPECT_EQ(blitter.AssignBlitterFn(8, 0), kBlitUnsupported);
}

TEST(SelectionOrder, GreyTestDecidesBetweenTheTwoVariants)
{
    ConfigureDisplay(vd::Kind::Palette8);
    VyrBlitter blitter(2, 0);
    std::vector<uint8_t> palette = Palette(true);
    blitter.m_imagePalette = palette.data();
    ASSERT_TRUE(Selects(blitter, 8, 0, "Blit8To8Mode2Gray"));
    palette[3 * 100] = 10;
    palette[3 * 100 + 1] = 10;
    palette[3 * 100 + 2] = 11;
    ASSERT_TRUE(Selects(blitter, 8, 0, "Blit8To8Mode2"));
    // A 4-bit source looks only at its 16 entries.
    ASSERT_TRUE(Selects(blitter, 4, 0, "Blit4To8Mode2Gray"));
    blitter.m_imagePalette = nullptr;
}

TEST(ChannelOrderProbe, PicksSwappedConvertersOnSwappedDisplays)
{
    for (bool swapped : {false, true}) {
        ConfigureDisplay(vd::Kind::Rgb32, 8, 8, swapped);
        EXPECT_EQ(dibdraw::IsDisplayOrderSwapped(), swapped ? 1 : 0);
        VyrBlitter blitter(0, 0);
        ASSERT_TRUE(Selects(blitter, 8, 0, swapped ? "Blit8To24Swap" : "Blit8To24"));
        ASSERT_TRUE(Selects(blitter, 1, 0, "Blit1To24"));
    }
}

TEST(ChannelOrderProbe, RunsOnEveryTrueColourChoiceEvenWhenItFails)
{
    ConfigureDisplay(vd::Kind::Rgb32);
    VyrBlitter blitter(0, 0);
    const uint64_t requests = vd::DcRequests();
    EXPECT_EQ(blitter.AssignBlitterFn(16, 0), kBlitUnsupported);
    EXPECT_EQ(vd::DcRequests(), requests + 1);
}

TEST(GreyTest, Cases)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> triples;
        int tolerance;
        short expected;
    };
    const Case cases[] = {
        {"no triples", {}, 0, 1},
        {"equal channels", {0, 0, 0, 200, 200, 200}, 0, 1},
        {"1,1,2 is not grey", {1, 1, 2}, 0, 0},
        {"1,1,2 within one", {1, 1, 2}, 1, 1},
        {"mean truncates", {0, 0, 2}, 1, 0},
        {"stops at first colour", {5, 5, 5, 9, 0, 0, 7, 7, 7}, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dibdraw::IsGrayPalette(c.triples.data(), static_cast<int>(c.triples.size() / 3), c.tolerance),
                  c.expected)
            << c.name;
    }
}

TEST(ConverterNames, NullAndForeignRoutines)
{
    EXPECT_STREQ(ConverterName(nullptr), "none");
    BlitterFn foreign = [](VyrBlitter*, const uint8_t*, uint8_t*, int32_t) {};
    EXPECT_STREQ(ConverterName(foreign), "unknown");
}

}  // namespace
