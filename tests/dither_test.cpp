// The matrix row walk shared by the ordered dither modes: the entries it
// yields column by column must be the stored matrix's, read column-major.
#include <gtest/gtest.h>

#include <cstdint>

#include "convert/dither.h"

namespace {

using dibdraw::MatrixRow;

void SetDistinctEntries(VyrBlitter& blitter, int32_t rowCounter, uint8_t rows, uint8_t columns)
{
    for (int entry = 0; entry < 64; ++entry) {
        blitter.m_ditherMatrix[entry] = static_cast<uint8_t>(200 - 3 * entry);
    }
    blitter.m_rowCounter = rowCounter;
    blitter.m_ditherRowsMod = rows;
    blitter.m_ditherColsMod = columns;
}

TEST(MatrixRow, PeriodicWalkRepeatsWithTheColumnPeriodOnTheRowOfTheCounter)
{
    for (uint8_t rows = 1; rows <= 8; ++rows) {
        for (uint8_t columns = 1; columns <= 8; ++columns) {
            for (int32_t rowCounter : {0, 1, 5, 7, 8, 13, 1000}) {
                VyrBlitter blitter(0, 0);
                SetDistinctEntries(blitter, rowCounter, rows, columns);
                MatrixRow matrix = MatrixRow::Periodic(blitter);
                ASSERT_EQ(matrix.Columns(), columns);
                for (int column = 0; column < 3 * columns + 2; ++column) {
                    const int stored = (column % columns) * rows + rowCounter % rows;
                    ASSERT_EQ(matrix.NextEntry(), blitter.m_ditherMatrix[stored])
                        << "periods " << int{rows} << " x " << int{columns} << ", row " << rowCounter << ", column "
                        << column;
                }
            }
        }
    }
}

TEST(MatrixRow, Fixed8x8WalkIgnoresTheObjectPeriods)
{
    for (int32_t rowCounter : {0, 3, 7, 8, 21}) {
        VyrBlitter blitter(3, 0);
        SetDistinctEntries(blitter, rowCounter, 3, 5);
        MatrixRow matrix = MatrixRow::Fixed8x8(blitter);
        ASSERT_EQ(matrix.Columns(), 8);
        for (int column = 0; column < 20; ++column) {
            ASSERT_EQ(matrix.NextEntry(), blitter.m_ditherMatrix[(column & 7) * 8 + (rowCounter & 7)])
                << "row " << rowCounter << ", column " << column;
        }
    }
}

TEST(MatrixRow, OffsetIsTheEntryReadAsSigned)
{
    VyrBlitter blitter(0, 0);
    SetDistinctEntries(blitter, 0, 1, 2);
    blitter.m_ditherMatrix[0] = 0xF0;
    blitter.m_ditherMatrix[1] = 0x10;
    MatrixRow matrix = MatrixRow::Periodic(blitter);
    EXPECT_EQ(matrix.NextOffset(), -16);
    EXPECT_EQ(matrix.NextOffset(), 16);
    EXPECT_EQ(matrix.NextOffset(), -16);
}

}  // namespace
