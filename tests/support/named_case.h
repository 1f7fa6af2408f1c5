// Table-driven cases carry a `name`; gtest prints a case by it, so that a
// parameterized test's failure says which case it was rather than dumping
// the case's bytes. A test file's namespace takes it in with
// `using testsupport::PrintTo;`, where gtest's lookup of PrintTo finds it.
#pragma once

#include <concepts>
#include <ostream>

namespace testsupport {

template <typename Case>
concept HasCaseName = requires(const Case& c) {
    { c.name } -> std::convertible_to<const char*>;
};

template <HasCaseName Case>
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

}  // namespace testsupport
