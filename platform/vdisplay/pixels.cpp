// Single pixels, BitBlt between surfaces, GetDIBits, and the host's view of
// the screen.
#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_map>

#include "display_state.h"

using namespace vd::detail;
using vd::Kind;

namespace {

bool Contains(const RECT& r, int64_t x, int64_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Converts a row of one surface's device pixels into another's. Colour to
// monochrome follows GDI: pixels of the source's background colour (white)
// become 1, all others 0; monochrome to colour draws 0 in the text colour
// (black) and 1 in the background colour (white).
class PixelTranslator {
public:
    PixelTranslator(const State& state, const DeviceContext& srcDc, Kind srcKind, const DeviceContext& dstDc,
                    Kind dstKind)
        : m_state(state), m_srcKind(srcKind), m_dstMatch(state, &dstDc, dstKind)
    {
        if (srcKind != dstKind && dstKind == Kind::Mono) {
            ColorMatcher srcMatch(state, &srcDc, srcKind);
            m_background = srcMatch(Rgb{255, 255, 255});
        }
        if (srcKind != dstKind && srcKind == Kind::Mono) {
            m_monoPixels[0] = m_dstMatch(Rgb{0, 0, 0});
            m_monoPixels[1] = m_dstMatch(Rgb{255, 255, 255});
        }
    }

    void Translate(const uint32_t* src, uint32_t* dst, int count)
    {
        const Kind dstKind = m_dstMatch.kind();
        if (m_srcKind == dstKind) {
            std::memmove(dst, src, static_cast<size_t>(count) * sizeof(uint32_t));
        } else if (dstKind == Kind::Mono) {
            for (int i = 0; i < count; ++i) {
                dst[i] = src[i] == m_background ? 1u : 0u;
            }
        } else if (m_srcKind == Kind::Mono) {
            for (int i = 0; i < count; ++i) {
                dst[i] = m_monoPixels[src[i] & 1];
            }
        } else {
            for (int i = 0; i < count; ++i) {
                dst[i] = m_dstMatch(PixelColor(m_state, m_srcKind, src[i]));
            }
        }
    }

private:
    const State& m_state;
    Kind m_srcKind;
    ColorMatcher m_dstMatch;
    uint32_t m_background = 0;
    uint32_t m_monoPixels[2] = {0, 0};
};

// Wine's and Windows' default 256-colour DIB table: the static colours at
// both ends and an 8 x 8 x 4 red-green-blue ramp between them.
std::vector<Rgb> DefaultTable8()
{
    std::vector<Rgb> table(256);
    for (int i = 0; i < 256; ++i) {
        table[static_cast<size_t>(i)] = Rgb{static_cast<uint8_t>((i & 7) * 0x20),
                                            static_cast<uint8_t>(((i >> 3) & 7) * 0x20),
                                            static_cast<uint8_t>((i >> 6) * 0x40)};
    }
    for (int s = 0; s < 20; ++s) {
        table[static_cast<size_t>(StaticIndex(s))] = kStaticColors[static_cast<size_t>(s)];
    }
    return table;
}

int DibStride(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

// Writes one row of device pixels as a DIB row of bitCount bits.
class DibRowWriter {
public:
    DibRowWriter(const State& state, Kind kind, int bitCount)
        : m_state(state), m_kind(kind), m_bitCount(bitCount), m_swapped(state.config.swappedRgb)
    {
        if (bitCount > 8) {
            return;
        }
        const size_t size = size_t{1} << bitCount;
        std::vector<Rgb> device = DeviceColorTable(state, kind);
        m_indexDirect = !device.empty() && device.size() <= size;
        if (m_indexDirect) {
            m_table = device;
        } else if (bitCount == 1) {
            m_table = {{0, 0, 0}, {255, 255, 255}};
        } else if (bitCount == 4) {
            m_table.assign(kVgaColors.begin(), kVgaColors.end());
        } else {
            m_table = DefaultTable8();
        }
        m_table.resize(size, Rgb{0, 0, 0});
    }

    const std::vector<Rgb>& table() const { return m_table; }

    void Write(const uint32_t* pixels, int count, uint8_t* out)
    {
        switch (m_bitCount) {
        case 24:
        case 32: {
            const int step = m_bitCount / 8;
            for (int i = 0; i < count; ++i) {
                const Rgb c = PixelColor(m_state, m_kind, pixels[i]);
                uint8_t* p = out + i * step;
                p[0] = m_swapped && step == 3 ? c.r : c.b;
                p[1] = c.g;
                p[2] = m_swapped && step == 3 ? c.b : c.r;
                if (step == 4) {
                    p[3] = 0;
                }
            }
            return;
        }
        default: {
            const int perByte = 8 / m_bitCount;
            for (int i = 0; i < count; ++i) {
                const uint32_t index = Index(pixels[i]);
                const int shift = 8 - m_bitCount * (i % perByte + 1);
                out[i / perByte] = static_cast<uint8_t>(out[i / perByte] | (index << shift));
            }
            return;
        }
        }
    }

private:
    uint32_t Index(uint32_t pixel)
    {
        if (m_indexDirect) {
            return pixel;
        }
        auto found = m_memo.find(pixel);
        if (found == m_memo.end()) {
            const Rgb c = PixelColor(m_state, m_kind, pixel);
            found = m_memo.emplace(pixel, NearestIndex(m_table.data(), static_cast<int>(m_table.size()), c)).first;
        }
        return static_cast<uint32_t>(found->second);
    }

    const State& m_state;
    Kind m_kind;
    int m_bitCount;
    bool m_swapped;
    bool m_indexDirect = false;
    std::vector<Rgb> m_table;
    std::unordered_map<uint32_t, int> m_memo;
};

void WriteColorTable(BITMAPINFO* info, const std::vector<Rgb>& table)
{
    RGBQUAD* colors = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + info->bmiHeader.biSize);
    for (size_t i = 0; i < table.size(); ++i) {
        colors[i] = RGBQUAD{table[i].b, table[i].g, table[i].r, 0};
    }
}

// The device pixel a DC's coordinates name, or null when the DC is invalid or
// the point lies outside what it may touch.
struct PixelSpot {
    DeviceContext* context = nullptr;
    Surface* surface = nullptr;  // null outside
    int x = 0;
    int y = 0;
};

PixelSpot FindPixel(State& state, HDC dc, int x, int y)
{
    PixelSpot spot;
    spot.context = FindDc(state, dc);
    Target target;
    if (spot.context == nullptr || !ResolveTarget(state, *spot.context, target)) {
        return spot;
    }
    const int64_t sx = int64_t{x} + target.originX;
    const int64_t sy = int64_t{y} + target.originY;
    if (Contains(target.clip, sx, sy)) {
        spot.surface = target.surface;
        spot.x = static_cast<int>(sx);
        spot.y = static_cast<int>(sy);
    }
    return spot;
}

}  // namespace

extern "C" {

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    auto lock = Lock();
    State& state = TheState();
    const PixelSpot spot = FindPixel(state, dc, x, y);
    if (spot.surface == nullptr) {
        return CLR_INVALID;
    }
    const Kind kind = spot.surface->kind;
    ColorMatcher match(state, spot.context, kind);
    spot.surface->Set(spot.x, spot.y, match.FromColorRef(color));
    return ToColorRef(PixelColor(state, kind, spot.surface->Get(spot.x, spot.y)));
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    auto lock = Lock();
    State& state = TheState();
    const PixelSpot spot = FindPixel(state, dc, x, y);
    if (spot.surface == nullptr) {
        return CLR_INVALID;
    }
    return ToColorRef(PixelColor(state, spot.surface->kind, spot.surface->Get(spot.x, spot.y)));
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop)
{
    auto lock = Lock();
    State& state = TheState();
    DeviceContext* dstDc = FindDc(state, dst);
    Target to;
    if (dstDc == nullptr || !ResolveTarget(state, *dstDc, to)) {
        return FALSE;
    }
    const RasterOp op{rop, InfoOf(to.surface->kind).pixelMask};
    DeviceContext* srcDc = op.usesSource() ? FindDc(state, src) : nullptr;
    Target from;
    if (op.usesSource() && (srcDc == nullptr || !ResolveTarget(state, *srcDc, from))) {
        return FALSE;
    }
    if (width <= 0 || height <= 0 || !WithinLimits(x) || !WithinLimits(y) || !WithinLimits(width) ||
        !WithinLimits(height) || !WithinLimits(srcX) || !WithinLimits(srcY)) {
        return TRUE;
    }
    // The destination rectangle in destination surface coordinates, clipped
    // to the destination and to what the source can supply.
    RECT area{x + to.originX, y + to.originY, x + to.originX + width, y + to.originY + height};
    if (!IntersectRect(area, area, to.clip)) {
        return TRUE;
    }
    int dx = 0;
    int dy = 0;
    if (srcDc != nullptr) {
        dx = srcX + from.originX - (x + to.originX);
        dy = srcY + from.originY - (y + to.originY);
        const RECT sourceClip{from.clip.left - dx, from.clip.top - dy, from.clip.right - dx, from.clip.bottom - dy};
        if (!IntersectRect(area, area, sourceClip)) {
            return TRUE;
        }
    }
    const int count = area.right - area.left;
    std::vector<uint32_t> sourceRow(static_cast<size_t>(count));
    std::vector<uint32_t> translated(static_cast<size_t>(count));
    std::optional<PixelTranslator> translator;
    if (srcDc != nullptr) {
        translator.emplace(state, *srcDc, from.surface->kind, *dstDc, to.surface->kind);
    }
    // Rows go in the order that never reads a row already overwritten when
    // source and destination overlap on one surface.
    const bool upward = srcDc != nullptr && from.surface == to.surface && dy < 0;
    for (int i = 0; i < area.bottom - area.top; ++i) {
        const int row = upward ? area.bottom - 1 - i : area.top + i;
        const uint32_t* sourcePixels = nullptr;
        if (translator) {
            from.surface->ReadRow(row + dy, area.left + dx, count, sourceRow.data());
            translator->Translate(sourceRow.data(), translated.data(), count);
            sourcePixels = translated.data();
        }
        WithPixelType(*to.surface, [&](auto pixel) {
            CombineRow(op, to.surface->Row<decltype(pixel)>(row) + area.left, sourcePixels, count);
        });
    }
    return TRUE;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT startLine, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
    auto lock = Lock();
    State& state = TheState();
    Bitmap* source = FindBitmap(state, bitmap);
    if (FindDc(state, dc) == nullptr || source == nullptr || info == nullptr || usage != DIB_RGB_COLORS ||
        info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
        return 0;
    }
    BITMAPINFOHEADER& header = info->bmiHeader;
    const Surface& surface = source->surface;
    if (bits == nullptr && header.biBitCount == 0) {
        // A query: describe the bitmap in its own format.
        const KindInfo& kindInfo = InfoOf(surface.kind);
        const int bitCount = kindInfo.planes * kindInfo.bitsPixel;
        constexpr DWORD kBiBitfields = 3;
        header.biWidth = surface.width;
        header.biHeight = surface.height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(bitCount);
        header.biCompression = bitCount == 16 || bitCount == 32 ? kBiBitfields : BI_RGB;
        header.biSizeImage = static_cast<DWORD>(DibStride(surface.width, bitCount) * surface.height);
        header.biXPelsPerMeter = 0;
        header.biYPelsPerMeter = 0;
        header.biClrUsed = 0;
        header.biClrImportant = 0;
        return surface.height;
    }
    const int bitCount = header.biBitCount;
    if (header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0 ||
        (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) ||
        header.biWidth > (1 << 20) || header.biHeight > (1 << 20) || header.biHeight < -(1 << 20)) {
        return 0;
    }
    DibRowWriter writer(state, surface.kind, bitCount);
    const int dibHeight = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const int stride = DibStride(header.biWidth, bitCount);
    header.biSizeImage = static_cast<DWORD>(static_cast<uint64_t>(stride) * static_cast<uint64_t>(dibHeight));
    header.biClrUsed = 0;
    if (bitCount <= 8) {
        WriteColorTable(info, writer.table());
    }
    if (bits == nullptr || lines == 0 || startLine >= static_cast<UINT>(dibHeight)) {
        return 1;
    }
    // Bottom-up DIBs count scan lines from their last row, top-down ones from
    // the row that ends up at the bottom of the lines asked for.
    int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(dibHeight) - startLine));
    int firstRow = 0;
    int rowStep = 1;
    if (header.biHeight > 0) {
        firstRow = dibHeight - 1 - static_cast<int>(startLine);
        rowStep = -1;
    } else {
        firstRow = std::max(0, dibHeight - static_cast<int>(lines) - static_cast<int>(startLine));
    }
    const int columns = std::min<int>(header.biWidth, surface.width);
    std::vector<uint32_t> pixels(static_cast<size_t>(columns));
    auto* out = static_cast<uint8_t*>(bits);
    int copied = 0;
    for (int k = 0; k < count; ++k) {
        uint8_t* row = out + static_cast<size_t>(k) * static_cast<size_t>(stride);
        std::memset(row, 0, static_cast<size_t>(stride));
        const int bitmapRow = firstRow + rowStep * k;
        if (bitmapRow >= 0 && bitmapRow < surface.height) {
            surface.ReadRow(bitmapRow, 0, columns, pixels.data());
            writer.Write(pixels.data(), columns, row);
            ++copied;
        }
    }
    return copied;
}

}  // extern "C"

