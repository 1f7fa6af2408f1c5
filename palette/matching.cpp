// Nearest-colour search against the 256 colours of a reference palette, and
// the mean error of the resulting map.
#include "palette/matching.h"

#include "core/heap.h"
#include "dibdraw32/BlitResult.h"

namespace dibdraw {

namespace {

// Halved differences keep every square below 16385 and the sum of three below
// the starting best, so the search runs in 16-bit quantities.
inline int HalvedDifference(int a, int b)
{
    return (a - b) >> 1;
}

// Red, then blue, then green. A partial sum only rejects a candidate when it
// already exceeds the best; a full sum replaces the best only when strictly
// smaller, so among equally near colours the lowest index stands.
uint8_t NearestIndex(const uint8_t* color, const uint8_t* reference)
{
    const int red = color[0];
    const int green = color[1];
    const int blue = color[2];
    int best = 65535;
    int bestIndex = 0;
    for (int j = 0; j < 256; ++j) {
        const uint8_t* entry = reference + 3 * j;
        const int dRed = HalvedDifference(red, entry[0]);
        int sum = dRed * dRed;
        if (sum > best) {
            continue;
        }
        const int dBlue = HalvedDifference(blue, entry[2]);
        sum += dBlue * dBlue;
        if (sum > best) {
            continue;
        }
        const int dGreen = HalvedDifference(green, entry[1]);
        sum += dGreen * dGreen;
        if (sum >= best) {
            continue;
        }
        best = sum;
        bestIndex = j;
    }
    return static_cast<uint8_t>(bestIndex);
}

}  // namespace

short MatchColors(const uint8_t* colors, const uint8_t* reference, uint8_t* map, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        map[i] = NearestIndex(colors + 3 * i, reference);
    }
    return kBlitOk;
}

short MatchQuadColors(const RGBQUAD* colors, const uint8_t* reference, uint8_t* map, int32_t count)
{
    if (count <= 0) {
        return kBlitOk;
    }
    uint8_t* triples = AllocBlock(3 * static_cast<uint32_t>(count));
    if (triples == nullptr) {
        return kBlitNoMemory;
    }
    for (int32_t i = 0; i < count; ++i) {
        triples[3 * i] = colors[i].rgbRed;
        triples[3 * i + 1] = colors[i].rgbGreen;
        triples[3 * i + 2] = colors[i].rgbBlue;
    }
    const short result = MatchColors(triples, reference, map, count);
    FreeBlock(triples);
    return result;
}

// The sum of the first k odd numbers is k * k. The sum is kept in 64 bits so
// that inputs near the top of the range cannot overflow it.
int32_t IntSqrt(int32_t n)
{
    int64_t sum = 0;
    int64_t odd = 1;
    int32_t k = 0;
    while (sum < n) {
        sum += odd;
        odd += 2;
        ++k;
    }
    return sum == n ? k : k - 1;
}

int32_t MatchError(const uint8_t* colors, const uint8_t* reference, const uint8_t* map, int32_t count)
{
    if (count <= 0) {
        return 0;
    }
    int32_t total = 0;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* color = colors + 3 * i;
        const uint8_t* entry = reference + 3 * map[i];
        const int dRed = color[0] - entry[0];
        const int dGreen = color[1] - entry[1];
        const int dBlue = color[2] - entry[2];
        total += IntSqrt(dRed * dRed + dGreen * dGreen + dBlue * dBlue);
    }
    return total / count;
}

}  // namespace dibdraw
