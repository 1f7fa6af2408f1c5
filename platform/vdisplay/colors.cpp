// Colour <-> device pixel conversion for every kind of display.
#include "display_state.h"

namespace vd::detail {

const std::array<Rgb, 20> kStaticColors = {{
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
}};

const std::array<Rgb, 16> kVgaColors = {{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

const std::array<Rgb, 4> kGreyLevels = {{{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}}};

const KindInfo& InfoOf(Kind kind)
{
    static const KindInfo mono{1, 1, 2, 0x1};
    static const KindInfo planar4{4, 1, 16, 0xF};
    static const KindInfo packed4{1, 4, 16, 0xF};
    static const KindInfo palette8{1, 8, 256, 0xFF};
    static const KindInfo rgb332{1, 8, 0, 0xFF};
    static const KindInfo rgb565{1, 16, 0, 0xFFFF};
    static const KindInfo rgb24{1, 24, 0, 0xFFFFFF};
    static const KindInfo rgb32{1, 32, 0, 0xFFFFFF};
    static const KindInfo grey2{1, 2, 4, 0x3};
    switch (kind) {
    case Kind::Mono: return mono;
    case Kind::Planar4: return planar4;
    case Kind::Packed4: return packed4;
    case Kind::Palette8: return palette8;
    case Kind::Rgb332: return rgb332;
    case Kind::Rgb565: return rgb565;
    case Kind::Rgb24: return rgb24;
    case Kind::Rgb32: return rgb32;
    case Kind::Grey2: return grey2;
    }
    return rgb32;
}

int NearestIndex(const Rgb* colors, int count, Rgb c)
{
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (int i = 0; i < count; ++i) {
        const int dr = colors[i].r - c.r;
        const int dg = colors[i].g - c.g;
        const int db = colors[i].b - c.b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) {
                break;
            }
        }
    }
    return best;
}

namespace {

// Widens an n-bit channel to 8 bits by repeating its bit pattern, so that
// the extremes map to 0 and 255.
constexpr uint8_t Expand(uint32_t value, int bits)
{
    uint32_t wide = 0;
    for (int filled = 0; filled < 8; filled += bits) {
        wide = (wide << bits) | value;
    }
    return static_cast<uint8_t>(wide >> (((8 + bits - 1) / bits) * bits - 8));
}

static_assert(Expand(31, 5) == 255 && Expand(16, 5) == 132 && Expand(1, 5) == 8);
static_assert(Expand(63, 6) == 255 && Expand(32, 6) == 130);
static_assert(Expand(7, 3) == 255 && Expand(4, 3) == 146 && Expand(1, 3) == 36);
static_assert(Expand(3, 2) == 255 && Expand(1, 2) == 85 && Expand(2, 2) == 170);

}  // namespace

Rgb PixelColor(const State& state, Kind kind, uint32_t pixel)
{
    switch (kind) {
    case Kind::Mono: return (pixel & 1) ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    case Kind::Planar4:
    case Kind::Packed4: return kVgaColors[pixel & 0xF];
    case Kind::Palette8: return state.systemPalette[pixel & 0xFF];
    case Kind::Grey2: return kGreyLevels[pixel & 0x3];
    case Kind::Rgb332:
        return {Expand((pixel >> 5) & 7, 3), Expand((pixel >> 2) & 7, 3), Expand(pixel & 3, 2)};
    case Kind::Rgb565:
        return {Expand((pixel >> 11) & 31, 5), Expand((pixel >> 5) & 63, 6), Expand(pixel & 31, 5)};
    case Kind::Rgb24:
    case Kind::Rgb32:
        return {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8), static_cast<uint8_t>(pixel)};
    }
    return {0, 0, 0};
}

std::vector<Rgb> ShownColors(const State& state, Kind kind)
{
    if (kind == Kind::Rgb24 || kind == Kind::Rgb32) {
        return {};
    }
    std::vector<Rgb> shown(kind == Kind::Rgb565 ? 65536 : 256);
    for (size_t pixel = 0; pixel < shown.size(); ++pixel) {
        shown[pixel] = PixelColor(state, kind, static_cast<uint32_t>(pixel));
    }
    return shown;
}

std::vector<Rgb> DeviceColorTable(const State& state, Kind kind)
{
    switch (kind) {
    case Kind::Mono: return {{0, 0, 0}, {255, 255, 255}};
    case Kind::Planar4:
    case Kind::Packed4: return {kVgaColors.begin(), kVgaColors.end()};
    case Kind::Palette8: return {state.systemPalette.begin(), state.systemPalette.end()};
    case Kind::Grey2: return {kGreyLevels.begin(), kGreyLevels.end()};
    default: return {};
    }
}

