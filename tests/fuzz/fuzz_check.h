// What the fuzz targets require of the code under test: a broken requirement
// aborts with a message, which libFuzzer reports as a crash and saves the input.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

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

}  // namespace fuzzcheck
