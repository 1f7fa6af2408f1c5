#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace testsupport;

namespace {

struct DepthCase {
    vd::Kind kind;
    int expectedDepth;
};

class DepthRule : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DepthRule, ClassesTheDisplay)
{
    ConfigureDisplay(GetParam().kind);
    VyrBlitter blitter(0, 0);
    EXPECT_EQ(blitter.m_displayDepth, GetParam().expectedDepth) << KindName(GetParam().kind);
    EXPECT_EQ(blitter.m_logPalette != nullptr, GetParam().expectedDepth == 8);
    EXPECT_EQ(blitter.m_palette != nullptr, GetParam().expectedDepth == 8);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DepthRule,
                         ::testing::Values(DepthCase{vd::Kind::Mono, 1}, DepthCase{vd::Kind::Planar4, 4},
                                           DepthCase{vd::Kind::Packed4, 4}, DepthCase{vd::Kind::Palette8, 8},
                                           DepthCase{vd::Kind::Rgb332, 24}, DepthCase{vd::Kind::Rgb565, 24},
                                           DepthCase{vd::Kind::Rgb24, 24}, DepthCase{vd::Kind::Rgb32, 24},
                                           DepthCase{vd::Kind::Grey2, 2}));

}  // namespace
