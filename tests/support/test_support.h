// Shared helpers of the library tests: seeded randomness, guarded buffers,
// virtual display set-up and leak accounting.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dibdraw32/VyrBlitter.h"
#include "memkit40.h"
#include "support/display_kinds.h"
#include "vdisplay/vdisplay.h"

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

// A buffer followed by guard bytes, so that a routine writing past its end
// is caught by CheckGuards().
class GuardedBuffer {
public:
    static constexpr size_t kGuardBytes = 32;
    static constexpr uint8_t kGuardValue = 0xA5;

    explicit GuardedBuffer(size_t size, uint8_t fill = 0)
        : m_size(size), m_bytes(size + kGuardBytes, kGuardValue)
    {
        std::fill(m_bytes.begin(), m_bytes.begin() + static_cast<long>(size), fill);
    }
    uint8_t* data() { return m_bytes.data(); }
    const uint8_t* data() const { return m_bytes.data(); }
    size_t size() const { return m_size; }
    uint8_t& operator[](size_t i) { return m_bytes[i]; }
    // True when every guard byte is intact.
    bool GuardsIntact() const
    {
        for (size_t i = m_size; i < m_bytes.size(); ++i) {
            if (m_bytes[i] != kGuardValue) {
                return false;
            }
        }
        return true;
    }

private:
    size_t m_size;
    std::vector<uint8_t> m_bytes;
};

// Everything that can leak: heap blocks and GDI objects.
struct ResourceCounts {
    uint32_t heapBlocks;
    vd::LiveObjects gdi;

    static ResourceCounts Now() { return {KemLiveBlocks(), vd::CountLiveObjects()}; }
};

inline void ExpectSameResources(const ResourceCounts& before, const ResourceCounts& after,
                                const std::string& context = "")
{
    EXPECT_EQ(before.heapBlocks, after.heapBlocks) << "heap blocks leaked " << context;
    EXPECT_EQ(before.gdi.dcs, after.gdi.dcs) << "device contexts leaked " << context;
    EXPECT_EQ(before.gdi.palettes, after.gdi.palettes) << "palettes leaked " << context;
    EXPECT_EQ(before.gdi.bitmaps, after.gdi.bitmaps) << "bitmaps leaked " << context;
}

// The screen's device context for the duration of one expression or scope.
class ScreenDc {
public:
    ScreenDc() : m_dc(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, m_dc); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

}  // namespace testsupport
