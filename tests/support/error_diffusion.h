// Floyd–Steinberg error diffusion as the converters do it, written pixel by
// pixel: the slow reference every diffusing converter is checked against.
// What differs between them is how many channels diffuse (one for the
// luminance and grey converters, three for the colour ones) and the
// quantizer, which the caller supplies.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace testsupport {

// value / divisor rounded toward minus infinity.
inline int FloorDiv(int value, int divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

// The error a pixel passes on: truncated toward zero to a multiple of 4.
inline int TowardZeroMultipleOf4(int error)
{
    const int magnitude = std::abs(error) - std::abs(error) % 4;
    return error < 0 ? -magnitude : magnitude;
}

// One error row carried from row to row. A pixel receives 7/16 of the error
// of its left neighbour (the carry) plus what the row above left in its
// entry; its own error then goes 3/16 down-left, 5/16 down and 7/16 right,
// and the row entry holds those sixteenths unsummed until the next row:
// 3 × the right neighbour's error + 5 × its own + 1 × its left neighbour's.
class ErrorDiffusionReference {
public:
    // Channel values of a pixel; only the first `channels` take part.
    using Levels = std::array<int, 3>;

    ErrorDiffusionReference(int width, int channels)
        : m_channels(channels), m_below(static_cast<size_t>(std::max(width, 0)), Levels{0, 0, 0})
    {
    }

    // Diffuses `count` pixels. `source(i)` gives pixel i's levels;
    // `quantize(i, levels)` receives them with the error added and clamped,
    // records the pixel it chooses, and returns the levels that pixel shows.
    template <class Source, class Quantize>
    void Row(int count, Source source, Quantize quantize)
    {
        Levels carry = {0, 0, 0};
        for (int i = 0; i < count; ++i) {
            Levels wanted = source(i);
            Levels& below = m_below[static_cast<size_t>(i)];
            for (int c = 0; c < m_channels; ++c) {
                wanted[c] = std::clamp(wanted[c] + FloorDiv(7 * carry[c] + below[c], 16), 0, 255);
            }
            const Levels shown = quantize(i, wanted);
            for (int c = 0; c < m_channels; ++c) {
                const int error = TowardZeroMultipleOf4(wanted[c] - shown[c]);
                if (i > 0) {
                    m_below[static_cast<size_t>(i) - 1][c] += 3 * error;
                }
                below[c] = 5 * error + carry[c];
                carry[c] = error;
            }
        }
    }

    // The error row: entry i, channel c. Tests seed it and compare the
    // converter's with it.
    int& Error(int i, int channel) { return m_below[static_cast<size_t>(i)][static_cast<size_t>(channel)]; }
    int Error(int i, int channel) const { return m_below[static_cast<size_t>(i)][static_cast<size_t>(channel)]; }

private:
    int m_channels;
    std::vector<Levels> m_below;
};

// The error row one row leaves behind from its pixels' errors (truncated),
// spelled out for the worked cases: e(i-1) + 5 e(i) + 3 e(i+1).
inline std::vector<int> ErrorRowAfter(const std::vector<int>& errors)
{
    const size_t n = errors.size();
    std::vector<int> row(n);
    for (size_t i = 0; i < n; ++i) {
        row[i] = (i > 0 ? errors[i - 1] : 0) + 5 * errors[i] + (i + 1 < n ? 3 * errors[i + 1] : 0);
    }
    return row;
}

// The two-level quantizer of the monochrome and 16-colour displays: a channel
// is light from 128 on, and then shows 255.
inline bool Light(int level)
{
    return level >= 128;
}

inline int TwoLevelShown(int level)
{
    return Light(level) ? 255 : 0;
}

}  // namespace testsupport
