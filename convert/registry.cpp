#include "convert/registry.h"

namespace dibdraw {

// Each defined at the end of its display's converters file.
extern const std::span<const ConverterEntry> kMonoConverters;
extern const std::span<const ConverterEntry> kVga16Converters;
extern const std::span<const ConverterEntry> kPalette8Converters;
extern const std::span<const ConverterEntry> kTrueColorConverters;

namespace {

// Addresses, so that the list is complete before any constructor runs.
const std::span<const ConverterEntry>* const kSections[] = {&kMonoConverters, &kVga16Converters,
                                                           &kPalette8Converters, &kTrueColorConverters};

template <typename Matches>
const ConverterEntry* FirstEntry(Matches&& matches)
{
    for (const std::span<const ConverterEntry>* section : kSections) {
        for (const ConverterEntry& entry : *section) {
            if (matches(entry)) {
                return &entry;
            }
        }
    }
    return nullptr;
}

}  // namespace

ConverterReach ReachOf(const ConverterEntry& entry, int32_t objectColumnPeriod)
{
    if (!entry.DependsOnMode()) {
        return {};
    }
    const DitherTraits& traits = TraitsOf(entry.mode);
    if (traits.diffuses) {
        return {.diffuses = true};
    }
    if (traits.columnPeriod == 0) {
        return {.columnPeriod = objectColumnPeriod > 0 ? objectColumnPeriod : 1};
    }
    return {.columnPeriod = traits.columnPeriod};
}

const ConverterEntry* FindConverter(int displayDepth, bool swapped, int srcBits, Variant variant, DitherMode mode)
{
    const bool swappedCounts = displayDepth == 24;
    return FirstEntry([&](const ConverterEntry& entry) {
        return entry.displayDepth == displayDepth && entry.srcBits == srcBits && entry.variant == variant &&
               (!swappedCounts || entry.swapped == swapped) && (!entry.DependsOnMode() || entry.mode == mode);
    });
}

std::array<std::span<const ConverterEntry>, 4> ConverterSections()
{
    return {*kSections[0], *kSections[1], *kSections[2], *kSections[3]};
}

const ConverterEntry* EntryOf(BlitterFn fn)
{
    return FirstEntry([&](const ConverterEntry& entry) { return entry.fn == fn; });
}

const ConverterEntry* EntryNamed(std::string_view name)
{
    return FirstEntry([&](const ConverterEntry& entry) { return name == entry.name; });
}

}  // namespace dibdraw
