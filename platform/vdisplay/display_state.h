// Internal model of the virtual display, shared by its translation units:
// the framebuffer and bitmaps as grids of device pixels, the GDI objects
// behind the handles, and the single lock that serializes every entry point.
// Every function here expects the caller to hold the lock.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "vdisplay.h"

namespace vd::detail {

struct KindInfo {
    int planes;
    int bitsPixel;
    // Entries of the device's colour table (2, 4, 16, 256); 0 on direct-colour kinds.
    int paletteEntries;
    // Every device pixel value fits in these bits; white is all of them set.
    uint32_t pixelMask;
};
const KindInfo& InfoOf(Kind kind);

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb ToRgb(COLORREF color) { return {GetRValue(color), GetGValue(color), GetBValue(color)}; }
constexpr COLORREF ToColorRef(Rgb c) { return RGB(c.r, c.g, c.b); }

// A grid of device pixels. Kinds whose device pixels fit a byte keep one
// byte a pixel, as their frame buffers do, so that drawing onto them moves a
// quarter of the memory; the others keep one 32-bit value a pixel. Loops over
// rows are written once, as templates on the pixel type (WithPixelType);
// single pixels and whole rows are also read and written as 32-bit values.
struct Surface {
    Kind kind = Kind::Rgb32;
    int width = 0;
    int height = 0;

    // A surface of the kind and size, every pixel 0 (black on every kind).
    void Allocate(Kind newKind, int newWidth, int newHeight);

    bool BytePixels() const { return InfoOf(kind).pixelMask <= UINT8_MAX; }
    size_t PixelCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
    size_t SizeInBytes() const { return PixelCount() * (BytePixels() ? 1 : 4); }

    // Row y in the surface's own pixel type, which the caller must name.
    template <typename Pixel>
    Pixel* Row(int y)
    {
        return reinterpret_cast<Pixel*>(m_words.data()) + static_cast<size_t>(y) * static_cast<size_t>(width);
    }
    template <typename Pixel>
    const Pixel* Row(int y) const
    {
        return reinterpret_cast<const Pixel*>(m_words.data()) + static_cast<size_t>(y) * static_cast<size_t>(width);
    }

