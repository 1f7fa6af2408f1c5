#include "tools/render.h"

#include <cstdio>
#include <memory>

#include "dibdraw32/dibdraw32.h"

namespace dibtool {

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
    std::unique_ptr<DibdrawBlitter, decltype(&DibdrawDestroy)> blitter(
        DibdrawCreate(options.dither, options.palette, &report.result), DibdrawDestroy);
    if (blitter == nullptr) {
        report.realizeFailed = true;
        report.src = geometry.src;
        return report;
    }
    switch (EffectiveRealize(options)) {
    case RealizeMode::None:
        break;
    case RealizeMode::Fixed:
        report.result = DibdrawRealizeFixedPalette(blitter.get(), window);
        break;
    case RealizeMode::Image:
        report.result = DibdrawRealizeDibPalette(blitter.get(), window, image.header(), image.size());
        break;
    }
    report.realizeFailed = report.result != DIBDRAW_OK;
    if (!report.realizeFailed) {
        RECT src = geometry.src;
        RECT dst = geometry.dst;
        report.result = DibdrawBlitWindow(blitter.get(), window, image.header(), image.size(), &src, &dst);
    }
    DibdrawBlitInfo blit = {};
    blit.size = sizeof blit;
    DibdrawLastBlit(blitter.get(), &blit);
    report.displayDepth = static_cast<uint16_t>(blit.displayDepth);
    report.converter = blit.converter;
    report.paletteMode = blit.paletteMode;
    report.rop = blit.rop;
    report.src = report.realizeFailed ? geometry.src : blit.source;
    report.bands = blit.bands;
    // Kept while the blitter still holds its palette, so that a 256-colour
    // screen is saved with the palette it was drawn in.
    if (report.result == DIBDRAW_OK) {
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
