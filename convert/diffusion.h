// Floyd-Steinberg error diffusion, shared by every converter family that
// diffuses. Rows are walked left to right; each channel keeps the error of
// its left neighbour in a local carry and passes 3/16, 5/16 and 1/16 down
// through the error row, whose entry i holds, when the next row reaches it,
// 5 e(i) + e(i-1) + 3 e(i+1) of the row above, not yet divided by 16.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "convert/kernels.h"
#include "convert/pixel_source.h"

namespace dibdraw {

// One channel of the error row. `Term` is int16_t for colour rows (three
// interleaved channels, stride 3) and int32_t for grey and monochrome rows.
// The entry of the latest pixel stays in a register until the next pixel has
// added its 3/16 share, so each entry is stored once and the loop has no
// test for the first pixel: its share to the left goes to its own entry,
// which it has read already and the second pixel overwrites. Finish stores
// the last entry; it is for rows of at least one pixel.
template <typename Term, int Stride>
class DiffusedChannel {
public:
    explicit DiffusedChannel(Term* errors) : m_errors(errors), m_held(errors) {}

    // The pixel's value with the carried errors added, clamped to 0..255.
    int Adjust(int value, int32_t i) const
    {
        return ClampChannel(value + ((7 * m_carry + Incoming(i)) >> 4));
    }

    // Entry i as the row above left it.
    int Incoming(int32_t i) const { return m_errors[i * Stride]; }

    // Distributes the quantisation error of pixel i.
    void Record(int error, int32_t i) { Spread(TruncateError(error), i); }

    // Distributes the already truncated error of pixel i.
    void Spread(int error, int32_t i)
    {
        *m_held = static_cast<Term>(m_heldValue + 3 * error);
        m_held = m_errors + i * Stride;
        m_heldValue = 5 * error + m_carry;
        m_carry = error;
    }

    // Entries first.. as the row above left them, for a run not yet spread.
    const Term* IncomingRun(int32_t first) const { return m_errors + first * Stride; }

    // Spreads the errors of pixels first..first+count-1 as Spread would one
    // by one, where outcomes[j] >> 3 is the truncated error of pixel first + j.
    // For grey rows, runs of a multiple of 8 pixels up to kDiffusionRunPixels.
    void SpreadRun(const KernelSet& kernels, const int16_t* outcomes, int32_t first, int32_t count)
    {
        static_assert(std::is_same_v<Term, int32_t> && Stride == 1, "grey runs are summed by their kernel");
        OpenRun(outcomes);
        kernels.diffusion.sumRunErrors(outcomes, m_carry, m_errors + first, count);
        CloseRun(outcomes, first, count);
    }

    // A run's entries are summed by a kernel from the carry before the run
    // and the truncated errors outcomes[j * Stride] >> 3 of its pixels. First
    // OpenRun completes the entry before the run, which at the start of a row
    // is the run's first, for the kernel to overwrite.
    void OpenRun(const int16_t* outcomes) { *m_held = static_cast<Term>(m_heldValue + 3 * (outcomes[0] >> 3)); }

    int Carry() const { return m_carry; }

    // After the kernel: holds the run's last entry, written without its right
    // share, which the next pixel's Spread, or Finish, overwrites as for any
    // pixel.
    void CloseRun(const int16_t* outcomes, int32_t first, int32_t count)
    {
        const int last = outcomes[(count - 1) * Stride] >> 3;
        const int beforeLast = count > 1 ? outcomes[(count - 2) * Stride] >> 3 : m_carry;
        m_held = m_errors + (first + count - 1) * Stride;
        m_heldValue = 5 * last + beforeLast;
        m_carry = last;
    }

