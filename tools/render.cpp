#include "tools/render.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dibdraw32/Diagnostics.h"
#include "dibdraw32/VyrBlitter.h"
#include "tools/png_io.h"

namespace dibtool {

namespace {

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string WriteScreenPng(const std::string& path, Size screen)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(screen.width) * static_cast<size_t>(screen.height) * 3);
    size_t at = 0;
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            const COLORREF color = vd::ScreenColor(x, y);
            rgb[at++] = GetRValue(color);
            rgb[at++] = GetGValue(color);
            rgb[at++] = GetBValue(color);
        }
    }
    return WritePng(path, screen.width, screen.height, rgb);
}

// The permissions a newly created file gets, as for fopen.
mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
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
        std::snprintf(text, sizeof text, "0x%08X", rop);
        return text;
    }
    }
}

std::string WriteScreenFile(const std::string& path, OutputFormat format, Size screen)
{
    std::string temporary = path + ".tmpXXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return std::string("cannot create the file: ") + std::strerror(errno);
    }
    fchmod(fd, NewFileMode());
    close(fd);
    std::string problem;
    if (format == OutputFormat::Bmp) {
        if (!vd::WriteScreenBmp(temporary.c_str())) {
            problem = "cannot write the BMP file";
        }
    } else {
        problem = WriteScreenPng(temporary, screen);
    }
    if (problem.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = std::string("cannot create the file: ") + std::strerror(errno);
    }
    if (!problem.empty()) {
        std::remove(temporary.c_str());
    }
    return problem;
}

RenderReport Render(const Options& options, const Geometry& geometry, PackedDib& image)
{
    vd::Config config;
    config.width = geometry.screen.width;
    config.height = geometry.screen.height;
    config.kind = options.display;
    config.swappedRgb = options.swapped;
    vd::Configure(config);
    vd::FillScreen(options.background);
    HWND window = vd::CreateWindow(geometry.window);

    RenderReport report;
    {
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
        vd::ClearStretchCalls();
        if (!report.realizeFailed) {
            RECT dst = geometry.dst;
            report.result = blitter.VyrBlit(window, image.header(), &report.src, &dst);
            report.bands = vd::StretchCalls().size();
        }
        report.displayDepth = blitter.m_displayDepth;
        report.converter = ConverterName(blitter.m_convert);
        report.paletteMode = blitter.m_paletteMode;
        report.rop = blitter.m_rop;
        // Written while the blitter still holds its palette, so that a
        // 256-colour screen is saved with the palette it was drawn in.
        if (report.result == kBlitOk) {
            report.outputProblem = WriteScreenFile(options.output, options.format, geometry.screen);
        }
    }
    vd::DestroyWindow(window);
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
