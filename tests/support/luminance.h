// The luminance the library gives a colour, from the weights 30, 59 and 11
// per cent, each channel's share rounded on its own: the rule the converters'
// tables and kernels are checked against.
#pragma once

namespace testsupport {

// weight% of v, to the nearest integer with halves going up.
inline int RoundedShare(int weightPercent, int v)
{
    const int product = weightPercent * v;
    return product / 100 + (product % 100 >= 50 ? 1 : 0);
}

inline int Luminance(int red, int green, int blue)
{
    return RoundedShare(30, red) + RoundedShare(59, green) + RoundedShare(11, blue);
}

}  // namespace testsupport
