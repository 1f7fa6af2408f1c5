// dibdraw: renders a BMP or PNG file (or the embedded test card) as a display
// of a given kind shows it, through dibdraw32: on a virtual display in the
// Linux build, on the real display in the Windows build.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "dibdraw32/BlitResult.h"
#include "tools/batch.h"
#include "tools/embedded_image.h"
#include "tools/image_file.h"
#include "tools/options.h"
#include "tools/output_file.h"
#include "tools/render.h"
#include "tools/screen.h"
#include "tools/sheet.h"
#include "tools/system_palette.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitUsage = 2;
constexpr int kExitLibrary = 3;

int UsageError(const std::string& problem)
{
    std::fprintf(stderr, "dibdraw: %s\n%sRun 'dibdraw --help' for the details.\n", problem.c_str(),
                 dibtool::UsageText());
    return kExitUsage;
}

// A display that cannot be used as the options ask is a usage error, but
// the usage text would not help.
int DisplayError(const std::string& problem)
{
    std::fprintf(stderr, "dibdraw: %s\n", problem.c_str());
    return kExitUsage;
}

void Fail(const std::string& file, const std::string& problem)
{
    std::fprintf(stderr, "dibdraw: %s: %s\n", file.c_str(), problem.c_str());
}

// dibdraw palette: the system palette of the display, one entry per line.
int RunPaletteCommand(const dibtool::Options& options)
{
    dibtool::Screen screen;
    const dibtool::Geometry geometry{RECT{0, 0, 0, 0}, RECT{0, 0, 0, 0}, RECT{0, 0, 1, 1}, dibtool::Size{1, 1}};
    if (std::string problem = screen.Open(options, geometry, {}); !problem.empty()) {
        return DisplayError(problem);
    }
    const std::vector<PALETTEENTRY> entries = screen.SystemPalette();
    if (entries.empty()) {
        std::fprintf(stderr, "dibdraw: the display has no system palette (it is a direct-colour display)\n");
        return kExitBadInput;
    }
    const std::string text = dibtool::FormatSystemPalette(entries);
    if (options.output.empty() || options.output == dibtool::kStandardStream) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kExitOk;
    }
    const std::string problem = dibtool::ReplaceFile(options.output, [&](const std::string& temporary) {
        return dibtool::WriteBytes(temporary, std::span<const uint8_t>(
                                                  reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    });
    if (!problem.empty()) {
        Fail(options.output, problem);
        return kExitBadInput;
    }
    return kExitOk;
}

// A problem of one image with the options: a usage error of the command
// line, or in a batch a failure of that file.
int ImageUsageError(const dibtool::Options& options, const std::string& inputName, const std::string& problem)
{
    if (options.outDir.empty()) {
        return UsageError(problem);
    }
    Fail(inputName, problem);
    return kExitUsage;
}

// Draws a loaded image and writes the output: the screen (or the sheet), the
// blit, the --info lines and the output file.
int RenderToFile(const dibtool::Options& options, const std::string& inputName, const dibtool::Geometry& geometry,
                 const std::vector<PALETTEENTRY>& systemPalette, dibtool::PackedDib& image)
{
    dibtool::RenderReport report;
    if (options.command == dibtool::Command::Sheet) {
        report = dibtool::RenderSheet(options, geometry, image);
    } else {
        dibtool::Screen screen;
        if (std::string problem = screen.Open(options, geometry, systemPalette); !problem.empty()) {
            return DisplayError(problem);
        }
        report = dibtool::Render(options, geometry, screen, image, dibtool::WriteTo(options));
    }
    if (options.info) {
        for (const std::string& line : dibtool::InfoLines(report)) {
            std::printf("%s\n", line.c_str());
        }
        std::fflush(stdout);
    }
    if (report.result != kBlitOk) {
        Fail(inputName, std::string(report.realizeFailed ? "palette realization" : "the blit") + " failed with " +
                            std::to_string(report.result) + " (" + BlitResultText(report.result) + ")");
        return kExitLibrary;
    }
    if (!report.outputProblem.empty()) {
        Fail(options.output == dibtool::kStandardStream ? "standard output" : options.output, report.outputProblem);
        return kExitBadInput;
    }
    return kExitOk;
}

// Renders options.input to options.output, on a display that starts with
// `systemPalette` when it is not empty.
int RenderOne(const dibtool::Options& options, const std::vector<PALETTEENTRY>& systemPalette)
{
    dibtool::PackedDib image;
    const std::string inputName = options.input.empty()                        ? "embedded image"
                                  : options.input == dibtool::kStandardStream ? "standard input"
                                                                              : options.input;
    if (options.input.empty()) {
        image = dibtool::MakeEmbeddedImage();
    } else if (std::string problem = dibtool::LoadImageFile(options.input, image, options.background);
               !problem.empty()) {
        Fail(inputName, problem);
        return kExitBadInput;
    }

    if (std::string problem = dibtool::ApplyTransparency(options, image); !problem.empty()) {
        return ImageUsageError(options, inputName, problem);
    }

    dibtool::Geometry geometry;
    if (std::string problem = dibtool::ResolveGeometry(options, image.width(), image.height(), geometry);
        !problem.empty()) {
        return ImageUsageError(options, inputName, problem);
    }

    // The screen, the blit and the output grow with the screen's size, which
    // is the output image's; running out of memory for them is reported like
    // a malformed input, after the output's temporary file has gone.
    try {
        return RenderToFile(options, inputName, geometry, systemPalette, image);
    } catch (const std::bad_alloc&) {
        Fail(inputName, dibtool::NotEnoughMemoryFor(geometry.screen.width, geometry.screen.height));
        return kExitBadInput;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    dibtool::Options options;
    if (std::string problem = dibtool::ParseArguments(args, options); !problem.empty()) {
        return UsageError(problem);
    }
    if (options.help || options.version) {
        std::fputs(options.help ? dibtool::HelpText() : dibtool::VersionText(), stdout);
        return kExitOk;
    }
    if (std::string problem = dibtool::Screen::Unsupported(options); !problem.empty()) {
        return DisplayError(problem);
    }
    if (options.command == dibtool::Command::Palette) {
        return RunPaletteCommand(options);
    }

    std::vector<PALETTEENTRY> systemPalette;
    if (!options.systemPaletteFile.empty()) {
        if (std::string problem = dibtool::ReadSystemPaletteFile(options.systemPaletteFile, systemPalette);
            !problem.empty()) {
            Fail(options.systemPaletteFile, problem);
            return kExitBadInput;
        }
    }

    if (!options.outDir.empty()) {
        const auto renderOne = [&](const dibtool::Options& one) { return RenderOne(one, systemPalette); };
        return dibtool::RunBatch(options, renderOne) ? kExitOk : kExitBadInput;
    }
    return RenderOne(options, systemPalette);
}
