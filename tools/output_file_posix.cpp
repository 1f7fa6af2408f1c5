#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/output_file.h"

namespace dibtool {

namespace {

// The signals that end the tool from outside (Ctrl+C, kill, a closed
// terminal). While a temporary file exists they remove it before the process
// dies, so that an interrupted run leaves nothing behind.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary file the handler removes. Written only while the signals are
// blocked; the handler may read it at any other time.
std::atomic<const char*> g_temporaryPath{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free, "the signal handler reads the path");

extern "C" void RemoveTemporaryAndDie(int signal)
{
    if (const char* path = g_temporaryPath.load()) {
        unlink(path);
    }
    // SA_RESETHAND has restored the default action; the signal is delivered
    // again, and ends the process as it would have, when the handler returns.
    raise(signal);
}

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
        target = (!link.empty() && link.front() == '/') || slash == std::string::npos
                     ? link
                     : target.substr(0, slash + 1) + link;
    }
    return std::string("cannot follow the symbolic link: ") + std::strerror(ELOOP);
}

// Blocks the ending signals for the lifetime of the object, so that the
// handler never sees a path half set up or half taken down.
class EndingSignalsBlocked {
public:
    EndingSignalsBlocked()
    {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (int signal : kEndingSignals) {
            sigaddset(&blocked, signal);
        }
        sigprocmask(SIG_BLOCK, &blocked, &m_previous);
    }
    ~EndingSignalsBlocked() { sigprocmask(SIG_SETMASK, &m_previous, nullptr); }
    EndingSignalsBlocked(const EndingSignalsBlocked&) = delete;
    EndingSignalsBlocked& operator=(const EndingSignalsBlocked&) = delete;

private:
    sigset_t m_previous;
};

// A new empty file whose name starts with `prefix`, removed when the object
// goes (on every return and exception) or the process is ended by a signal,
// unless it has been moved away.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& prefix) : m_path(prefix + ".tmpXXXXXX")
    {
        const EndingSignalsBlocked blocked;
        const int fd = mkstemp(m_path.data());
        if (fd < 0) {
            m_error = errno;
            return;
        }
        fchmod(fd, NewFileMode());
        close(fd);
        m_exists = true;
        g_temporaryPath.store(m_path.c_str());
        struct sigaction action = {};
        action.sa_handler = RemoveTemporaryAndDie;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
            sigaction(kEndingSignals[i], nullptr, &m_previous[i]);
            // A signal the process was told to ignore stays ignored.
            if (m_previous[i].sa_handler != SIG_IGN) {
                sigaction(kEndingSignals[i], &action, nullptr);
            }
        }
    }

    ~TemporaryFile()
    {
        if (!m_exists) {
            return;
        }
        const EndingSignalsBlocked blocked;
        if (!m_moved) {
            unlink(m_path.c_str());
        }
        g_temporaryPath.store(nullptr);
        for (size_t i = 0; i < std::size(kEndingSignals); ++i) {
            sigaction(kEndingSignals[i], &m_previous[i], nullptr);
        }
    }

    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // errno of the failed creation, 0 when the file exists.
    int error() const { return m_error; }
    const std::string& path() const { return m_path; }

    // Returns an empty string on success, otherwise why the move failed.
    std::string MoveTo(const std::string& path)
    {
        if (std::rename(m_path.c_str(), path.c_str()) != 0) {
            return std::string("cannot create the file: ") + std::strerror(errno);
        }
        m_moved = true;
        return {};
    }

private:
    std::string m_path;
    int m_error = 0;
    bool m_exists = false;
    bool m_moved = false;
    struct sigaction m_previous[std::size(kEndingSignals)] = {};
};


}  // namespace

std::string UseTemporaryFile(const std::string& prefix, const std::function<std::string(const std::string&)>& use)
{
    TemporaryFile temporary(prefix);
    if (temporary.error() != 0) {
        return std::string("cannot create the file: ") + std::strerror(temporary.error());
    }
    return use(temporary.path());
}

std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write)
{
    // A symbolic link stays: the file it leads to is replaced.
    std::string target;
    if (std::string problem = FollowLinks(path, target); !problem.empty()) {
        return problem;
    }
    TemporaryFile temporary(target);
    if (temporary.error() != 0) {
        return std::string("cannot create the file: ") + std::strerror(temporary.error());
    }
    const std::string problem = write(temporary.path());
    return problem.empty() ? temporary.MoveTo(target) : problem;
}

void UseBinaryMode(FILE*) {}

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace dibtool
