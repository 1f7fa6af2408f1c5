// Table-driven cases name themselves: by their `name`, or, for a converter
// case without one, by its converter `fn`. gtest prints a case by that name
// and names a parameterized test's instances with it, so that a failure says
// which case it was rather than dumping the case's bytes. A test file's
// namespace takes the printer in with `using testsupport::PrintTo;`, where
// gtest's lookup of PrintTo finds it, and names instances with CaseName().
#pragma once

#include <gtest/gtest.h>

#include <concepts>
#include <ostream>
#include <string>

#include "dibdraw32/Diagnostics.h"

namespace testsupport {

template <typename Case>
concept HasCaseName = requires(const Case& c) {
    { c.name } -> std::convertible_to<const char*>;
};

template <typename Case>
concept NamedByConverter = !HasCaseName<Case> && requires(const Case& c) {
    { c.fn } -> std::convertible_to<BlitterFn>;
};

template <HasCaseName Case>
std::string NameOf(const Case& c)
{
    return c.name;
}

template <NamedByConverter Case>
std::string NameOf(const Case& c)
{
    return ConverterName(c.fn);
}

template <typename Case>
    requires HasCaseName<Case> || NamedByConverter<Case>
void PrintTo(const Case& c, std::ostream* os)
{
    *os << NameOf(c);
}

// The names of a parameterized test's instances.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return NameOf(info.param);
    }
};

}  // namespace testsupport
