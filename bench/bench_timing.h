// How the side-by-side benchmarks time a piece of work, on Linux and under
// Wine alike.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace benchtiming {

// Writes to every cache line of a buffer twice the size of the largest
// cache of the machines measured, so that the next run finds none of its
// data in the caches.
inline void EvictCaches()
{
    static std::vector<uint8_t> junk(64u << 20);
    for (size_t i = 0; i < junk.size(); i += 64) {
        ++junk[i];
    }
}

// Megapixels per second of `reps` runs of `work`, each over `pixels` pixels.
// Every run starts with caches that hold neither its source nor its
// destination, as a frame drawn onto a screen does; both sides of a
// comparison start alike, whatever share of their data a cache could keep.
inline double Rate(double pixels, int reps, const std::function<void()>& work)
{
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