    // Stores the entry of the last pixel recorded.
    void Finish() { *m_held = static_cast<Term>(m_heldValue); }

private:
    Term* m_errors;
    Term* m_held;
    int m_heldValue = 0;
    int m_carry = 0;
};

using ColorErrorChannel = DiffusedChannel<int16_t, 3>;
using GreyErrorChannel = DiffusedChannel<int32_t, 1>;

// The three channels of a colour error row, red, green and blue per pixel,
// each a `Channel` over int16_t terms with stride 3.
template <typename Channel>
struct ColorChannels {
    explicit ColorChannels(uint8_t* errorRow)
        : red(reinterpret_cast<int16_t*>(errorRow)),
          green(reinterpret_cast<int16_t*>(errorRow) + 1),
          blue(reinterpret_cast<int16_t*>(errorRow) + 2),
          m_terms(reinterpret_cast<int16_t*>(errorRow))
    {
    }
    void Finish()
    {
        red.Finish();
        green.Finish();
        blue.Finish();
    }

    // Runs of a 24-bit row taken by the colour kernels, a multiple of 16
    // pixels up to kDiffusionRunPixels: indices[3 j + c] receives the step
    // index of channel c (red, green, blue) of pixel first + j.
    void RunStepIndices(const KernelSet& kernels, const uint8_t* bgr, int32_t first, int32_t count,
                        const StepIndexing& indexing, uint16_t* indices) const
    {
        kernels.diffusion.colorStepIndices(bgr + 3 * first, m_terms + 3 * first, indices, count, indexing);
    }

    // Spreads the errors of such a run as the channels' Spread would pixel by
    // pixel, where outcomes[3 j + c] >> 3 is channel c's truncated error of
    // pixel first + j.
    void SpreadRun(const KernelSet& kernels, const int16_t* outcomes, int32_t first, int32_t count)
    {
        ColorErrorChannel* channels[3] = {&ErrorsOf(red), &ErrorsOf(green), &ErrorsOf(blue)};
        int carries[3];
        for (int c = 0; c < 3; ++c) {
            channels[c]->OpenRun(outcomes + c);
            carries[c] = channels[c]->Carry();
        }
        kernels.diffusion.sumColorRunErrors(outcomes, carries, m_terms + 3 * first, count);
        for (int c = 0; c < 3; ++c) {
            channels[c]->CloseRun(outcomes + c, first, count);
        }
    }

    Channel red;
    Channel green;
    Channel blue;

private:
    static ColorErrorChannel& ErrorsOf(ColorErrorChannel& channel) { return channel; }
    template <typename Stepped>
    static ColorErrorChannel& ErrorsOf(Stepped& channel)
    {
        return channel.Errors();
    }

    int16_t* m_terms;
};

using ColorErrorRow = ColorChannels<ColorErrorChannel>;

inline GreyErrorChannel GreyErrorRow(uint8_t* errorRow)
{
    return GreyErrorChannel(reinterpret_cast<int32_t*>(errorRow));
}

// How far a channel's carried error reaches, for truncated errors within
// +-LargestError. The pixel's adjusted value is (16 v + E[i] + 7 carry) >> 4,
// clamped, and the part 16 v + E[i], the base, is known before the carry is.
// Beyond the bounds below every carry gives the adjusted value 0, or 255, so
// a base clamped to them indexes a table of bounded size.
template <int LargestError>
struct CarryBounds {
    static constexpr int kCarryReach = 7 * LargestError;
    static constexpr int kLowestBase = -kCarryReach - 1;
    static constexpr int kHighestBase = 16 * 256 + kCarryReach;

