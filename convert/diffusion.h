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
template <typename Term, int Stride>
class DiffusedChannel {
public:
    explicit DiffusedChannel(Term* errors) : m_errors(errors) {}

    // The pixel's value with the carried errors added, clamped to 0..255.
    int Adjust(int value, int32_t i) const
    {
        return ClampChannel(value + ((7 * m_carry + m_errors[i * Stride]) >> 4));
    }

    // Distributes the quantisation error of pixel i.
    void Record(int error, int32_t i)
    {
        error = TruncateError(error);
        if (i > 0) {
            m_errors[(i - 1) * Stride] = static_cast<Term>(m_errors[(i - 1) * Stride] + 3 * error);
        }
        m_errors[i * Stride] = static_cast<Term>(5 * error + m_carry);
        m_carry = error;
    }

private:
    Term* m_errors;
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
inline bool QuantizeLightDark(int value, int& error)
{
    if (value >= 128) {
        error = value - 255;
        return true;
    }
    error = value;
    return false;
}

}  // namespace dibdraw
