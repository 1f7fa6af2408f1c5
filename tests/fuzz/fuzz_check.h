// What the fuzz targets require of the code under test: a broken requirement
// aborts with a message, which libFuzzer reports as a crash and saves the input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
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
