// The system palette of the 256-colour display and the logical palettes that
// applications select and realize into it.
#include <algorithm>
#include <bit>
#include <cstring>

#include "display_state.h"

namespace vd::detail {

namespace {

// Colour lists compared as bytes, which Rgb is with no padding: compared
// colour by colour, a 256-colour palette and the system palette took 6 % of
// an 8-bit blit of 1920 x 1080 sent in bands of eight rows.
static_assert(sizeof(Rgb) == 3);

template <class Colors>
bool SameColors(const Colors& a, const Colors& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), sizeof(Rgb) * a.size()) == 0;
}

}  // namespace

void ResetSystemPalette(State& state)
{
    state.systemPalette.fill(Rgb{0, 0, 0});
    for (int s = 0; s < 20; ++s) {
        state.systemPalette[static_cast<size_t>(StaticIndex(s))] = kStaticColors[static_cast<size_t>(s)];
    }
}

ColorTableTranslation& TranslateColorTable(State& state, const DeviceContext& dc, Kind kind, const RGBQUAD* table,
                                           int count, int tableSize)
{
    count = std::clamp(count, 0, tableSize);
    const auto* tableBytes = reinterpret_cast<const uint8_t*>(table);
    const Palette& palette = SelectedPalette(state, &dc);
    ColorTableTranslation& last = state.lastTranslation;
    const bool unchanged = last.kind == kind && last.tableSize == tableSize &&
                           std::equal(last.table.begin(), last.table.end(), tableBytes,
                                      tableBytes + sizeof(RGBQUAD) * static_cast<size_t>(count)) &&
                           SameColors(last.paletteColors, palette.colors) &&
                           last.paletteSystemIndex == palette.systemIndex &&
                           SameColors(last.systemPalette, state.systemPalette);
    if (unchanged) {
        return last;
    }
    ColorMatcher match(state, &dc, kind);
    last.pixels.assign(static_cast<size_t>(tableSize), match(Rgb{0, 0, 0}));
    for (int i = 0; i < count; ++i) {
        last.pixels[static_cast<size_t>(i)] = match(Rgb{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue});
    }
    last.kind = kind;
    last.tableSize = tableSize;
    last.table.assign(tableBytes, tableBytes + sizeof(RGBQUAD) * static_cast<size_t>(count));
    last.paletteColors = palette.colors;
    last.paletteSystemIndex = palette.systemIndex;
    last.systemPalette = state.systemPalette;
    last.identity = true;
    last.fitsBytes = true;
    for (size_t k = 0; k < last.pixels.size(); ++k) {
        last.identity = last.identity && last.pixels[k] == k;
        last.fitsBytes = last.fitsBytes && last.pixels[k] <= UINT8_MAX;
        last.pixelBytes[k] = static_cast<uint8_t>(last.pixels[k]);
    }
    last.pixelPairs.clear();
    last.pixelsDrawn = 0;
    return last;
}

// A pair's index is two indices read as one 16-bit word, its entry two
// device pixels written as one: both laid out for a little-endian processor.
static_assert(std::endian::native == std::endian::little);

const uint16_t* PixelPairsOf(ColorTableTranslation& translation, int64_t pixels)
{
    // Building the pairs writes 128 KB, a few microseconds; looking 64 K
    // pixels up through them instead of one by one saves more than that.
    constexpr uint64_t kPairsPayFrom = 64 * 1024;
    if (!translation.fitsBytes || translation.identity) {
        return nullptr;
    }
    translation.pixelsDrawn += static_cast<uint64_t>(pixels);
    if (translation.pixelPairs.empty() && translation.pixelsDrawn >= kPairsPayFrom) {
        const std::array<uint8_t, 256>& bytes = translation.pixelBytes;
        translation.pixelPairs.resize(size_t{256} * 256);
        for (size_t second = 0; second < 256; ++second) {
            const auto high = static_cast<uint16_t>(bytes[second] << 8);
            for (size_t first = 0; first < 256; ++first) {
                translation.pixelPairs[second << 8 | first] = static_cast<uint16_t>(high | bytes[first]);
            }
        }
    }
    return translation.pixelPairs.empty() ? nullptr : translation.pixelPairs.data();
}