    static constexpr int ClampBase(int base) { return std::clamp(base, kLowestBase, kHighestBase); }
};

// Diffusion forgets its carry: two carries fed the same pixels soon give the
// same error, and from then on the same steps. So a run is cut into parts
// stepped side by side, one chain each: the front part from the true carry,
// every other part from a carry of zero taken some pixels before the part,
// by which it has mostly become the true one. Part by part, the true carry
// at a part's start is then compared with its chain's; where they differ,
// the true carry walks on into the part, redoing pixels until an error
// agrees with the chain's, and every step after that one was already taken
// from the true carry.
//
// A `Chain` has a Carry type (value-initialized for zero, compared with ==)
// and an Outcome type, and
//   Step(carry, j)        the outcome of pixel j of the run from `carry`,
//                         moving the carry on;
//   Record(j, outcome)    keeps pixel j's outcome; Recorded(j) reads it;
//   SameError(a, b)       whether two outcomes of a pixel leave one carry.
// Steps pixels 0..count-1 from `carry`, recording every outcome as one chain
// would, and returns the carry after them.
template <typename Chain>
typename Chain::Carry StepInParts(const Chain& chain, typename Chain::Carry carry, int32_t count)
{
    using Carry = typename Chain::Carry;
    constexpr int kChains = 4;
    constexpr int32_t kWarmUpPixels = 16;
    if (count < 2 * kChains * kWarmUpPixels) {
        for (int32_t j = 0; j < count; ++j) {
            chain.Record(j, chain.Step(carry, j));
        }
        return carry;
    }
    // Every chain takes `length` steps; the front part takes what the others
    // leave, a few steps more at most.
    const int32_t length = (count + (kChains - 1) * kWarmUpPixels) / kChains;
    const int32_t part = length - kWarmUpPixels;
    const int32_t front = count - (kChains - 1) * part;
    // Chain k's step j is pixel firstStep[k] + j.
    int32_t firstStep[kChains] = {0};
    Carry carries[kChains] = {carry};
    for (int k = 1; k < kChains; ++k) {
        firstStep[k] = front + (k - 1) * part - kWarmUpPixels;
    }
    for (int32_t j = 0; j < kWarmUpPixels; ++j) {
        chain.Record(j, chain.Step(carries[0], j));
        for (int k = 1; k < kChains; ++k) {
            chain.Step(carries[k], firstStep[k] + j);
        }
    }
    Carry guessedCarries[kChains];
    for (int k = 1; k < kChains; ++k) {
        guessedCarries[k] = carries[k];
    }
    for (int32_t j = kWarmUpPixels; j < length; ++j) {
        for (int k = 0; k < kChains; ++k) {
            chain.Record(firstStep[k] + j, chain.Step(carries[k], firstStep[k] + j));
        }
    }
    for (int32_t j = length; j < front; ++j) {
        chain.Record(j, chain.Step(carries[0], j));
    }
    // Given the true carry at the start of a part, makes its outcomes the
    // true ones.
    carry = carries[0];
    for (int k = 1; k < kChains; ++k) {
        const int32_t begin = firstStep[k] + kWarmUpPixels;
        bool agreed = carry == guessedCarries[k];
        for (int32_t j = begin; j < begin + part && !agreed; ++j) {
            const auto fromGuess = chain.Recorded(j);
            const auto fromTruth = chain.Step(carry, j);
            chain.Record(j, fromTruth);
            agreed = Chain::SameError(fromTruth, fromGuess);
        }
        if (agreed) {
            carry = carries[k];
        }
    }
    return carry;
}

// Diffusion with the serial chain cut to one load per pixel, for channels
// whose shown value follows from their own adjusted value alone.
//
// The whole step from one carry to the next is a single look-up indexed by
// the sum of the clamped base and 7 carry.
//
// A `Rule` gives, for an adjusted value 0..255, Code(value): what the
// converter makes of it (light or dark, a cube level), and Shown(value): the
// channel value the display shows for it; its truncated errors lie within
// +-kLargestError.
template <typename Rule>
struct DiffusionSteps : CarryBounds<Rule::kLargestError> {
    using Bounds = CarryBounds<Rule::kLargestError>;
    using Bounds::kCarryReach;
    using Bounds::kHighestBase;
    using Bounds::kLowestBase;
    static constexpr int kLowestIndex = kLowestBase - kCarryReach;
    static constexpr int kHighestIndex = kHighestBase + kCarryReach;

