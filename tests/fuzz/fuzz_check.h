// What the fuzz targets require of the code under test: a broken requirement
// aborts with a message, which libFuzzer reports as a crash and saves the input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/resource_counts.h"

namespace fuzzcheck {

[[gnu::format(printf, 2, 3)]] inline void Require(bool condition, const char* format, ...)
{
    if (condition) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::fputs("fuzz check failed: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

// Requires the heap blocks and GDI objects live to be exactly `expected`;
// `when` says at which point of the session.
inline void RequireResources(const testsupport::ResourceCounts& expected, const char* when)
{
    const std::string leaks = testsupport::Leaks(expected, testsupport::ResourceCounts::Now());
    Require(leaks.empty(), "%s: %s", when, leaks.c_str());
}

// At the end of a session what was live at its start is live again, and no
// device context at all.
inline void RequireNothingLeaked(const testsupport::ResourceCounts& start)
{
    testsupport::ResourceCounts expected = start;
    expected.gdi.dcs = 0;
    RequireResources(expected, "at the end of the session");
}

// Runs one input as a session of calls: a Session reads what it does from
// the input, checks after every call in Run and at its end in its destructor.
template <class Session>
int RunSession(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    Session session(input);
    session.Run();
    return 0;
}

}  // namespace fuzzcheck
