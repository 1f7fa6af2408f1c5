// The Linux build's screen: the virtual display.
#include "tools/screen.h"

#include "tools/output_file.h"
#include "tools/png_io.h"
#include "vdisplay/vdisplay.h"

namespace dibtool {

namespace {

vd::Kind VirtualKind(DisplayKind kind)
{
    switch (kind) {
    case DisplayKind::Mono: return vd::Kind::Mono;
    case DisplayKind::Packed4: return vd::Kind::Packed4;
    case DisplayKind::Planar4: return vd::Kind::Planar4;
    case DisplayKind::Palette8: return vd::Kind::Palette8;
    case DisplayKind::Rgb332: return vd::Kind::Rgb332;
    case DisplayKind::Rgb565: return vd::Kind::Rgb565;
    case DisplayKind::Rgb24: return vd::Kind::Rgb24;
    case DisplayKind::Rgb32: return vd::Kind::Rgb32;
    case DisplayKind::Grey2: return vd::Kind::Grey2;
    }
    return vd::Kind::Rgb32;
}

}  // namespace

struct Screen::State {
    HWND window = nullptr;
    Size size;
};

Screen::Screen() : m_state(std::make_unique<State>()) {}

Screen::~Screen()
{
    if (m_state->window != nullptr) {
        vd::DestroyWindow(m_state->window);
    }
}

std::string Screen::Unsupported(const Options&) { return {}; }

std::string Screen::Open(const Options& options, const Geometry& geometry,
                         std::span<const PALETTEENTRY> systemPalette)
{
    vd::Config config;
    config.width = geometry.screen.width;
    config.height = geometry.screen.height;
    config.kind = VirtualKind(options.display.value_or(DisplayKind::Rgb32));
    config.swappedRgb = options.swapped;
    vd::Configure(config);
    if (!systemPalette.empty()) {
        vd::SetSystemPaletteEntries(0, static_cast<unsigned>(systemPalette.size()), systemPalette.data());
    }
    vd::FillScreen(options.background);
    m_state->window = vd::CreateWindow(geometry.window);
    m_state->size = geometry.screen;
    return {};
}

HWND Screen::window() const { return m_state->window; }

std::vector<PALETTEENTRY> Screen::SystemPalette() const { return vd::SystemPalette(); }

std::vector<uint32_t> Screen::Colors() const
{
    const Size size = m_state->size;
    std::vector<uint32_t> colors;
    colors.reserve(static_cast<size_t>(size.width) * static_cast<size_t>(size.height));
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const COLORREF c = vd::ScreenColor(x, y);
            colors.push_back(uint32_t{GetRValue(c)} << 16 | uint32_t{GetGValue(c)} << 8 | GetBValue(c));
        }
    }
    return colors;
}

std::string Screen::Write(const std::string& path, OutputFormat format, bool rgb) const
{
    const Size size = m_state->size;
    const size_t pixels = static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
    return WriteOutput(path, [&](const std::string& temporary) -> std::string {
        if (format == OutputFormat::Bmp) {
            return vd::WriteScreenBmp(temporary.c_str()) ? "" : "cannot write the BMP file";
        }
        // A palette display's pixels are its palette indices.
        if (std::vector<PALETTEENTRY> palette = rgb ? std::vector<PALETTEENTRY>{} : vd::SystemPalette();
            !palette.empty()) {
            std::vector<uint8_t> indices;
            indices.reserve(pixels);
            for (int y = 0; y < size.height; ++y) {
                for (int x = 0; x < size.width; ++x) {
                    indices.push_back(static_cast<uint8_t>(vd::DevicePixel(x, y)));
                }
            }
            const int bits = PngImage::IndexBitsFor(palette.size());
            return WritePng(temporary,
                            PngImage::Indexed(size.width, size.height, bits, std::move(indices), std::move(palette)));
        }
        std::vector<uint8_t> samples;
        samples.reserve(pixels * 3);
        for (const uint32_t c : Colors()) {
            samples.insert(samples.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                           static_cast<uint8_t>(c)});
        }
        return WritePng(temporary, PngImage::Rgb(size.width, size.height, std::move(samples)));
    });
}

}  // namespace dibtool
