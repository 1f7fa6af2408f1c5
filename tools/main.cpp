// dibdraw: renders a BMP or PNG file (or the embedded test card) as a display
// of a given kind shows it, through dibdraw32 and the virtual display.
#include <cstdio>
#include <string>
#include <vector>

#include "dibdraw32/BlitResult.h"
#include "tools/embedded_image.h"
#include "tools/image_file.h"
#include "tools/options.h"
#include "tools/render.h"

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

void Fail(const std::string& file, const std::string& problem)
{
    std::fprintf(stderr, "dibdraw: %s: %s\n", file.c_str(), problem.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    dibtool::Options options;
    if (std::string problem = dibtool::ParseArguments(args, options); !problem.empty()) {
        return UsageError(problem);
    }
    if (options.help) {
        std::fputs(dibtool::HelpText(), stdout);
        return kExitOk;
    }

    dibtool::PackedDib image;
    const std::string inputName = options.input.empty() ? "embedded image" : options.input;
    if (options.input.empty()) {
        image = dibtool::MakeEmbeddedImage();
    } else if (std::string problem = dibtool::LoadImageFile(options.input, image); !problem.empty()) {
        Fail(inputName, problem);
        return kExitBadInput;
    }

    dibtool::Geometry geometry;
    if (std::string problem = dibtool::ResolveGeometry(options, image.width(), image.height(), geometry);
        !problem.empty()) {
        return UsageError(problem);
    }

    const dibtool::RenderReport report = dibtool::Render(options, geometry, image);
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
        Fail(options.output, report.outputProblem);
        return kExitBadInput;
    }
    return kExitOk;
}
