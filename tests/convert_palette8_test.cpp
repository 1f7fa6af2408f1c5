// Every 256-colour converter against a slow reference written from the rules
// of the fixed-palette quantization, over random rows, palettes, colour maps,
// display palettes, row counters and dither periods, for several consecutive
// rows so that error diffusion carries its error row from row to row.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "palette8_harness.h"
#include "support/error_diffusion.h"
#include "support/source_pixels.h"
#include "support/test_support.h"

using namespace palette8test;
using testsupport::ErrorDiffusionReference;
using testsupport::FloorDiv;
using testsupport::Random;
using testsupport::SourceColor;
using testsupport::SourceIndex;

namespace {

// ---- The reference ------------------------------------------------------

int Clamp(int value)
{
    if (value < 0) {
        return 0;
    }
    return value > 255 ? 255 : value;
}

// Index 0..5 of the nearest of the cube levels 255, 204, 153, 102, 51, 0.
int NearestLevel(int value)
{
    int best = 0;
    for (int k = 1; k < 6; ++k) {
        const int distance = std::abs(value - (255 - 51 * k));
        if (distance < std::abs(value - (255 - 51 * best))) {
            best = k;
        }
    }
    return best;
}

int CubeEntry(int red, int green, int blue)
{
    return NearestLevel(red) + 6 * NearestLevel(green) + 36 * NearestLevel(blue);
}

int GreyEntry(int level)
{
    return 215 + level / 8;
}

struct Scene {
    std::vector<uint8_t> imagePalette;  // triples, exactly as many as the source can name
    std::array<uint8_t, 256> colorMap{};
    std::array<uint8_t, 768> systemPalette{};
    std::array<uint8_t, 64> ditherMatrix{};
    int rowsMod = 8;
    int colsMod = 8;
    int bitOffset = 0;
};

int DitherValue(const Scene& scene, int mode, int x, int y)
{
    const int entry = mode == 3 ? (x % 8) * 8 + y % 8
                                : (x % scene.colsMod) * scene.rowsMod + y % scene.rowsMod;
    return static_cast<int8_t>(scene.ditherMatrix[entry]);
}

// The display entry the fixed-palette quantization chooses for `levels`; the
// grey tables take the red level for the grey.
uint8_t ShownEntry(const Scene& scene, const ConverterInfo& info, const std::array<int, 3>& levels)
{
    const int fixedEntry = info.method == Method::Grey ? GreyEntry(levels[0])
                                                       : CubeEntry(levels[0], levels[1], levels[2]);
    return scene.colorMap[fixedEntry];
}

std::vector<uint8_t> ReferenceRow(const Scene& scene, const ConverterInfo& info,
                                  const std::vector<uint8_t>& row, int count, int y,
                                  ErrorDiffusionReference& diffusion)
{
    std::vector<uint8_t> out(count);
    const int bits = static_cast<int>(info.source);
    auto levels = [&](int i) {
        const std::array<int, 3> color = SourceColor(bits, row, scene.imagePalette.data(), i, scene.bitOffset);
        return info.method == Method::Grey ? std::array<int, 3>{color[0], 0, 0} : color;
    };
    if (info.mode == 2) {
        diffusion.Row(count, levels, [&](int i, const ErrorDiffusionReference::Levels& wanted) {
            out[i] = ShownEntry(scene, info, wanted);
            const uint8_t* shown = &scene.systemPalette[3 * out[i]];
            return ErrorDiffusionReference::Levels{shown[0], shown[1], shown[2]};
        });
        return out;
    }
    for (int i = 0; i < count; ++i) {
        if (info.method == Method::Mapped) {
            out[i] = scene.colorMap[SourceIndex(bits, row, i, scene.bitOffset)];
            continue;
        }
        if (info.method == Method::TwoColors) {
            const int index = SourceIndex(bits, row, i, scene.bitOffset);
            const uint8_t* color = &scene.imagePalette[3 * index];
            out[i] = scene.colorMap[CubeEntry(color[0], color[1], color[2])];
            continue;
        }
        std::array<int, 3> value = levels(i);
        if (info.mode == 0 || info.mode == 3) {
            int d = DitherValue(scene, info.mode, i, y);
            if (info.method == Method::Grey) {
                d = FloorDiv(d, 8);
            }
            for (int& channel : value) {
                channel = Clamp(channel + d);
            }
        }
        out[i] = ShownEntry(scene, info, value);
    }
    return out;
}

// ---- Random scenes ------------------------------------------------------

std::vector<uint8_t> RandomPalette(Random& random, int entries, bool grey)
{
    std::vector<uint8_t> triples(3 * static_cast<size_t>(entries));
    for (int k = 0; k < entries; ++k) {
        if (grey) {
            triples[3 * k] = triples[3 * k + 1] = triples[3 * k + 2] = random.Byte();
        } else {
            triples[3 * k] = random.Byte();
            triples[3 * k + 1] = random.Byte();
            triples[3 * k + 2] = random.Byte();
        }
    }
    return triples;
}

// The display palette holding the fixed palette itself, in red, green, blue order.
std::array<uint8_t, 768> FixedPaletteColors()
{
    std::array<uint8_t, 768> colors{};
    for (int i = 0; i < 216; ++i) {
        colors[3 * i] = static_cast<uint8_t>(255 - 51 * (i % 6));
        colors[3 * i + 1] = static_cast<uint8_t>(255 - 51 * (i / 6 % 6));
        colors[3 * i + 2] = static_cast<uint8_t>(255 - 51 * (i / 36));
    }
    for (int i = 216; i <= 246; ++i) {
        colors[3 * i] = colors[3 * i + 1] = colors[3 * i + 2] = static_cast<uint8_t>(8 * (i - 215));
    }
    return colors;
}

struct CaseSetup {
    Scene scene;
    int firstRow = 0;
    bool randomErrors = false;
    // Matrix entries over the whole signed byte range, so that the clamping
    // of the ordered modes is driven to both ends.
    bool randomMatrix = false;
    std::string description;
};

CaseSetup RandomSetup(Random& random, const ConverterInfo& info, int bitOffset)
{
    CaseSetup setup;
    Scene& scene = setup.scene;
    std::ostringstream text;

    const int entries = PaletteEntries(info.source);
    const bool grey = info.method == Method::Grey ? random.Between(0, 3) != 0 : random.Between(0, 3) == 0;
    scene.imagePalette = RandomPalette(random, entries, grey);
    text << (grey ? "grey" : "colour") << " palette";

    // A display showing the fixed palette takes the converters' exact-cube
    // paths: in order, or with the colours at shuffled display indices.
    const int display = random.Between(0, 3);
    if (display <= 1) {
        std::array<int, 256> slotOf{};
        std::iota(slotOf.begin(), slotOf.end(), 0);
        if (display == 1) {
            for (int j = 255; j > 0; --j) {
                std::swap(slotOf[j], slotOf[random.Between(0, j)]);
            }
        }
        const std::array<uint8_t, 768> fixed = FixedPaletteColors();
        for (int j = 0; j < 256; ++j) {
            scene.colorMap[j] = static_cast<uint8_t>(slotOf[j]);
            std::copy_n(&fixed[3 * j], 3, &scene.systemPalette[3 * slotOf[j]]);
        }
        text << (display == 0 ? ", identity map on the fixed palette" : ", shuffled fixed palette");
    } else {
        for (auto& entry : scene.colorMap) {
            entry = random.Byte();
        }
        for (auto& channel : scene.systemPalette) {
            channel = random.Byte();
        }
        text << ", random map and display palette";
    }

    if (info.mode == 0 && random.Between(0, 1) == 0) {
        scene.rowsMod = random.Between(1, 8);
        scene.colsMod = random.Between(1, 8);
    }
    text << ", periods " << scene.colsMod << "x" << scene.rowsMod;
    setup.randomMatrix = (info.mode == 0 || info.mode == 3) && random.Between(0, 2) == 0;
    text << (setup.randomMatrix ? ", random matrix" : "");

    scene.bitOffset = bitOffset;
    setup.firstRow = random.Between(0, 1) == 0 ? 0 : random.Between(0, 100000);
    setup.randomErrors = Diffuses(info) && random.Between(0, 1) == 0;
    text << ", first row " << setup.firstRow << (setup.randomErrors ? ", random error row" : "");
    setup.description = text.str();
    return setup;
}

std::vector<uint8_t> RandomRow(Random& random, SourceKind source, int count, int bitOffset)
{
    return random.Bytes(SourceBytes(source, count, bitOffset));
}

// ---- The comparison -----------------------------------------------------

constexpr int kRowsPerCase = 5;
// Every entry of a carried error row stays within 9 x 252 of zero.
constexpr int kErrorBound = 9 * 252;

std::vector<int> Widths()
{
    std::vector<int> widths;
    for (int width = 0; width <= 70; ++width) {
        widths.push_back(width);
    }
    widths.insert(widths.end(), {127, 256, 1001});
    return widths;
}

// Runs one case; returns false after the first mismatch, which it reports.
bool RunCase(const ConverterInfo& info, int width, int bitOffset, uint64_t seed)
{
    Random random(seed);
    CaseSetup setup = RandomSetup(random, info, bitOffset);
    Scene& scene = setup.scene;

    Palette8Rig rig(info.mode < 0 ? 0 : info.mode);
    VyrBlitter& blitter = rig.blitter();
    std::copy(blitter.m_ditherMatrix, blitter.m_ditherMatrix + 64, scene.ditherMatrix.begin());
    if (setup.randomMatrix) {
        for (auto& entry : scene.ditherMatrix) {
            entry = random.Byte();
        }
        std::copy(scene.ditherMatrix.begin(), scene.ditherMatrix.end(), blitter.m_ditherMatrix);
    }
    if (!scene.imagePalette.empty()) {
        rig.SetImagePalette(scene.imagePalette);
    }
    std::copy(scene.colorMap.begin(), scene.colorMap.end(), blitter.m_colorMap);
    std::copy(scene.systemPalette.begin(), scene.systemPalette.end(), blitter.m_systemPalette);
    blitter.m_ditherRowsMod = static_cast<uint8_t>(scene.rowsMod);
    blitter.m_ditherColsMod = static_cast<uint8_t>(scene.colsMod);
    blitter.m_srcBitOffset = bitOffset;

    const ErrorLayout layout = LayoutOf(info);
    const int channels = TermsPerEntry(layout);
    rig.AllocateErrorRow(layout, width);
    ErrorDiffusionReference expectedErrors(width, channels);
    if (setup.randomErrors) {
        for (int i = 0; i < width; ++i) {
            for (int c = 0; c < channels; ++c) {
                expectedErrors.Error(i, c) = random.Between(-kErrorBound, kErrorBound);
                rig.SetErrorTerm(i, c, expectedErrors.Error(i, c));
            }
        }
    }

    std::ostringstream where;
    where << NameOf(info) << " seed " << seed << " width " << width << " bit offset " << bitOffset << " ("
          << setup.description << ")";

    for (int row = 0; row < kRowsPerCase; ++row) {
        const int y = setup.firstRow + row;
        blitter.m_rowCounter = y;
        const std::vector<uint8_t> source = RandomRow(random, info.source, width, bitOffset);
        const std::vector<uint8_t> errorsBefore = rig.ErrorRowBytes();

        const std::vector<uint8_t> expected = ReferenceRow(scene, info, source, width, y, expectedErrors);
        bool guardsIntact = false;
        const std::vector<uint8_t> actual = rig.Convert(info.fn, source, width, guardsIntact);

        if (!guardsIntact) {
            ADD_FAILURE() << where.str() << ": wrote past the destination row on row " << row;
            return false;
        }
        for (int i = 0; i < width; ++i) {
            if (actual[i] != expected[i]) {
                ADD_FAILURE() << where.str() << ": row " << row << " (m_rowCounter " << y << ") pixel " << i
                              << " is " << int(actual[i]) << ", expected " << int(expected[i]);
                return false;
            }
        }
        if (!rig.ErrorGuardsIntact()) {
            ADD_FAILURE() << where.str() << ": wrote past the error row on row " << row;
            return false;
        }
        if (!Diffuses(info)) {
            if (rig.ErrorRowBytes() != errorsBefore) {
                ADD_FAILURE() << where.str() << ": changed the error row on row " << row;
                return false;
            }
            continue;
        }
        for (int i = 0; i < width; ++i) {
            for (int c = 0; c < channels; ++c) {
                if (rig.ErrorTerm(i, c) != expectedErrors.Error(i, c)) {
                    ADD_FAILURE() << where.str() << ": after row " << row << " error entry " << i
                                  << " channel " << c << " is " << rig.ErrorTerm(i, c) << ", expected "
                                  << expectedErrors.Error(i, c);
                    return false;
                }
            }
        }
    }

    if (blitter.m_rowCounter != setup.firstRow + kRowsPerCase - 1 ||
        !std::equal(scene.colorMap.begin(), scene.colorMap.end(), blitter.m_colorMap) ||
        !std::equal(scene.systemPalette.begin(), scene.systemPalette.end(), blitter.m_systemPalette) ||
        !std::equal(scene.ditherMatrix.begin(), scene.ditherMatrix.end(), blitter.m_ditherMatrix)) {
        ADD_FAILURE() << where.str() << ": changed a field of the blitter";
        return false;
    }
    return true;
}

// FNV-1a: a stable seed base per converter.
uint64_t NameHash(const std::string& name)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (char c : name) {
        hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001B3ull;
    }
    return hash;
}

class Palette8Reference : public ::testing::TestWithParam<ConverterInfo> {};

TEST_P(Palette8Reference, MatchesTheRulesOverRandomRows)
{
    const ConverterInfo& info = GetParam();
    const int offsets = info.source == SourceKind::Bit1 ? 8 : 1;
    const int casesPerShape = info.source == SourceKind::Bit1 ? 1 : 3;
    uint64_t caseIndex = 0;
    for (int width : Widths()) {
        for (int bitOffset = 0; bitOffset < offsets; ++bitOffset) {
            for (int repeat = 0; repeat < casesPerShape; ++repeat) {
                const uint64_t seed = NameHash(NameOf(info)) + ++caseIndex;
                if (!RunCase(info, width, bitOffset, seed)) {
                    return;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Every256ColourConverter, Palette8Reference, ::testing::ValuesIn(AllConverters()),
                         testsupport::CaseName());

}  // namespace