namespace vd {

uint32_t DevicePixel(int x, int y)
{
    auto lock = Lock();
    const Surface& screen = TheState().screen;
    if (x < 0 || y < 0 || x >= screen.width || y >= screen.height) {
        return 0xFFFFFFFF;
    }
    return screen.Get(x, y);
}

COLORREF ScreenColor(int x, int y)
{
    auto lock = Lock();
    const State& state = TheState();
    if (x < 0 || y < 0 || x >= state.screen.width || y >= state.screen.height) {
        return CLR_INVALID;
    }
    return ToColorRef(detail::PixelColor(state, state.screen.kind, state.screen.Get(x, y)));
}

COLORREF PixelColor(uint32_t pixel)
{
    auto lock = Lock();
    const State& state = TheState();
    return ToColorRef(detail::PixelColor(state, state.screen.kind, pixel));
}

void SetDevicePixel(int x, int y, uint32_t pixel)
{
    auto lock = Lock();
    Surface& screen = TheState().screen;
    if (x >= 0 && y >= 0 && x < screen.width && y < screen.height) {
        screen.Set(x, y, pixel & InfoOf(screen.kind).pixelMask);
    }
}

void FillScreen(COLORREF color)
{
    auto lock = Lock();
    State& state = TheState();
    ColorMatcher match(state, nullptr, state.screen.kind);
    state.screen.Fill(match.FromColorRef(color));
}

BitmapContents ReadBitmap(HBITMAP bitmap)
{
    auto lock = Lock();
    const Bitmap* found = FindBitmap(TheState(), bitmap);
    if (found == nullptr) {
        return {};
    }
    const Surface& surface = found->surface;
    BitmapContents contents{surface.width, surface.height, surface.kind, std::vector<uint32_t>(surface.PixelCount())};
    for (int y = 0; y < surface.height; ++y) {
        surface.ReadRow(y, 0, surface.width, contents.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(surface.width));
    }
    return contents;
}

}  // namespace vd
