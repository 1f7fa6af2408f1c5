// The tests' leak check: every count of support/resource_counts.h as it was.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/resource_counts.h"

namespace testsupport {

inline void ExpectSameResources(const ResourceCounts& before, const ResourceCounts& after,
                                const std::string& context = "")
{
    EXPECT_EQ(Leaks(before, after), "") << "leaked " << context;
}

// Runs `body` and checks that everything it made is released by its end.
template <typename Body>
void ExpectReleasesAll(Body&& body, const std::string& context = "")
{
    const ResourceCounts before = ResourceCounts::Now();
    body();
    ExpectSameResources(before, ResourceCounts::Now(), context);
}

// For tests that made every object they used themselves: nothing may be
// live once they have released it all.
inline void ExpectNothingLive(const std::string& context = "")
{
    ExpectSameResources(ResourceCounts{}, ResourceCounts::Now(), context);
}

}  // namespace testsupport
