#include "blitter/selection.h"

#include <cstdint>
#include <optional>

#include "core/probes.h"
#include "core/modes.h"
#include "dibdraw32/Diagnostics.h"
#include "palette/tracking.h"

namespace dibdraw {

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

namespace {

// The entry of a cell chosen by its dither mode: the grey variant where the
// display has one and the colour table is grey, which is tested only for a
// mode that exists.
const ConverterEntry* ChooseByMode(const VyrBlitter& blitter, int srcBits, bool swapped)
{
    const std::optional<DitherMode> mode = DitherModeOf(blitter.m_ditherMode);
    if (!mode) {
        return nullptr;
    }
    const int depth = blitter.m_displayDepth;
    const ConverterEntry* grey = FindConverter(depth, swapped, srcBits, Variant::GreyMode, *mode);
    const int paletteSize = srcBits == 4 ? 16 : 256;
    if (grey != nullptr && blitter.m_imagePalette != nullptr &&
        IsGrayPalette(blitter.m_imagePalette, paletteSize, 0) != 0) {
        return grey;
    }
    return FindConverter(depth, swapped, srcBits, Variant::Mode, *mode);
}

}  // namespace

ConverterChoice ChooseConverter(VyrBlitter* blitter, int srcBits, bool mapped)
{
    const int depth = blitter->m_displayDepth;
    // True-colour displays are probed on every choice, whatever the source.
    const bool swapped = depth == 24 && IsDisplayOrderSwapped() != 0;
    const ConverterEntry* chosen = mapped ? FindConverter(depth, swapped, srcBits, Variant::Mapped) : nullptr;
    if (chosen == nullptr) {
        chosen = FindConverter(depth, swapped, srcBits, Variant::AnyMode);
    }
    if (chosen == nullptr) {
        chosen = ChooseByMode(*blitter, srcBits, swapped);
    }
    if (chosen == nullptr) {
        return {};
    }
    blitter->m_convert = chosen->fn;
    return {kBlitOk, chosen};
}

// On palette displays the tracking brings the palette and the colour map up
// to date and decides whether the image's colours are mapped; on 256 colours
// the converter is chosen before the palette is touched, so that an
// unsupported blit changes nothing.
ConverterChoice PrepareDisplayFor(VyrBlitter* blitter, HDC dc, int srcBits)
{
    const int depth = blitter->m_displayDepth;
    if (depth == 8) {
        const bool asked = AsksForImageColors(blitter->m_paletteMode, 8);
        const ConverterChoice first = ChooseConverter(blitter, srcBits, asked);
        if (first.result != kBlitOk) {
            return first;
        }
        const PaletteDecision decision = SyncPalette8(blitter, dc, srcBits);
        if (decision.result != kBlitOk) {
            return {decision.result, nullptr};
        }
        // The tracking changes neither the colour table nor the dither mode,
        // so the first choice stands unless the mapped choice changed.
        return decision.mapped == asked ? first : ChooseConverter(blitter, srcBits, decision.mapped);
    }
    if (depth == 4) {
        const PaletteDecision decision = SyncPalette4(blitter, dc, srcBits);
        return decision.result == kBlitOk ? ChooseConverter(blitter, srcBits, decision.mapped)
                                          : ConverterChoice{decision.result, nullptr};
    }
    return ChooseConverter(blitter, srcBits, AsksForImageColors(blitter->m_paletteMode, depth));
}

short PrepareDisplay(VyrBlitter* blitter, HDC dc, int srcBits)
{
    return PrepareDisplayFor(blitter, dc, srcBits).result;
}

}  // namespace dibdraw

using namespace dibdraw;

short VyrBlitter::AssignBlitterFn(int srcBits, int flag)
{
    return ChooseConverter(this, srcBits, flag != 0).result;
}

const char* ConverterName(BlitterFn converter)
{
    if (converter == nullptr) {
        return "none";
    }
    const ConverterEntry* entry = EntryOf(converter);
    return entry != nullptr ? entry->name : "unknown";
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
