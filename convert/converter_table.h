// The tables the converters are chosen from: for each kind of display, the
// converters of each source depth, keyed by mapped flag, dither mode and grey
// colour table. Each display's converters file defines its own table.
#pragma once

#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

struct ConverterEntry {
    BlitterFn fn = nullptr;  // null: explicitly unsupported
    const char* name = nullptr;
};

// A table entry naming the converter it holds: a function or a BlitterFn constant.
#define DIBDRAW_CONVERTER(fn) ::dibdraw::ConverterEntry{fn, #fn}

// The entries of dither modes 0..3 of a family member list named
// <prefix>Mode0..3, or <prefix>Mode0Gray..3Gray for grey colour tables.
#define DIBDRAW_MODES(prefix)                                                                            \
    {DIBDRAW_CONVERTER(prefix##Mode0), DIBDRAW_CONVERTER(prefix##Mode1), DIBDRAW_CONVERTER(prefix##Mode2), \
     DIBDRAW_CONVERTER(prefix##Mode3)}
#define DIBDRAW_GREY_MODES(prefix)                                                                       \
    {DIBDRAW_CONVERTER(prefix##Mode0Gray), DIBDRAW_CONVERTER(prefix##Mode1Gray),                         \
     DIBDRAW_CONVERTER(prefix##Mode2Gray), DIBDRAW_CONVERTER(prefix##Mode3Gray)}

// The converters for one source depth on one kind of display.
struct SourceCell {
    ConverterEntry mapped = {};         // flag != 0; null fn: the flag is not consulted
    ConverterEntry anyMode = {};        // serves every dither mode; null fn: chosen by mode
    ConverterEntry byMode[4] = {};      // dither modes 0..3
    ConverterEntry byModeGray[4] = {};  // the same for a grey colour table; null fn: no grey test
};

// Cells for source depths 1, 4, 8 and 24, in that order.
struct DisplayTable {
    const char* display = nullptr;
    SourceCell cells[4] = {};
};

}  // namespace dibdraw
