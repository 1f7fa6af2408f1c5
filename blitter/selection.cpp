#include "blitter/selection.h"

#include <cstdint>

#include "core/probes.h"
#include "dibdraw32/Diagnostics.h"
#include "palette/tracking.h"

namespace dibdraw {

// Defined beside the converters of each display depth.
extern const DisplayTable kMonoTable;
extern const DisplayTable kVga16Table;
extern const DisplayTable kPalette8Table;
extern const DisplayTable kTrueColorTable;
extern const DisplayTable kTrueColorSwappedTable;

namespace {

int SourceColumn(int srcBits)
{
    switch (srcBits) {
    case 1:
        return 0;
    case 4:
        return 1;
    case 8:
        return 2;
    case 24:
        return 3;
    default:
        return -1;
    }
}

const DisplayTable* TableFor(int displayDepth, bool swapped)
{
    switch (displayDepth) {
    case 1:
        return &kMonoTable;
    case 4:
        return &kVga16Table;
    case 8:
        return &kPalette8Table;
    case 24:
        return swapped ? &kTrueColorSwappedTable : &kTrueColorTable;
    default:
        return nullptr;
    }
}

const DisplayTable* const kAllTables[] = {&kMonoTable, &kVga16Table, &kPalette8Table,
                                          &kTrueColorTable, &kTrueColorSwappedTable};

// The dither mode whose column of the tables holds a converter: 0..3, -1 for
// a converter that serves every mode or a mapped source, -2 for one that no
// table holds.
int DitherModeOf(BlitterFn converter)
{
    for (const DisplayTable* table : kAllTables) {
        for (const SourceCell& cell : table->cells) {
            for (int mode = 0; mode < 4; ++mode) {
                if (cell.byMode[mode].fn == converter || cell.byModeGray[mode].fn == converter) {
                    return mode;
                }
            }
            if (cell.mapped.fn == converter || cell.anyMode.fn == converter) {
                return -1;
            }
        }
    }
    return -2;
}

}  // namespace

ConverterReach ReachOf(const VyrBlitter& blitter)
{
    ConverterReach reach;
    switch (DitherModeOf(blitter.m_convert)) {
    case -1:
    case 1:
        break;
    case 0:
        reach.columnPeriod = blitter.m_ditherColsMod > 0 ? blitter.m_ditherColsMod : 1;
        break;
    case 3:
        reach.columnPeriod = 8;
        break;
    default:
        // Diffusion, or a converter of unknown reach, which is treated alike.
        reach.diffuses = true;
        break;
    }
    return reach;
}

const DisplayTable& ConverterTable(int displayDepth, bool swapped)
{
    static const DisplayTable kNoConverters = {"unsupported", {}};
    const DisplayTable* table = TableFor(displayDepth, swapped);
    return table != nullptr ? *table : kNoConverters;
}

int IsDisplayOrderSwapped()
{
    uint8_t pixel[4] = {};
    ReadBackDisplayPixel(255, 0, 0, pixel);
    return pixel[0] != 0 ? 1 : 0;
}

short IsGrayPalette(const uint8_t* triples, int count, int tolerance)
{
    for (int i = 0; i < count; ++i) {
        const int red = triples[3 * i];
        const int green = triples[3 * i + 1];
        const int blue = triples[3 * i + 2];
        const int mean = (red + green + blue) / 3;
        if (red - mean > tolerance || mean - red > tolerance || green - mean > tolerance ||
            mean - green > tolerance || blue - mean > tolerance || mean - blue > tolerance) {
            return 0;
        }
    }
    return 1;
}

short PrepareDisplay(VyrBlitter* blitter, HDC dc, int srcBits)
{
    switch (blitter->m_displayDepth) {
    case 4:
        return SyncPalette4(blitter, dc, srcBits);
    case 8:
        return SyncPalette8(blitter, dc, srcBits);
    default:
        return blitter->AssignBlitterFn(srcBits, blitter->m_paletteMode);
    }
}

}  // namespace dibdraw

using namespace dibdraw;

short VyrBlitter::AssignBlitterFn(int srcBits, int flag)
{
    bool swapped = false;
    if (m_displayDepth == 24) {
        swapped = IsDisplayOrderSwapped() != 0;
    }
    const DisplayTable* table = TableFor(m_displayDepth, swapped);
    const int column = SourceColumn(srcBits);
    if (table == nullptr || column < 0) {
        return kBlitUnsupported;
    }
    const SourceCell& cell = table->cells[column];

    BlitterFn chosen = nullptr;
    if (flag != 0 && cell.mapped.fn != nullptr) {
        chosen = cell.mapped.fn;
    } else if (cell.anyMode.fn != nullptr) {
        chosen = cell.anyMode.fn;
    } else if (m_ditherMode >= 0 && m_ditherMode < 4) {
        const ConverterEntry& grey = cell.byModeGray[m_ditherMode];
        const int paletteSize = srcBits == 4 ? 16 : 256;
        if (grey.fn != nullptr && m_imagePalette != nullptr &&
            IsGrayPalette(m_imagePalette, paletteSize, 0) != 0) {
            chosen = grey.fn;
        } else {
            chosen = cell.byMode[m_ditherMode].fn;
        }
    }
    if (chosen == nullptr) {
        return kBlitUnsupported;
    }
    m_convert = chosen;
    return kBlitOk;
}

const char* ConverterName(BlitterFn converter)
{
    if (converter == nullptr) {
        return "none";
    }
    for (const DisplayTable* table : kAllTables) {
        for (const SourceCell& cell : table->cells) {
            if (cell.mapped.fn == converter) {
                return cell.mapped.name;
            }
            if (cell.anyMode.fn == converter) {
                return cell.anyMode.name;
            }
            for (int mode = 0; mode < 4; ++mode) {
                if (cell.byMode[mode].fn == converter) {
                    return cell.byMode[mode].name;
                }
                if (cell.byModeGray[mode].fn == converter) {
                    return cell.byModeGray[mode].name;
                }
            }
        }
    }
    return "unknown";
}

const char* BlitResultText(short result)
{
    switch (result) {
    case kBlitOk:
        return "success";
    case kBlitNoMemory:
        return "out of memory";
    case kBlitUnsupported:
        return "unsupported bitmap, display or dither mode";
    default:
        return "unknown result";
    }
}