    uint32_t Get(int x, int y) const;
    void Set(int x, int y, uint32_t pixel);
    // `count` pixels of row y from column x, as 32-bit values.
    void ReadRow(int y, int x, int count, uint32_t* out) const;
    void Fill(uint32_t pixel);

private:
    // 32-bit words, so that 32-bit pixels are stored in their own type; byte
    // pixels are packed into them.
    std::vector<uint32_t> m_words;
};

// Calls visit(Pixel{}) with the pixel type of the surface's storage.
template <typename Visit>
decltype(auto) WithPixelType(const Surface& surface, Visit&& visit)
{
    if (surface.BytePixels()) {
        return visit(uint8_t{});
    }
    return visit(uint32_t{});
}

// Selection bookkeeping common to palettes and bitmaps: an object deleted
// while selected into a DC lives on until the last DC lets go of it.
struct Selectable {
    int selections = 0;
    bool deletePending = false;
    bool stock = false;
};

struct Palette : Selectable {
    std::vector<Rgb> colors;
    // System palette index of each entry, as chosen by its last realization;
    // empty until the palette is realized (or fixed, for the stock palette).
    std::vector<uint8_t> systemIndex;
};

struct Bitmap : Selectable {
    Surface surface;
};

enum class DcType { Screen, Window, Memory };

struct DeviceContext {
    DcType type = DcType::Screen;
    HWND window = nullptr;
    HPALETTE palette = nullptr;
    bool forceBackground = false;
    HBITMAP bitmap = nullptr;  // memory DCs only
};

// The last colour table that StretchDIBits translated, with everything the
// translation was computed from: the bands of one blit send the same table to
// the same DC, and matching 256 colours for each band would cost more than
// drawing it.
struct ColorTableTranslation {
    Kind kind = Kind::Rgb32;
    int tableSize = 0;
    std::vector<uint8_t> table;  // the RGBQUADs used, as bytes
    std::vector<Rgb> paletteColors;
    std::vector<uint8_t> paletteSystemIndex;
    std::array<Rgb, 256> systemPalette{};
    std::vector<uint32_t> pixels;
    // Every entry k is device pixel k: the table is the device's own palette
    // in its order, drawn without looking anything up.
    bool identity = false;
    // Every device pixel fits a byte (a colour-table kind's index), and
    // these are they.
    bool fitsBytes = false;
    std::array<uint8_t, 256> pixelBytes{};
    // Where they do, the device pixels of every two indices as they lie in
    // a row (PixelPairsOf); empty until the table has drawn enough pixels
    // to pay for them.
    std::vector<uint16_t> pixelPairs;
    uint64_t pixelsDrawn = 0;
};

struct State {
    std::mutex mutex;
    Config config;
    Surface screen;
    std::array<Rgb, 256> systemPalette{};
    std::unordered_map<uintptr_t, RECT> windows;
    std::unordered_map<uintptr_t, DeviceContext> dcs;
    std::unordered_map<uintptr_t, Palette> palettes;
    std::unordered_map<uintptr_t, Bitmap> bitmaps;
    std::vector<StretchCall> stretchCalls;
    ColorTableTranslation lastTranslation;
    // Never reset, so that a handle from before a Configure never names a new object.
    uintptr_t nextSerial = 16;
    // Calls of GetDC since the process started.
    uint64_t dcRequests = 0;
};

// The one state, initialized with the default configuration on first use.
State& TheState();
std::unique_lock<std::mutex> Lock();

// Handles carry their object type in the low bits; the rest is a serial.
enum class HandleType : uintptr_t { Dc = 1, Window = 2, Palette = 3, Bitmap = 4 };
uintptr_t NewHandle(State& state, HandleType type);
HPALETTE StockPaletteHandle();
HBITMAP StockBitmapHandle();

DeviceContext* FindDc(State& state, HDC dc);
Palette* FindPalette(State& state, HPALETTE palette);  // live, not pending deletion
Bitmap* FindBitmap(State& state, HBITMAP bitmap);     // live, not pending deletion

// Drops one selection of an object and destroys it when its deletion was
// waiting for that.
void ReleasePaletteSelection(State& state, HPALETTE palette);
void ReleaseBitmapSelection(State& state, HBITMAP bitmap);

// The surface a DC draws on, where its origin lies and what it may touch
// (in surface coordinates). A window DC whose window is gone clips to nothing.
struct Target {
    Surface* surface = nullptr;
    int originX = 0;
    int originY = 0;
    RECT clip{0, 0, 0, 0};
};
bool ResolveTarget(State& state, const DeviceContext& dc, Target& target);

bool IntersectRect(RECT& result, const RECT& a, const RECT& b);

// Coordinates and extents beyond this are refused, so that sums of
// coordinates, origins and extents never overflow.
constexpr int kMaxCoordinate = 1 << 28;
constexpr bool WithinLimits(int value) { return value >= -kMaxCoordinate && value <= kMaxCoordinate; }

// ---- Colours (colors.cpp) ----

// The logical palette selected into a DC, the stock palette for none.
const Palette& SelectedPalette(const State& state, const DeviceContext* dc);

// The fixed colour tables of the kinds.
extern const std::array<Rgb, 20> kStaticColors;  // system entries 0-9, 246-255
extern const std::array<Rgb, 16> kVgaColors;
extern const std::array<Rgb, 4> kGreyLevels;
constexpr int StaticIndex(int s) { return s < 10 ? s : s + 236; }

// Index of the colour nearest to c (squared distance, lowest index on ties).
int NearestIndex(const Rgb* colors, int count, Rgb c);

// The colour a device pixel shows on a surface of this kind.
Rgb PixelColor(const State& state, Kind kind, uint32_t pixel);
// The colour table of a kind's device pixels (system palette on Palette8).
std::vector<Rgb> DeviceColorTable(const State& state, Kind kind);
// The colour of every device pixel value, indexed by the value, on the kinds
// of at most 16 bits a pixel; empty on the 24- and 32-bit kinds, whose values
// are their colours (0x00RRGGBB).
std::vector<Rgb> ShownColors(const State& state, Kind kind);

// Direct-colour conversions, shared with the drawing loops.
constexpr uint32_t PackRgb32(Rgb c) { return (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b; }
constexpr uint32_t PackRgb565(Rgb c) { return ((uint32_t{c.r} >> 3) << 11) | ((uint32_t{c.g} >> 2) << 5) | (c.b >> 3); }
constexpr uint32_t PackRgb332(Rgb c) { return ((uint32_t{c.r} >> 5) << 5) | ((uint32_t{c.g} >> 5) << 2) | (c.b >> 6); }
constexpr uint32_t MonoPixel(Rgb c) { return (30 * c.r + 59 * c.g + 11 * c.b) / 100 >= 128 ? 1u : 0u; }

// How one DC turns colours into device pixels of one surface: nearest entry
// of the selected logical palette on 256-colour surfaces (translated to the
// system index its realization chose), nearest colour on the 4- and 16-colour
// kinds, a luminance threshold on monochrome, truncation on direct colour.
class ColorMatcher {
public:
    ColorMatcher(const State& state, const DeviceContext* dc, Kind kind);
    uint32_t operator()(Rgb c);
    Kind kind() const { return m_kind; }
    // Logical palette entry i of the DC, as a device pixel.
    uint32_t PaletteIndexPixel(unsigned index);
    // A COLORREF with the PALETTEINDEX flag or a plain RGB value.
    uint32_t FromColorRef(COLORREF color);

private:
    struct CacheSlot {
        uint32_t key = 0;
        uint32_t pixel = 0;
    };
    uint32_t Nearest(Rgb c);
    // Slot keys are never 0, so 0 marks an empty slot.
    static uint32_t CacheKey(Rgb c) { return 0x01000000u | PackRgb32(c); }
    static uint32_t SlotOf(uint32_t key, uint32_t mask) { return ((key * 2654435761u) >> 20) & mask; }

    Kind m_kind;
    std::vector<Rgb> m_logicalColors;
    std::vector<Rgb> m_candidates;
    std::vector<uint32_t> m_candidatePixels;
    std::vector<CacheSlot> m_exact;
    std::vector<CacheSlot> m_cache;
};

// ---- Palettes (palettes.cpp) ----

void ResetSystemPalette(State& state);
// The device pixel for each colour of a DIB colour table, as drawn through
// dc: tableSize pixels, entries from count on black. The result stays valid
// until the next call.
ColorTableTranslation& TranslateColorTable(State& state, const DeviceContext& dc, Kind kind, const RGBQUAD* table,
                                           int count, int tableSize);
// Counts `pixels` more drawn through the translation, and returns its pixel
// pairs once they pay: where the device pixels fit bytes and are not the
// indices themselves, after 64 K pixels. Null otherwise.
const uint16_t* PixelPairsOf(ColorTableTranslation& translation, int64_t pixels);

// ---- Raster operations (raster.cpp) ----

// Applies a ternary raster operation to device pixel values. The pattern is
// the DC's default brush, white, which is every device bit set.
struct RasterOp {
    DWORD rop;
    uint32_t mask;
    bool usesSource() const;
};

// dst[i] = rop(src[i], dst[i]) for count pixels; src may be null when the
// operation does not use it. Both are instantiated, for byte and 32-bit
// surfaces.
template <typename Pixel>
void CombineRow(const RasterOp& rop, Pixel* dst, const uint32_t* src, int count);

}  // namespace vd::detail
