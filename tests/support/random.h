// The tests' random numbers, on Linux and on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// splitmix64: every case seeds its own generator from its index, so a failure
// names a seed that reproduces it.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}

    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    int Between(int low, int high) { return low + static_cast<int>(Next() % (uint64_t)(high - low + 1)); }
    uint8_t Byte() { return static_cast<uint8_t>(Next()); }
    std::vector<uint8_t> Bytes(size_t count)
    {
        std::vector<uint8_t> bytes(count);
        for (auto& b : bytes) {
            b = Byte();
        }
        return bytes;
    }

private:
    uint64_t m_state;
};

}  // namespace testsupport