    struct Step {
        // 7 times the truncated error, the next carry's term, as a distance in
        // bytes between steps: the next look-up adds it to an address.
        int16_t nextCarryOffset;
        int16_t outcome;  // 8 times the truncated error, plus the code (0..7)
    };

    static constexpr std::array<Step, kHighestIndex - kLowestIndex + 1> MakeSteps()
    {
        std::array<Step, kHighestIndex - kLowestIndex + 1> steps{};
        for (int index = kLowestIndex; index <= kHighestIndex; ++index) {
            const int value = ClampChannel(index >> 4);
            const int error = TruncateError(value - Rule::Shown(value));
            if (error > Rule::kLargestError || error < -Rule::kLargestError || Rule::Code(value) > 7) {
                throw "a rule's errors or codes exceed what it declares";
            }
            steps[static_cast<size_t>(index - kLowestIndex)] = {static_cast<int16_t>(7 * error * sizeof(Step)),
                                                                static_cast<int16_t>(8 * error + Rule::Code(value))};
        }
        return steps;
    }

    static constexpr std::array<Step, kHighestIndex - kLowestIndex + 1> kSteps = MakeSteps();

    static constexpr StepIndexing kIndexing = {kLowestBase, kHighestBase, kLowestIndex};

    // The step of a pixel's base 16 v + E[i].
    static constexpr size_t Index(int base) { return static_cast<size_t>(Bounds::ClampBase(base) - kLowestIndex); }
};

// One channel diffused through the steps of a rule.
template <typename Rule, typename Term, int Stride>
class SteppedChannel {
public:
    explicit SteppedChannel(Term* errors) : m_errors(errors) {}

    // The code of pixel i of value v; records its error.
    int Quantize(int value, int32_t i)
    {
        const int outcome = TakeStep(m_carryOffset, Steps::Index(16 * value + m_errors.Incoming(i)));
        m_errors.Spread(outcome >> 3, i);
        return outcome & 7;
    }

    // Pixels first..first+count-1 of values 0..255 at once, for grey rows
    // and runs of a multiple of 8 pixels up to kDiffusionRunPixels: their
    // steps are indexed first and their errors spread last, so that the loops
    // along the chain do nothing else. outcomes[j] receives pixel first + j's
    // code in its low 3 bits.
    void QuantizeRun(const KernelSet& kernels, const int16_t* values, int32_t first, int32_t count,
                     int16_t* outcomes)
    {
        uint16_t indices[kDiffusionRunPixels];
        kernels.diffusion.stepIndices(values, m_errors.IncomingRun(first), indices, count, Steps::kIndexing);
        StepRun(indices, count, outcomes);
        m_errors.SpreadRun(kernels, outcomes, first, count);
    }

    // The chains alone, over pixels whose step indices are indices[j *
    // Stride], writing their outcomes to outcomes[j * Stride]; the errors
    // are left to the caller to spread, through Errors().
    void StepRun(const uint16_t* indices, int32_t count, int16_t* outcomes)
    {
        m_carryOffset = StepInParts(RunChain{indices, outcomes}, m_carryOffset, count);
    }

    DiffusedChannel<Term, Stride>& Errors() { return m_errors; }

    static constexpr StepIndexing kIndexing = DiffusionSteps<Rule>::kIndexing;

    void Finish() { m_errors.Finish(); }

private:
    using Steps = DiffusionSteps<Rule>;

    // The chain of a run, for StepInParts: its carry is the next step's
    // offset, and its outcomes those of TakeStep.
    struct RunChain {
        using Carry = ptrdiff_t;
        using Outcome = int16_t;

        const uint16_t* indices;
        int16_t* outcomes;

        Outcome Step(Carry& carry, int32_t j) const { return TakeStep(carry, indices[j * Stride]); }
        void Record(int32_t j, Outcome outcome) const { outcomes[j * Stride] = outcome; }
        Outcome Recorded(int32_t j) const { return outcomes[j * Stride]; }
        static bool SameError(Outcome a, Outcome b) { return (a >> 3) == (b >> 3); }
    };

