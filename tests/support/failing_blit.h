// A whole blit with one of its allocations made to fail, as the blit tests
// sweep every allocation of a blit in turn.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "dibdraw32/BlitResult.h"
#include "support/dib.h"
#include "support/test_support.h"

namespace testsupport {

// Blits with allocation `n` failing. Where that fails the blit, checks that it
// reports -1007, draws nothing and leaks nothing but the error row, which
// once allocated stays with the object. Returns whether the blit failed.
inline bool BlitFailsCleanlyAt(uint32_t n, VyrBlitter& blitter, Dib& dib, RECT src, RECT dst,
                               const std::string& where)
{
    vd::ClearStretchCalls();
    const ResourceCounts before = ResourceCounts::Now();
    const bool hadErrorRow = blitter.m_errorRow != nullptr;
    KemFailNthAllocation(n);
    const short result = blitter.VyrBlit(ScreenDc(), dib.header(), &src, &dst);
    KemStopFailing();
    if (result == kBlitOk) {
        return false;
    }
    EXPECT_EQ(result, kBlitNoMemory) << where;
    EXPECT_TRUE(vd::StretchCalls().empty()) << where;
    const ResourceCounts after = ResourceCounts::Now();
    EXPECT_EQ(after.heapBlocks + (hadErrorRow ? 1 : 0), before.heapBlocks + (blitter.m_errorRow != nullptr ? 1 : 0))
        << where;
    EXPECT_EQ(after.gdi.dcs, before.gdi.dcs) << where;
    EXPECT_EQ(after.gdi.palettes, before.gdi.palettes) << where;
    EXPECT_EQ(after.gdi.bitmaps, before.gdi.bitmaps) << where;
    return true;
}

}  // namespace testsupport