namespace {

constexpr int kFirstFree = 10;
constexpr int kLastFree = 245;

// The placed colours of a realization and where each sits. A colour is
// placed once only (later entries of that colour collapse onto it), so each
// colour has one index, the lowest.
class PlacedColors {
public:
    void Place(Rgb c, int index)
    {
        const uint32_t key = Key(c);
        uint32_t h = Slot(key);
        while (m_slots[h].key != 0 && m_slots[h].key != key) {
            h = (h + 1) & kMask;
        }
        if (m_slots[h].key == 0) {
            m_slots[h] = {key, index};
        }
    }
    int Find(Rgb c) const
    {
        const uint32_t key = Key(c);
        for (uint32_t h = Slot(key); m_slots[h].key != 0; h = (h + 1) & kMask) {
            if (m_slots[h].key == key) {
                return m_slots[h].index;
            }
        }
        return -1;
    }

private:
    static constexpr uint32_t kMask = 511;
    static uint32_t Key(Rgb c) { return 0x01000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }
    static uint32_t Slot(uint32_t key) { return ((key * 2654435761u) >> 20) & kMask; }
    struct Entry {
        uint32_t key;
        int index;
    };
    std::array<Entry, kMask + 1> m_slots{};
};

// Foreground realization: the middle of the system palette is given up and
// refilled entry by entry. An entry collapses onto an identical static or
// already placed colour, else takes the lowest free entry, else maps to the
// nearest colour placed. Returns how many system palette entries changed colour.
UINT RealizeInForeground(State& state, Palette& palette)
{
    PlacedColors placed;
    for (int index = 0; index < 256; ++index) {
        if (index < kFirstFree || index > kLastFree) {
            placed.Place(state.systemPalette[static_cast<size_t>(index)], index);
        }
    }
    int nextFree = kFirstFree;
    UINT changed = 0;
    palette.systemIndex.assign(palette.colors.size(), 0);
    for (size_t i = 0; i < palette.colors.size(); ++i) {
        const Rgb color = palette.colors[i];
        int index = placed.Find(color);
        if (index < 0 && nextFree <= kLastFree) {
            index = nextFree++;
            if (!(state.systemPalette[static_cast<size_t>(index)] == color)) {
                ++changed;
            }
            state.systemPalette[static_cast<size_t>(index)] = color;
            placed.Place(color, index);
        }
        if (index < 0) {
            // Nothing is free any more, so every entry has been placed.
            index = NearestIndex(state.systemPalette.data(), 256, color);
        }
        palette.systemIndex[i] = static_cast<uint8_t>(index);
    }
    return changed;
}

void RealizeInBackground(const State& state, Palette& palette)
{
    palette.systemIndex.resize(palette.colors.size());
    for (size_t i = 0; i < palette.colors.size(); ++i) {
        palette.systemIndex[i] =
            static_cast<uint8_t>(NearestIndex(state.systemPalette.data(), 256, palette.colors[i]));
    }
}

}  // namespace

}  // namespace vd::detail

using namespace vd::detail;
using vd::Kind;

namespace vd {

void SetSystemPaletteEntries(unsigned start, unsigned count, const PALETTEENTRY* entries)
{
    auto lock = Lock();
    State& state = TheState();
    if (state.config.kind != Kind::Palette8 || entries == nullptr) {
        return;
    }
    for (unsigned i = 0; i < count && start + i < 256 && start + i >= start; ++i) {
        state.systemPalette[start + i] = Rgb{entries[i].peRed, entries[i].peGreen, entries[i].peBlue};
    }
}

std::vector<PALETTEENTRY> SystemPalette()
{
    auto lock = Lock();
    State& state = TheState();
    std::vector<PALETTEENTRY> entries;
    for (const Rgb& c : DeviceColorTable(state, state.config.kind)) {
        entries.push_back(PALETTEENTRY{c.r, c.g, c.b, 0});
    }
    return entries;
}

}  // namespace vd

extern "C" {

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries)
{
    auto lock = Lock();
    State& state = TheState();
    if (FindDc(state, dc) == nullptr) {
        return 0;
    }
    const std::vector<Rgb> table = DeviceColorTable(state, state.config.kind);
    const UINT size = static_cast<UINT>(table.size());
    if (entries == nullptr) {
        return size;
    }
    if (start >= size) {
        return 0;
    }
    const UINT copied = count < size - start ? count : size - start;
    for (UINT i = 0; i < copied; ++i) {
        const Rgb c = table[start + i];
        entries[i] = PALETTEENTRY{c.r, c.g, c.b, 0};
    }
    return copied;
}

HPALETTE CreatePalette(const LOGPALETTE* logPalette)
{
    if (logPalette == nullptr || logPalette->palNumEntries == 0) {
        return nullptr;
    }
    auto lock = Lock();
    State& state = TheState();
    Palette palette;
    // The entries run on past the declared one-element array.
    const PALETTEENTRY* entries = logPalette->palPalEntry;
    palette.colors.reserve(logPalette->palNumEntries);
    for (unsigned i = 0; i < logPalette->palNumEntries; ++i) {
        const PALETTEENTRY& e = entries[i];
        palette.colors.push_back(Rgb{e.peRed, e.peGreen, e.peBlue});
    }
    const uintptr_t handle = NewHandle(state, HandleType::Palette);
    state.palettes.emplace(handle, std::move(palette));
    return reinterpret_cast<HPALETTE>(handle);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground)
{
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* context = FindDc(state, dc);
    Palette* selected = FindPalette(state, palette);
    if (context == nullptr || selected == nullptr) {
        return nullptr;
    }
    const HPALETTE previous = context->palette;
    ++selected->selections;
    context->palette = palette;
    context->forceBackground = forceBackground != FALSE;
    ReleasePaletteSelection(state, previous);
    return previous;
}

UINT RealizePalette(HDC dc)
{
    constexpr UINT kGdiError = 0xFFFFFFFF;
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* context = FindDc(state, dc);
    if (context == nullptr) {
        return kGdiError;
    }
    auto found = state.palettes.find(reinterpret_cast<uintptr_t>(context->palette));
    if (found == state.palettes.end()) {
        return kGdiError;
    }
    Palette& palette = found->second;
    if (palette.stock || state.config.kind != vd::Kind::Palette8) {
        return 0;
    }
    if (context->forceBackground) {
        RealizeInBackground(state, palette);
        return 0;
    }
    return RealizeInForeground(state, palette);
}

HGDIOBJ GetStockObject(int object)
{
    return object == DEFAULT_PALETTE ? StockPaletteHandle() : nullptr;
}

}  // extern "C"
