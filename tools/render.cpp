#include "tools/render.h"

#include <cstdio>

#include "dibdraw32/Diagnostics.h"
#include "dibdraw32/VyrBlitter.h"

namespace dibtool {

namespace {

// The bands of about 16000 bytes the blit's rows made up, from the state the
// blit leaves in the object: each full band and the last partial one are
// one StretchDIBits call.
size_t BandsOf(const VyrBlitter& blitter)
{
    if (blitter.m_bandRows <= 0 || blitter.m_rowCounter <= 0) {
        return 0;
    }
    return static_cast<size_t>((blitter.m_rowCounter + blitter.m_bandRows - 1) / blitter.m_bandRows);
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

RenderReport Render(const Options& options, const Geometry& geometry, Screen& screen, PackedDib& image)
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
        report.result = blitter.VyrRealizePalette(window, image.header());
        break;
    }
    report.realizeFailed = report.result != kBlitOk;
    report.src = geometry.src;
    if (!report.realizeFailed) {
        RECT dst = geometry.dst;
        report.result = blitter.VyrBlit(window, image.header(), &report.src, &dst);
        report.bands = BandsOf(blitter);
    }
    report.displayDepth = blitter.m_displayDepth;
    report.converter = ConverterName(blitter.m_convert);
    report.paletteMode = blitter.m_paletteMode;
    report.rop = blitter.m_rop;
    // Written while the blitter still holds its palette, so that a
    // 256-colour screen is saved with the palette it was drawn in.
    if (report.result == kBlitOk) {
        report.outputProblem = screen.Write(options.output, options.format);
    }
    return report;
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
