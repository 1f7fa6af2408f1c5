// Running the dibdraw executable in a scratch directory of its own, so that a
// listing of the directory shows any file the tool leaves behind.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tooltest {

struct RunResult {
    int exitCode = -1;  // 128 + the signal when a signal ended the tool
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// How the tool is started.
struct Launch {
    // RLIMIT_AS in bytes, to make the tool run out of memory.
    std::optional<rlim_t> addressSpace;
    // A file of the work directory for standard input; /dev/null without it.
    std::string input;
    // An open descriptor (a terminal, say) for standard error instead of the
    // workspace's file.
    int error = -1;

    static Launch AddressSpace(std::optional<rlim_t> bytes)
    {
        Launch launch;
        launch.addressSpace = bytes;
        return launch;
    }
    static Launch Input(std::string file)
    {
        Launch launch;
        launch.input = std::move(file);
        return launch;
    }
    static Launch Error(int descriptor)
    {
        Launch launch;
        launch.error = descriptor;
        return launch;
    }
};

class Workspace {
public:
    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "dibdraw_tool_test.XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        std::filesystem::create_directory(m_root / "work");
    }
    ~Workspace() { std::filesystem::remove_all(m_root); }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    std::string Path(const std::string& name) const { return (m_root / "work" / name).string(); }

    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_root / "work")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Starts the tool and returns its process id, or -1. The tool gets the
    // default action for every signal and none blocked, whatever the test
    // runner passed on to this process.
    pid_t Start(const std::vector<std::string>& args, const Launch& launch = {}) const
    {
        const std::string outPath = (m_root / "stdout").string();
        const std::string errPath = (m_root / "stderr").string();
        const std::string inPath = launch.input.empty() ? "/dev/null" : Path(launch.input);
        std::vector<std::string> all = {DIBDRAW_TOOL_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid != 0) {
            return pid;
        }
        // Only async-signal-safe calls between fork and exec.
        for (int number : {SIGINT, SIGTERM, SIGHUP}) {
            signal(number, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (launch.addressSpace) {
            const rlimit limit{*launch.addressSpace, *launch.addressSpace};
            setrlimit(RLIMIT_AS, &limit);
        }
        const int in = open(inPath.c_str(), O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = launch.error >= 0 ? launch.error : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(127);
        }
        execv(DIBDRAW_TOOL_PATH, argv.data());
        _exit(127);
    }

    // Waits for a tool started by Start() and collects what it printed.
    RunResult Wait(pid_t pid) const
    {
        RunResult result;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid) {
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        result.out = Slurp(m_root / "stdout");
        result.err = Slurp(m_root / "stderr");
        return result;
    }

    RunResult Run(const std::vector<std::string>& args, const Launch& launch = {}) const
    {
        return Wait(Start(args, launch));
    }

private:
    std::filesystem::path m_root;
};

}  // namespace tooltest