    // Takes step `index` from `carryOffset` and moves it on; returns 8
    // times the truncated error plus the code.
    static int16_t TakeStep(ptrdiff_t& carryOffset, size_t index)
    {
        // The step's address is known early; the carry's offset is added
        // last, inside each load, so that the chain from one carry to the
        // next is the load alone. Left alone the compiler adds the carry to
        // the index first, an addition more on the chain, so the address is
        // made opaque to it once it is formed; both fields are then read at
        // fixed displacements from it.
        const auto* at = reinterpret_cast<const char*>(&Steps::kSteps[index]);
        asm("" : "+r"(at));
        constexpr size_t kOutcomeAt = offsetof(typename Steps::Step, outcome);
        const int16_t outcome = *reinterpret_cast<const int16_t*>(at + carryOffset + kOutcomeAt);
        carryOffset = *reinterpret_cast<const int16_t*>(at + carryOffset);
        return outcome;
    }

    DiffusedChannel<Term, Stride> m_errors;
    ptrdiff_t m_carryOffset = 0;
};

// The three channels of a colour error row diffused through one rule.
template <typename Rule>
class SteppedColorRow : public ColorChannels<SteppedChannel<Rule, int16_t, 3>> {
public:
    using ColorChannels<SteppedChannel<Rule, int16_t, 3>>::ColorChannels;

    // Pixels first..first+count-1 of a 24-bit row at once, for runs of a
    // multiple of 16 pixels up to kDiffusionRunPixels: the step indices of
    // all three channels by vectors, then each channel's chains, then the
    // spread of the errors by vectors. outcomes[3 j + c] receives channel c's
    // (red, green, blue) outcome of pixel first + j, its code in the low 3
    // bits.
    void QuantizeRun(const KernelSet& kernels, const uint8_t* bgr, int32_t first, int32_t count, int16_t* outcomes)
    {
        uint16_t indices[3 * kDiffusionRunPixels];
        this->RunStepIndices(kernels, bgr, first, count, Channel::kIndexing, indices);
        this->red.StepRun(indices, count, outcomes);
        this->green.StepRun(indices + 1, count, outcomes + 1);
        this->blue.StepRun(indices + 2, count, outcomes + 2);
        this->SpreadRun(kernels, outcomes, first, count);
    }

    // The whole blocks of 16 at the start of a 24-bit row of `count` pixels,
    // in runs, each written by write(first, run, outcomes) from outcomes as
    // QuantizeRun leaves them, followed by one term more, so that a pixel's
    // three outcomes may be read as one eight-byte word. Returns how many
    // pixels that was.
    template <typename Write>
    int32_t QuantizeBlocks(const uint8_t* bgr, int32_t count, Write&& write)
    {
        const KernelSet& kernels = ActiveKernels();
        const int32_t blocks = count / kDitherBlockPixels * kDitherBlockPixels;
        int16_t outcomes[3 * kDiffusionRunPixels + 1] = {};
        for (int32_t first = 0; first < blocks; first += kDiffusionRunPixels) {
            const int32_t run = std::min(kDiffusionRunPixels, blocks - first);
            QuantizeRun(kernels, bgr, first, run, outcomes);
            write(first, run, static_cast<const int16_t*>(outcomes));
        }
        return blocks;
    }

private:
    using Channel = SteppedChannel<Rule, int16_t, 3>;
};

// Two levels: light at 128 or more, shown as 255, otherwise dark, shown as 0.
struct LightDarkRule {
    static constexpr int kLargestError = 124;
    static constexpr int Code(int value) { return value >= 128 ? 1 : 0; }
    static constexpr int Shown(int value) { return value >= 128 ? 255 : 0; }
};

}  // namespace dibdraw
