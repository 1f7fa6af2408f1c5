// The writers of a converted row: one per display depth, each packing the
// pixels' output values as the display's rows hold them. A converter puts
// its values left to right and finishes the row.
#pragma once

#include <cstdint>

namespace dibdraw {

// One byte per pixel.
class ByteRowWriter {
public:
    static constexpr int32_t kPixelsPerByte = 1;

    explicit ByteRowWriter(uint8_t* dst) : m_next(dst) {}

    void Put(uint8_t index) { *m_next++ = index; }

    void Finish() {}

    static uint8_t Fit(uint8_t entry) { return entry; }

private:
    uint8_t* m_next;
};

// Packs display indices (0..15) two to a byte, the first in the high nibble.
// The first pixel of a pair writes its whole byte, so nothing of an earlier
// row survives in the low nibble, and exactly ceil(count / 2) bytes are
// touched.
class NibbleRowWriter {
public:
    static constexpr int32_t kPixelsPerByte = 2;

    explicit NibbleRowWriter(uint8_t* dst) : m_next(dst) {}

    void Put(unsigned index)
    {
        if (m_secondOfPair) {
            *m_next++ |= static_cast<uint8_t>(index);
        } else {
            *m_next = static_cast<uint8_t>(index << 4);
        }
        m_secondOfPair = !m_secondOfPair;
    }

    void Finish() {}

    // A colour-map entry as an index: only its low nibble, so that an entry
    // above 15 cannot spill into the neighbouring pixel.
    static unsigned Fit(uint8_t entry) { return entry & 0x0Fu; }

private:
    uint8_t* m_next;
    bool m_secondOfPair = false;
};

// Packs light/dark decisions into output bytes, most significant bit first.
// A sentinel bit marks how many pixels the pending byte holds, so a full
// byte is detected by one test and every byte is written whole: no bit of
// an earlier row survives in it.
class MonoRowWriter {
public:
    static constexpr int32_t kPixelsPerByte = 8;

    explicit MonoRowWriter(uint8_t* dst) : m_next(dst) {}

    // `light` is 1 for a light pixel, 0 for a dark one.
    void Put(unsigned light)
    {
        m_bits = (m_bits << 1) | light;
        if ((m_bits & 0x100) != 0) {
            *m_next++ = static_cast<uint8_t>(m_bits);
            m_bits = 1;
        }
    }

    // Writes a partly filled last byte, its unused low bits clear.
    void Finish()
    {
        if (m_bits == 1) {
            return;
        }
        while ((m_bits & 0x100) == 0) {
            m_bits <<= 1;
        }
        *m_next = static_cast<uint8_t>(m_bits);
    }

private:
    uint8_t* m_next;
    unsigned m_bits = 1;
};

}  // namespace dibdraw
