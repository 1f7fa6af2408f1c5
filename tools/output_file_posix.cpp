#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/output_file.h"

namespace dibtool {

namespace {

// The permissions a newly created file gets, as for fopen.
mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write)
{
    std::string temporary = path + ".tmpXXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return std::string("cannot create the file: ") + std::strerror(errno);
    }
    fchmod(fd, NewFileMode());
    close(fd);
    std::string problem = write(temporary);
    if (problem.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = std::string("cannot create the file: ") + std::strerror(errno);
    }
    if (!problem.empty()) {
        std::remove(temporary.c_str());
    }
    return problem;
}

}  // namespace dibtool
