#include "tools/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace dibtool {

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
