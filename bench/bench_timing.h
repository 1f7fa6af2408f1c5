// How the side-by-side benchmarks time a piece of work, on Linux and under
// Wine alike.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace benchtiming {

// The largest cache of this machine in bytes, as the system reports it; 0
// where it does not.
inline size_t LargestCacheBytes()
{
    size_t largest = 0;
#if defined(_WIN32)
    DWORD bytes = 0;
    GetLogicalProcessorInformation(nullptr, &bytes);
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> entries(bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    if (!entries.empty() && GetLogicalProcessorInformation(entries.data(), &bytes)) {
        for (const SYSTEM_LOGICAL_PROCESSOR_INFORMATION& entry : entries) {
            if (entry.Relationship == RelationCache) {
                largest = std::max<size_t>(largest, entry.Cache.Size);
            }
        }
    }
#else
    for (int level : {_SC_LEVEL2_CACHE_SIZE, _SC_LEVEL3_CACHE_SIZE, _SC_LEVEL4_CACHE_SIZE}) {
        largest = std::max<size_t>(largest, static_cast<size_t>(std::max(0L, sysconf(level))));
    }
#endif
    return largest;
}

// What a run writes through before it starts: twice the largest cache
// (server processors have last-level caches of hundreds of megabytes), at
// least 64 MB where the system does not tell.
inline size_t EvictionBytes()
{
    return std::max<size_t>(size_t{64} << 20, 2 * LargestCacheBytes());
}

// Writes to every cache line of blocks twice the size of the machine's
// largest cache, so that the next run finds none of its data in the caches.
// Blocks of 16 MB find room in the address space of a 32-bit process, where
// one buffer of hundreds of megabytes may not. They are made in place and
// never freed: freeing a block this large raises glibc's threshold for
// mapping large allocations, which moved the screens and images allocated
// after it onto the heap and changed the blits' times by a third.
inline constexpr size_t kEvictionBlockBytes = size_t{16} << 20;

inline void EvictCaches()
{
    static std::vector<std::vector<uint8_t>> junk = [] {
        std::vector<std::vector<uint8_t>> blocks;
        for (size_t bytes = 0; bytes < EvictionBytes(); bytes += kEvictionBlockBytes) {
            blocks.emplace_back(kEvictionBlockBytes);
        }
        return blocks;
    }();
    for (std::vector<uint8_t>& block : junk) {
        for (size_t i = 0; i < block.size(); i += 64) {
            ++block[i];
        }
    }
}

// Megapixels per second of `reps` runs of `work`, each over `pixels` pixels.
// Every run starts with caches that hold neither its source nor its
// destination, as a frame drawn onto a screen does; both sides of a
// comparison start alike, whatever share of their data a cache could keep.
// One run goes first untimed: the first run of a measure ran up to a third
// slower than the next ones (memcpy 7 %, the 2x blit 33 % at 1920 x 1080),
// and at 4096 x 4096 a measure is one timed run.
inline double Rate(double pixels, int reps, const std::function<void()>& work)
{
    work();
    double seconds = 0;
    for (int i = 0; i < reps; ++i) {
        EvictCaches();
        const auto start = std::chrono::steady_clock::now();
        work();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return pixels * reps / seconds / 1e6;
}

}  // namespace benchtiming
