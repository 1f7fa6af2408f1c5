#include "tools/render.h"

#include <cstdio>

#include "dibdraw32/Diagnostics.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibtool {

namespace {

// The bands of about 16000 bytes the blit sent, from the state it leaves in
// the object: the rows up to m_rowCounter, less those above the window, which
// are never sent, in bands of m_bandRows rows; each full band and the last
// partial one are one call to the display.
size_t BandsOf(const VyrBlitter& blitter, const RECT& dst)
{
    const int64_t hiddenAbove = dst.top < 0 ? -int64_t{dst.top} : 0;
    const int64_t sent = int64_t{blitter.m_rowCounter} - hiddenAbove;
    if (blitter.m_bandRows <= 0 || sent <= 0) {
        return 0;
    }
    return static_cast<size_t>((sent + blitter.m_bandRows - 1) / blitter.m_bandRows);
}

}  // namespace

std::string RopName(uint32_t rop)
{
    switch (rop) {
    case SRCCOPY: return "SRCCOPY";
    case SRCAND: return "SRCAND";
    case SRCPAINT: return "SRCPAINT";
    default: {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(rop));
        return text;
    }
    }
}

RenderReport Render(const Options& options, const Geometry& geometry, Screen& screen, const PackedDib& image,
                    const std::function<std::string(const Screen&)>& keep)
{
    const HWND window = screen.window();
    RenderReport report;
    VyrBlitter blitter(options.dither, options.palette);
    switch (EffectiveRealize(options)) {
    case RealizeMode::None:
        break;
    case RealizeMode::Fixed:
        report.result = blitter.VyrRealizeFixedPalette(window);
        break;
    case RealizeMode::Image:
        report.result = blitter.VyrRealizePalette(window, image.header(), image.size());
        break;
    }
    report.realizeFailed = report.result != kBlitOk;
    report.src = geometry.src;
    if (!report.realizeFailed) {
        RECT dst = geometry.dst;
        report.result = blitter.VyrBlit(window, image.header(), image.size(), &report.src, &dst);
        report.bands = BandsOf(blitter, geometry.dst);
    }
    report.displayDepth = blitter.m_displayDepth;
    report.converter = ConverterName(blitter.m_convert);
    report.paletteMode = blitter.m_paletteMode;
    report.rop = blitter.m_rop;
    // Kept while the blitter still holds its palette, so that a 256-colour
    // screen is saved with the palette it was drawn in.
    if (report.result == kBlitOk) {
        report.outputProblem = keep(screen);
    }
    return report;
}

std::function<std::string(const Screen&)> WriteTo(const Options& options)
{
    return [&options](const Screen& screen) { return screen.Write(options.output, options.format, options.rgb); };
}

std::vector<std::string> InfoLines(const RenderReport& report)
{
    return {
        "result=" + std::to_string(report.result),
        "display_depth=" + std::to_string(report.displayDepth),
        "converter=" + report.converter,
        "palette_mode=" + std::to_string(report.paletteMode),
        "rop=" + RopName(report.rop),
        "src=" + RectText(report.src),
        "bands=" + std::to_string(report.bands),
    };
}

}  // namespace dibtool
