// The ordered dither modes shared by the palettized displays. Mode 0 uses the
// object's own periods, mode 3 a fixed 8 x 8 period. The matrix is stored
// column-major: the entry of row r and column c sits at c * period + r. One
// output row fixes the matrix row, so a row's entries are found once and then
// walked column by column from the left edge of the destination.
#pragma once

#include <cstdint>

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

class MatrixRow {
public:
    // Mode 0: the row and column periods the object was given.
    static MatrixRow Periodic(const VyrBlitter& blitter)
    {
        const unsigned rows = blitter.m_ditherRowsMod;
        return MatrixRow(blitter.m_ditherMatrix + static_cast<uint32_t>(blitter.m_rowCounter) % rows,
                         static_cast<int32_t>(rows), blitter.m_ditherColsMod);
    }

    // Mode 3: the fixed 8 x 8 period.
    static MatrixRow Fixed8x8(const VyrBlitter& blitter)
    {
        return MatrixRow(blitter.m_ditherMatrix + (blitter.m_rowCounter & 7), 8, 8);
    }

    int32_t Columns() const { return m_columns; }

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

// The four dither modes, by the meaning of the object's mode 0..3. Each
// display's converter family is a template over one of these; the ordered
// modes give the matrix row of the output row.
struct PeriodicDither {
    static MatrixRow Row(const VyrBlitter& blitter) { return MatrixRow::Periodic(blitter); }
};
struct NoDither {};
struct ErrorDiffusion {};
struct Fixed8x8Dither {
    static MatrixRow Row(const VyrBlitter& blitter) { return MatrixRow::Fixed8x8(blitter); }
};

}  // namespace dibdraw
