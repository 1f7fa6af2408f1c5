#include "tools/batch.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/output_file.h"

namespace dibtool {

bool RunBatch(const Options& options, const std::function<int(const Options&)>& renderOne)
{
    // Checked once: a mistyped directory would otherwise fail every file.
    std::error_code error;
    if (!std::filesystem::is_directory(options.outDir, error)) {
        std::fprintf(stderr, "dibdraw: %s: %s\n", options.outDir.c_str(),
                     std::filesystem::exists(options.outDir, error) ? "not a directory" : "no such directory");
        return false;
    }
    const bool progress = IsTerminal(stderr);
    const size_t count = options.inputs.size();
    size_t failed = 0;
    for (size_t i = 0; i < count; ++i) {
        Options one = options;
        one.input = options.inputs[i];
        one.output = BatchOutputPath(options, one.input);
        if (progress) {
            std::fprintf(stderr, "dibdraw: [%zu/%zu] %s -> %s\n", i + 1, count, one.input.c_str(),
                         one.output.c_str());
        }
        if (options.info) {
            std::printf("input=%s\n", one.input.c_str());
            std::fflush(stdout);
        }
        if (renderOne(one) != 0) {
            ++failed;
        }
    }
    if (failed > 0) {
        std::fprintf(stderr, "dibdraw: %zu of %zu files failed\n", failed, count);
    }
    return failed == 0;
}

}  // namespace dibtool
