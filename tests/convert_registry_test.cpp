// What every converter of the registry owes its callers, whatever its
// display, source and mode: a row of no pixels, or a negative count, writes
// nothing and leaves the error row as it was.
#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "convert/registry.h"
#include "support/display_kinds.h"
#include "support/guarded_buffer.h"
#include "support/random.h"

namespace {

const vd::Kind kDisplayOfDepth[25] = {
    {}, vd::Kind::Mono, {}, {}, vd::Kind::Packed4, {}, {}, {}, vd::Kind::Palette8, {}, {}, {}, {},
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, vd::Kind::Rgb32};

TEST(EveryConverter, CountOfZeroOrLessWritesNothing)
{
    uint64_t seed = 7100;
    for (const std::span<const dibdraw::ConverterEntry> section : dibdraw::ConverterSections()) {
        for (const dibdraw::ConverterEntry& entry : section) {
            testsupport::ConfigureDisplay(kDisplayOfDepth[entry.displayDepth]);
            VyrBlitter blitter(entry.DependsOnMode() ? static_cast<int>(entry.mode) : 0, 0);
            testsupport::Random random(++seed);
            std::vector<uint8_t> palette = random.Bytes(768);
            std::vector<uint8_t> errors = random.Bytes(6 * 8);
            const std::vector<uint8_t> errorsBefore = errors;
            const std::vector<uint8_t> src = random.Bytes(16);
            blitter.m_imagePalette = palette.data();
            blitter.m_errorRow = errors.data();
            for (const int count : {0, -1, -17, -40}) {
                for (int offset = 0; offset < 8; offset += 3) {
                    blitter.m_srcBitOffset = offset;
                    testsupport::GuardedBuffer dst(0);
                    entry.fn(&blitter, src.data(), dst.data(), count);
                    EXPECT_TRUE(dst.GuardsIntact()) << entry.name << " count " << count << " offset " << offset;
                    EXPECT_EQ(errors, errorsBefore) << entry.name << " count " << count << ": error row changed";
                }
            }
            // Neither block is the object's to release.
            blitter.m_imagePalette = nullptr;
            blitter.m_errorRow = nullptr;
        }
    }
}

}  // namespace
