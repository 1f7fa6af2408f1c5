#include "tools/display_kind.h"

#include <algorithm>
#include <iterator>

namespace dibtool {

namespace {

struct KindEntry {
    std::string_view name;
    DisplayKind kind;
    DisplayCaps caps;
};

constexpr KindEntry kKinds[] = {
    {"1", DisplayKind::Mono, {1, 1, false}},         {"4", DisplayKind::Packed4, {1, 4, false}},
    {"4p", DisplayKind::Planar4, {4, 1, false}},     {"8", DisplayKind::Palette8, {1, 8, true}},
    {"8rgb", DisplayKind::Rgb332, {1, 8, false}},    {"16", DisplayKind::Rgb565, {1, 16, false}},
    {"24", DisplayKind::Rgb24, {1, 24, false}},      {"32", DisplayKind::Rgb32, {1, 32, false}},
    {"2", DisplayKind::Grey2, {1, 2, false}},
};

const KindEntry& EntryOf(DisplayKind kind)
{
    return *std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindEntry& e) { return e.kind == kind; });
}

}  // namespace

std::string_view DisplayKindName(DisplayKind kind) { return EntryOf(kind).name; }

std::optional<DisplayKind> DisplayKindFromName(std::string_view name)
{
    const auto found =
        std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindEntry& e) { return e.name == name; });
    if (found == std::end(kKinds)) {
        return std::nullopt;
    }
    return found->kind;
}

DisplayCaps CapsOf(DisplayKind kind) { return EntryOf(kind).caps; }

}  // namespace dibtool
