#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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

// The path at the end of the chain of symbolic links that starts at `path`
// (`path` itself when it is no link or does not exist); a relative link is
// taken from the directory of the link.
std::string FollowLinks(const std::string& path, std::string& target)
{
    target = path;
    // As many links as the system itself follows before it gives up.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status;
        if (lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return {};
        }
        std::string link(static_cast<size_t>(status.st_size > 0 ? status.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = readlink(target.c_str(), link.data(), link.size());
        if (length < 0) {
            return std::string("cannot follow the symbolic link: ") + std::strerror(errno);
        }
        link.resize(static_cast<size_t>(length));
        const size_t slash = target.rfind('/');
        target = (!link.empty() && link.front() == '/') || slash == std::string::npos ? link : target.substr(0, slash + 1) + link;
    }
    return std::string("cannot follow the symbolic link: ") + std::strerror(ELOOP);
}

}  // namespace

std::string CreateTemporaryFile(const std::string& prefix, std::string& temporary)
{
    temporary = prefix + ".tmpXXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return std::string("cannot create the file: ") + std::strerror(errno);
    }
    fchmod(fd, NewFileMode());
    close(fd);
    return {};
}

std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write)
{
    // A symbolic link stays: the file it leads to is replaced.
    std::string target;
    if (std::string problem = FollowLinks(path, target); !problem.empty()) {
        return problem;
    }
    std::string temporary;
    if (std::string problem = CreateTemporaryFile(target, temporary); !problem.empty()) {
        return problem;
    }
    std::string problem = write(temporary);
    if (problem.empty() && std::rename(temporary.c_str(), target.c_str()) != 0) {
        problem = std::string("cannot create the file: ") + std::strerror(errno);
    }
    if (!problem.empty()) {
        std::remove(temporary.c_str());
    }
    return problem;
}

void UseBinaryMode(FILE*) {}

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace dibtool
