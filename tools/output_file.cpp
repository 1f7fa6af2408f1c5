#include "tools/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tools/image_file.h"
#include "tools/options.h"

namespace dibtool {

std::string WriteOutput(const std::string& path, const std::function<std::string(const std::string&)>& write)
{
    if (path != kStandardStream) {
        return ReplaceFile(path, write);
    }
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::temp_directory_path(error);
    if (error) {
        return "cannot find a temporary directory: " + error.message();
    }
    std::vector<uint8_t> bytes;
    if (std::string problem = UseTemporaryFile((directory / "dibdraw").string(),
                                               [&](const std::string& temporary) {
                                                   const std::string written = write(temporary);
                                                   return written.empty() ? ReadWholeFile(temporary, bytes) : written;
                                               });
        !problem.empty()) {
        return problem;
    }
    UseBinaryMode(stdout);
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
        return std::string("cannot write to standard output: ") + std::strerror(errno);
    }
    return {};
}

std::string WriteBytes(const std::string& path, std::span<const uint8_t> bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return std::string("cannot create the file: ") + std::strerror(errno);
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        return std::string("cannot write the file: ") + std::strerror(written ? errno : error);
    }
    return {};
}

}  // namespace dibtool
