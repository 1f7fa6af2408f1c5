// Floyd-Steinberg error diffusion, shared by every converter family that
// diffuses. Rows are walked left to right; each channel keeps the error of
// its left neighbour in a local carry and passes 3/16, 5/16 and 1/16 down
// through the error row, whose entry i holds, when the next row reaches it,
// 5 e(i) + e(i-1) + 3 e(i+1) of the row above, not yet divided by 16.
#pragma once

#include <cstdint>

#include "convert/pixel_source.h"

namespace dibdraw {

// One channel of the error row. `Term` is int16_t for colour rows (three
// interleaved channels, stride 3) and int32_t for grey and monochrome rows.
// The entry of the latest pixel stays in a register until the next pixel has
// added its 3/16 share, so each entry is stored once and the loop has no
// test for the first pixel (whose share to the left lands in a discarded
// slot); Finish stores the last one.
template <typename Term, int Stride>
class DiffusedChannel {
public:
    explicit DiffusedChannel(Term* errors) : m_errors(errors) {}
    // The held entry points into this object, so it stays where it was made.
    DiffusedChannel(const DiffusedChannel&) = delete;
    DiffusedChannel& operator=(const DiffusedChannel&) = delete;

    // The pixel's value with the carried errors added, clamped to 0..255.
    int Adjust(int value, int32_t i) const
    {
        return ClampChannel(value + ((7 * m_carry + m_errors[i * Stride]) >> 4));
    }

    // Distributes the quantisation error of pixel i.
    void Record(int error, int32_t i)
    {
        error = TruncateError(error);
        *m_held = static_cast<Term>(m_heldValue + 3 * error);
        m_held = m_errors + i * Stride;
        m_heldValue = 5 * error + m_carry;
        m_carry = error;
    }

    // Stores the entry of the last pixel recorded.
    void Finish() { *m_held = static_cast<Term>(m_heldValue); }

private:
    Term* m_errors;
    Term m_discarded = 0;
    Term* m_held = &m_discarded;
    int m_heldValue = 0;
    int m_carry = 0;
};

using ColorErrorChannel = DiffusedChannel<int16_t, 3>;
using GreyErrorChannel = DiffusedChannel<int32_t, 1>;

// The three channels of a colour error row: red, green, blue per pixel.
struct ColorErrorRow {
    explicit ColorErrorRow(uint8_t* errorRow)
        : red(reinterpret_cast<int16_t*>(errorRow)),
          green(reinterpret_cast<int16_t*>(errorRow) + 1),
          blue(reinterpret_cast<int16_t*>(errorRow) + 2)
    {
    }
    void Finish()
    {
        red.Finish();
        green.Finish();
        blue.Finish();
    }
    ColorErrorChannel red;
    ColorErrorChannel green;
    ColorErrorChannel blue;
};

inline GreyErrorChannel GreyErrorRow(uint8_t* errorRow)
{
    return GreyErrorChannel(reinterpret_cast<int32_t*>(errorRow));
}

// Two-level quantisation of one diffused channel: light at 128 or more.
// Returns whether the value is light and stores its error against 255 or 0.
constexpr bool QuantizeLightDark(int value, int& error)
{
    if (value >= 128) {
        error = value - 255;
        return true;
    }
    error = value;
    return false;
}

}  // namespace dibdraw
