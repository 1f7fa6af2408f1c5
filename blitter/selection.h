// Converter selection: the converter of a blit from the registry, by display
// depth, source depth, mapped choice, dither mode and grey colour table, and
// the per-blit display preparation that decides the mapped choice.
#pragma once

#include <cstdint>

#include "convert/registry.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibdraw {

// A choice of converter: the result, and on success the entry stored in
// m_convert.
struct ConverterChoice {
    short result = kBlitUnsupported;
    const ConverterEntry* converter = nullptr;
};

// AssignBlitterFn's work: chooses the converter for `srcBits` on the object's
// display, asking for the mapped converters when `mapped`, and stores it in
// m_convert; a failed choice leaves m_convert as it was.
ConverterChoice ChooseConverter(VyrBlitter* blitter, int srcBits, bool mapped);

// PrepareDisplay's work, with the converter chosen.
ConverterChoice PrepareDisplayFor(VyrBlitter* blitter, HDC dc, int srcBits);

short PrepareDisplay(VyrBlitter* blitter, HDC dc, int srcBits);
int IsDisplayOrderSwapped();
short IsGrayPalette(const uint8_t* triples, int count, int tolerance);

}  // namespace dibdraw
