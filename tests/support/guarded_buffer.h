// Guarded buffers, for the tests of routines that write rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// A buffer followed by guard bytes, so that a routine writing past its end
// is caught by GuardsIntact().
class GuardedBuffer {
public:
    static constexpr size_t kGuardBytes = 32;
    static constexpr uint8_t kGuardValue = 0xA5;

    explicit GuardedBuffer(size_t size, uint8_t fill = 0)
        : m_size(size), m_bytes(size + kGuardBytes, kGuardValue)
    {
        std::fill_n(m_bytes.begin(), size, fill);
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

}  // namespace testsupport
