#include "tools/sheet.h"

#include <algorithm>
#include <string>
#include <vector>

#include "dibdraw32/BlitResult.h"
#include "tools/output_file.h"
#include "tools/png_io.h"
#include "tools/screen.h"
#include "tools/tiny_font.h"

namespace dibtool {

namespace {

constexpr int kMargin = 8;   // around the sheet
constexpr int kGap = 8;      // between panels
constexpr int kLabelHeight = kGlyphHeight + 3;  // above each panel
constexpr uint32_t kPaper = 0xFFFFFF;
constexpr uint32_t kInk = 0x000000;

// "DISPLAY 8 DITHER 2"
std::string Label(DisplayKind kind, int dither)
{
    return "DISPLAY " + std::string(DisplayKindName(kind)) + " DITHER " + std::to_string(dither);
}

struct Layout {
    Size panel;

    int Left(int column) const { return kMargin + column * (panel.width + kGap); }
    // The panel's top; its label is above it.
    int Top(int row) const { return kMargin + kLabelHeight + row * (kLabelHeight + panel.height + kGap); }
    int64_t Width() const { return 2 * int64_t{kMargin} + kSheetDitherModes * int64_t{panel.width} +
                                   (kSheetDitherModes - 1) * int64_t{kGap}; }
    int64_t Height() const
    {
        constexpr int64_t rows = std::size(kSheetDisplays);
        return 2 * int64_t{kMargin} + rows * (kLabelHeight + int64_t{panel.height}) + (rows - 1) * int64_t{kGap};
    }
};

}  // namespace

RenderReport RenderSheet(const Options& options, const Geometry& geometry, const PackedDib& image)
{
    const Layout layout{geometry.screen};
    RenderReport report;
    if (std::string problem = CheckImageSize(layout.Width(), layout.Height()); !problem.empty()) {
        report.outputProblem = "the sheet: " + problem + "; give a smaller --size";
        return report;
    }
    const int width = static_cast<int>(layout.Width());
    const int height = static_cast<int>(layout.Height());
    std::vector<uint32_t> sheet(static_cast<size_t>(width) * static_cast<size_t>(height), kPaper);
    for (int row = 0; row < static_cast<int>(std::size(kSheetDisplays)); ++row) {
        for (int dither = 0; dither < kSheetDitherModes; ++dither) {
            Options panel = options;
            panel.display = kSheetDisplays[row];
            panel.dither = dither;
            Screen screen;
            if (std::string problem = screen.Open(panel, geometry, {}); !problem.empty()) {
                report.outputProblem = problem;
                return report;
            }
            std::vector<uint32_t> colors;
            report = Render(panel, geometry, screen, image, [&](const Screen& shown) {
                colors = shown.Colors();
                return std::string();
            });
            if (report.result != kBlitOk) {
                return report;
            }
            const int left = layout.Left(dither);
            const int top = layout.Top(row);
            const size_t panelWidth = static_cast<size_t>(layout.panel.width);
            for (int y = 0; y < layout.panel.height; ++y) {
                std::copy_n(colors.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(y) * panelWidth), panelWidth,
                            sheet.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(top + y) * static_cast<size_t>(width) +
                                                                 static_cast<size_t>(left)));
            }
            // Cut at the panel's right edge rather than run into the next one.
            PaintText(sheet, width, left, top - kLabelHeight,
                     Label(kSheetDisplays[row], dither).substr(0, panelWidth / kGlyphAdvance), kInk);
        }
    }
    std::vector<uint8_t> rgb;
    rgb.reserve(sheet.size() * 3);
    for (const uint32_t c : sheet) {
        rgb.insert(rgb.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
    const PngImage picture = PngImage::Rgb(width, height, std::move(rgb));
    report.outputProblem =
        WriteOutput(options.output, [&](const std::string& temporary) { return WritePng(temporary, picture); });
    return report;
}

}  // namespace dibtool
