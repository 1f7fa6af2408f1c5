#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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

// A temporary file beside `path`, removed when the object goes (on every
// return and exception) or the process is ended by a signal, unless it has
// been moved to `path`.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& path) : m_path(path + ".tmpXXXXXX")
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

std::string ReplaceFile(const std::string& path, const std::function<std::string(const std::string&)>& write)
{
    TemporaryFile temporary(path);
    if (temporary.error() != 0) {
        return std::string("cannot create the file: ") + std::strerror(temporary.error());
    }
    const std::string problem = write(temporary.path());
    return problem.empty() ? temporary.MoveTo(path) : problem;
}

}  // namespace dibtool
