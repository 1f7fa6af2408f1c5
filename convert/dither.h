// The dither modes shared by the palettized displays, and the one row core
// their converter families are written on.
//
// Of the ordered modes, DitherMode::Ordered uses the object's own periods
// and DitherMode::Ordered8x8 a fixed 8 x 8 period. The matrix is stored column-major: the entry of row r
// and column c sits at c * period + r. One output row fixes the matrix row,
// so a row's entries are found once and then walked column by column from
// the left edge of the destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>

#include "convert/block_dither.h"
#include "convert/pixel_source.h"
#include "core/modes.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

class MatrixRow {
public:
    // The row and column periods the object was given.
    static MatrixRow Periodic(const VyrBlitter& blitter)
    {
        const unsigned rows = blitter.m_ditherRowsMod;
        return MatrixRow(blitter.m_ditherMatrix + static_cast<uint32_t>(blitter.m_rowCounter) % rows,
                         static_cast<int32_t>(rows), blitter.m_ditherColsMod);
    }

    // The fixed 8 x 8 period.
    static MatrixRow Fixed8x8(const VyrBlitter& blitter)
    {
        return MatrixRow(blitter.m_ditherMatrix + (blitter.m_rowCounter & 7), 8, 8);
    }

    // One entry for every pixel.
    static MatrixRow Constant(const uint8_t* entry) { return MatrixRow(entry, 0, 1); }

    int32_t Columns() const { return m_columns; }

    // Fills `block` with the entries of the first N columns when the column
    // period divides N, so that every block of N columns repeats them (as
    // signed offsets for a signed Entry); returns false, filling nothing,
    // otherwise. For a row not yet walked; the walk itself does not move.
    template <typename Entry, size_t N>
    bool FirstBlock(Entry (&block)[N]) const
    {
        if (m_columns == 0 || N % static_cast<size_t>(m_columns) != 0) {
            return false;
        }
        MatrixRow walk = *this;
        for (Entry& entry : block) {
            entry = static_cast<Entry>(walk.NextEntry());
        }
        return true;
    }

    // The entry of the next column, as stored.
    uint8_t NextEntry()
    {
        const uint8_t entry = m_rowEntries[m_offset];
        m_offset += m_columnStride;
        if (++m_column == m_columns) {
            m_column = 0;
            m_offset = 0;
        }
        return entry;
    }

    // The entry of the next column read as a signed offset, for displays
    // that add it to each channel.
    int NextOffset() { return static_cast<int8_t>(NextEntry()); }

private:
    MatrixRow(const uint8_t* rowEntries, int32_t columnStride, int32_t columns)
        : m_rowEntries(rowEntries), m_columnStride(columnStride), m_columns(columns)
    {
    }

    const uint8_t* m_rowEntries;
    int32_t m_columnStride;
    int32_t m_columns;
    int32_t m_column = 0;
    int32_t m_offset = 0;
};

// The four dither modes as types, for the quantizer class template each
// palettized display has: its primary template serves both ordered modes
// through Mode::Row, and NoDither and ErrorDiffusion are its
// specializations.
struct PeriodicDither {
    static constexpr DitherMode kMode = DitherMode::Ordered;
    static MatrixRow Row(const VyrBlitter& blitter) { return MatrixRow::Periodic(blitter); }
};
struct NoDither {
    static constexpr DitherMode kMode = DitherMode::None;
};
struct ErrorDiffusion {
    static constexpr DitherMode kMode = DitherMode::ErrorDiffusion;
};
struct Fixed8x8Dither {
    static constexpr DitherMode kMode = DitherMode::Ordered8x8;
    static MatrixRow Row(const VyrBlitter& blitter) { return MatrixRow::Fixed8x8(blitter); }
};