const Palette& SelectedPalette(const State& state, const DeviceContext* dc)
{
    if (dc != nullptr) {
        auto found = state.palettes.find(reinterpret_cast<uintptr_t>(dc->palette));
        if (found != state.palettes.end()) {
            return found->second;
        }
    }
    return state.palettes.at(reinterpret_cast<uintptr_t>(StockPaletteHandle()));
}

ColorMatcher::ColorMatcher(const State& state, const DeviceContext* dc, Kind kind) : m_kind(kind)
{
    switch (kind) {
    case Kind::Palette8: {
        const Palette& palette = SelectedPalette(state, dc);
        m_logicalColors = palette.colors;
        m_candidates = palette.colors;
        m_candidatePixels.resize(m_candidates.size());
        for (size_t i = 0; i < m_candidates.size(); ++i) {
            // A palette never realized shows its colours through the nearest
            // system entries, as a background palette would.
            m_candidatePixels[i] =
                i < palette.systemIndex.size()
                    ? palette.systemIndex[i]
                    : static_cast<uint32_t>(NearestIndex(state.systemPalette.data(), 256, m_candidates[i]));
        }
        break;
    }
    case Kind::Planar4:
    case Kind::Packed4:
    case Kind::Grey2: {
        m_logicalColors = SelectedPalette(state, dc).colors;
        m_candidates = DeviceColorTable(state, kind);
        m_candidatePixels.resize(m_candidates.size());
        for (size_t i = 0; i < m_candidates.size(); ++i) {
            m_candidatePixels[i] = static_cast<uint32_t>(i);
        }
        break;
    }
    default: m_logicalColors = SelectedPalette(state, dc).colors; break;
    }
    // Exact colours, lowest index first: the usual colour table (the palette
    // itself) is resolved here without any distance search.
    if (!m_candidates.empty()) {
        m_exact.resize(512);
        for (size_t i = 0; i < m_candidates.size(); ++i) {
            const uint32_t key = CacheKey(m_candidates[i]);
            for (uint32_t h = SlotOf(key, 511);; h = (h + 1) & 511) {
                if (m_exact[h].key == key) {
                    break;
                }
                if (m_exact[h].key == 0) {
                    m_exact[h] = CacheSlot{key, m_candidatePixels[i]};
                    break;
                }
            }
        }
    }
}

uint32_t ColorMatcher::Nearest(Rgb c)
{
    const uint32_t key = CacheKey(c);
    for (uint32_t h = SlotOf(key, 511); m_exact[h].key != 0; h = (h + 1) & 511) {
        if (m_exact[h].key == key) {
            return m_exact[h].pixel;
        }
    }
    // Colours of true-colour sources recur: remember the latest search per slot.
    if (m_cache.empty()) {
        m_cache.resize(4096);
    }
    CacheSlot& slot = m_cache[SlotOf(key, 4095)];
    if (slot.key != key) {
        slot.key = key;
        slot.pixel = m_candidatePixels[static_cast<size_t>(
            NearestIndex(m_candidates.data(), static_cast<int>(m_candidates.size()), c))];
    }
    return slot.pixel;
}

uint32_t ColorMatcher::operator()(Rgb c)
{
    switch (m_kind) {
    case Kind::Mono: return MonoPixel(c);
    case Kind::Planar4:
    case Kind::Packed4:
    case Kind::Palette8:
    case Kind::Grey2: return Nearest(c);
    case Kind::Rgb332: return PackRgb332(c);
    case Kind::Rgb565: return PackRgb565(c);
    case Kind::Rgb24:
    case Kind::Rgb32: return PackRgb32(c);
    }
    return 0;
}

uint32_t ColorMatcher::PaletteIndexPixel(unsigned index)
{
    // An index past the end of the palette means its first entry, as in GDI.
    if (index >= m_logicalColors.size()) {
        index = 0;
    }
    if (m_kind == Kind::Palette8) {
        return m_candidatePixels[index];
    }
    return (*this)(m_logicalColors[index]);
}

uint32_t ColorMatcher::FromColorRef(COLORREF color)
{
    // PALETTEINDEX(i) names an entry of the DC's logical palette; any other
    // flag byte is ignored and the low 24 bits are the colour.
    if ((color >> 24) == 0x01) {
        return PaletteIndexPixel(color & 0xFFFF);
    }
    return (*this)(ToRgb(color & 0xFFFFFF));
}

}  // namespace vd::detail
