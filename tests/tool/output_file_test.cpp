// Replacing an output file through a temporary one: whatever ends the write
// (an error, an exception, a signal), no temporary file stays behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "tool/tool_workspace.h"
#include "tools/output_file.h"

namespace {

using dibtool::ReplaceFile;
using tooltest::Slurp;
using tooltest::Workspace;

std::string WriteNew(const std::string& temporary)
{
    return dibtool::WriteBytes(temporary, std::vector<uint8_t>{'n', 'e', 'w'});
}

void (*HandlerOf(int signal))(int)
{
    struct sigaction action = {};
    sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

extern "C" void CountingHandler(int) {}

TEST(ReplaceFile, ReplacesTheFileWithWhatWasWritten)
{
    Workspace ws;
    ws.Write("out", {'o', 'l', 'd'});
    EXPECT_EQ(ReplaceFile(ws.Path("out"), WriteNew), "");
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"out"});
    EXPECT_EQ(Slurp(ws.Path("out")), "new");
}

TEST(ReplaceFile, FailedWriteLeavesTheFileAsItWas)
{
    Workspace ws;
    ws.Write("out", {'o', 'l', 'd'});
    const std::string problem = ReplaceFile(ws.Path("out"), [](const std::string& temporary) {
        WriteNew(temporary);
        return std::string("disk full");
    });
    EXPECT_EQ(problem, "disk full");
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"out"});
    EXPECT_EQ(Slurp(ws.Path("out")), "old");
}

TEST(ReplaceFile, ExceptionFromTheWriterRemovesTheTemporaryFile)
{
    Workspace ws;
    ws.Write("out", {'o', 'l', 'd'});
    EXPECT_THROW(ReplaceFile(ws.Path("out"),
                             [](const std::string& temporary) -> std::string {
                                 WriteNew(temporary);
                                 throw std::bad_alloc();
                             }),
                 std::bad_alloc);
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"out"});
    EXPECT_EQ(Slurp(ws.Path("out")), "old");
}

// The handlers are the file's own while it exists, and the process's again
// afterwards; a signal the process ignores stays ignored throughout.
TEST(ReplaceFile, HandlesEndingSignalsOnlyWhileTheTemporaryFileExists)
{
    struct sigaction counting = {};
    counting.sa_handler = CountingHandler;
    sigemptyset(&counting.sa_mask);
    struct sigaction ignoring = counting;
    ignoring.sa_handler = SIG_IGN;
    struct sigaction savedTerm = {};
    struct sigaction savedHup = {};
    sigaction(SIGTERM, &counting, &savedTerm);
    sigaction(SIGHUP, &ignoring, &savedHup);

    Workspace ws;
    void (*termDuringWrite)(int) = nullptr;
    void (*hupDuringWrite)(int) = nullptr;
    EXPECT_EQ(ReplaceFile(ws.Path("out"),
                          [&](const std::string& temporary) {
                              termDuringWrite = HandlerOf(SIGTERM);
                              hupDuringWrite = HandlerOf(SIGHUP);
                              return WriteNew(temporary);
                          }),
              "");
    EXPECT_NE(termDuringWrite, CountingHandler);
    EXPECT_NE(termDuringWrite, SIG_DFL);
    EXPECT_EQ(hupDuringWrite, SIG_IGN);
    EXPECT_EQ(HandlerOf(SIGTERM), CountingHandler);
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);

    sigaction(SIGTERM, &savedTerm, nullptr);
    sigaction(SIGHUP, &savedHup, nullptr);
}

class ReplaceFileDeathTest : public testing::TestWithParam<int> {};

TEST_P(ReplaceFileDeathTest, SignalDuringTheWriteRemovesTheTemporaryFileAndEndsTheProcess)
{
    const int signal = GetParam();
    Workspace ws;
    ws.Write("out", {'o', 'l', 'd'});
    EXPECT_EXIT(
        {
            ReplaceFile(ws.Path("out"), [signal](const std::string& temporary) {
                WriteNew(temporary);
                raise(signal);
                return std::string();
            });
            std::exit(0);
        },
        testing::KilledBySignal(signal), "");
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"out"});
    EXPECT_EQ(Slurp(ws.Path("out")), "old");
}

TEST_P(ReplaceFileDeathTest, IgnoredSignalLetsTheWriteFinish)
{
    const int signal = GetParam();
    Workspace ws;
    EXPECT_EXIT(
        {
            ::signal(signal, SIG_IGN);
            const std::string problem = ReplaceFile(ws.Path("out"), [signal](const std::string& temporary) {
                raise(signal);
                return WriteNew(temporary);
            });
            std::exit(problem.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(ws.Files(), std::vector<std::string>{"out"});
    EXPECT_EQ(Slurp(ws.Path("out")), "new");
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, ReplaceFileDeathTest, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) { return std::string(sigabbrev_np(info.param)); });

}  // namespace