// The type of each mode, in the order of the modes' values.
using DitherModeTypes = std::tuple<PeriodicDither, NoDither, ErrorDiffusion, Fixed8x8Dither>;
template <DitherMode M>
using DitherModeType = std::tuple_element_t<static_cast<size_t>(M), DitherModeTypes>;
static_assert(DitherModeType<DitherMode::Ordered>::kMode == DitherMode::Ordered &&
              DitherModeType<DitherMode::None>::kMode == DitherMode::None &&
              DitherModeType<DitherMode::ErrorDiffusion>::kMode == DitherMode::ErrorDiffusion &&
              DitherModeType<DitherMode::Ordered8x8>::kMode == DitherMode::Ordered8x8);

// The defaults of a quantizer: no vector kernel, and nothing to store when
// the row is done. A quantizer derives from this and adds
//   explicit Quantizer(const VyrBlitter&)   set up once per row;
//   Quantize(source, i)                     the output value of pixel i;
// and, where it has them, a LeadingBlocks that converts whole blocks at the
// start of the row and a Finish that stores what it still holds.
struct RowQuantizer {
    template <typename Source>
    static int32_t LeadingBlocks(const Source&, uint8_t*, int32_t)
    {
        return 0;
    }
    void Finish() {}
};

// The leading blocks of a row through a 24-bit vector kernel, called as
// kernel(row) and returning how many pixels it converted; other sources
// convert nothing here.
template <typename Source, typename Kernel>
int32_t Rgb24LeadingBlocks(const Source& source, const Kernel& kernel)
{
    if constexpr (std::is_same_v<Source, Rgb24Source>) {
        return kernel(source.row);
    } else {
        return 0;
    }
}

// The quantizer of the ordered modes, over a display's `Rule`: the matrix
// row that the output row fixes, the leading blocks of a 24-bit row through
// the rule's vector kernel, which takes the matrix entries of one block of
// columns (Rule::Block, an array of entries or a BlockDither), and the rule's
// value of each remaining pixel. A column period that does not divide the
// block leaves the whole row to the pixel loop. A rule has
//   explicit Rule(const VyrBlitter&)
//   Blocks(row, dst, count, block)    the kernel: how many pixels it took;
//   Quantize(source, i, matrix)       pixel i's value, taking its entry.
template <typename Mode, typename Rule>
class OrderedQuantizer : public RowQuantizer {
public:
    explicit OrderedQuantizer(const VyrBlitter& blitter) : m_rule(blitter), m_matrix(Mode::Row(blitter)) {}

    template <typename Source>
    int32_t LeadingBlocks(const Source& source, uint8_t* dst, int32_t count) const
    {
        typename Rule::Block block;
        bool filled = false;
        if constexpr (std::is_array_v<typename Rule::Block>) {
            filled = m_matrix.FirstBlock(block);
        } else {
            filled = m_matrix.FirstBlock(block.offsets);
        }
        if (!filled) {
            return 0;
        }
        return Rgb24LeadingBlocks(source, [&](const uint8_t* row) { return m_rule.Blocks(row, dst, count, block); });
    }

    template <typename Source>
    auto Quantize(const Source& source, int32_t i)
    {
        return m_rule.Quantize(source, i, m_matrix);
    }

private:
    Rule m_rule;
    MatrixRow m_matrix;
};

// The one core of every dithering converter family: a row of `Source`
// pixels through a display's `Quantizer` into output packed by `Writer`.
// Leading blocks end on a whole output byte; the remaining pixels are taken
// one by one, left to right, as error diffusion needs.
template <typename Quantizer, typename Writer, typename Source>
void QuantizeRow(VyrBlitter* blitter, const uint8_t* src, uint8_t* dst, int32_t count)
{
    if (count <= 0) {
        return;
    }
    const Source source = Source::Open(*blitter, src);
    Quantizer quantizer(*blitter);
    const int32_t done = quantizer.LeadingBlocks(source, dst, count);
    Writer writer(dst + done / Writer::kPixelsPerByte);
    for (int32_t i = done; i < count; ++i) {
        writer.Put(quantizer.Quantize(source, i));
    }
    writer.Finish();
    quantizer.Finish();
}

}  // namespace dibdraw
