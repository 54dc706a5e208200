#include "Support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace quillmarsh {
namespace {

using test::ChildProcess;

// A bound that a working helper never comes near; it only keeps a broken one from hanging.
constexpr std::chrono::milliseconds patience{30'000};
// Longer than ctest lets a test run: a wait that should end at once and does not fails the test
// by its timeout.
constexpr std::chrono::milliseconds pastTheTestTimeout{300'000};

ChildProcess shell(const std::string& script) { return ChildProcess({"/bin/sh", "-c", script}); }

// Whether pid has not ended yet, asked without reaping it.
bool running(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

TEST(ChildProcess, OutputArrivesWhileTheProgramRuns) {
    ChildProcess program = shell("echo ready; exec sleep 30");
    ASSERT_TRUE(program.waitForOutput("ready", patience));
    EXPECT_EQ(program.output(), "ready\n");
    EXPECT_TRUE(running(program.pid()));
    EXPECT_FALSE(program.exited());
}

TEST(ChildProcess, WaitGivesTheExitStatusOnceTheWholeOutputIsRead) {
    ChildProcess program = shell("printf 'one\\ntwo\\n'; exit 3");
    EXPECT_EQ(program.wait(patience), 3);
    EXPECT_EQ(program.output(), "one\ntwo\n");
    EXPECT_TRUE(program.exited());
    EXPECT_EQ(program.wait(std::chrono::milliseconds(0)), 3);
    // The output has ended, so looking for more gives up at once.
    EXPECT_FALSE(program.waitForOutput("three", pastTheTestTimeout));
}

TEST(ChildProcess, AProgramEndedByASignalGivesMinusOne) {
    // SIGTERM blocked in the test's thread is not blocked in the program.
    sigset_t term, before;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &term, &before), 0);
    ChildProcess program = shell("echo up; exec sleep 30");
    ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, &before, nullptr), 0);

    ASSERT_TRUE(program.waitForOutput("up", patience));
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(patience), -1);
    program.signal(SIGTERM);  // reaped: nothing is sent
    EXPECT_EQ(program.wait(std::chrono::milliseconds(0)), -1);
}

TEST(ChildProcess, WaitTimesOutAndLeavesTheProgramRunning) {
    ChildProcess program = shell("exec sleep 30");
    EXPECT_EQ(program.wait(std::chrono::milliseconds(50)), std::nullopt);
    EXPECT_FALSE(program.exited());
    EXPECT_TRUE(running(program.pid()));
    program.signal(SIGKILL);
    EXPECT_EQ(program.wait(patience), -1);
}

TEST(ChildProcess, ProgramsItStartedHoldingTheOutputHoldUpNeitherWaitNorTheEnd) {
    pid_t sleeper = 0;
    {
        // The background sleep keeps the output open after the shell is gone.
        ChildProcess program = shell("sleep 300 & echo $!; exit 4");
        ASSERT_TRUE(program.waitForOutput("\n", patience));
        sleeper = static_cast<pid_t>(std::stol(program.output()));
        // Each short wait gives up on the output that does not end, but not on the status.
        std::optional<int> status;
        while (!status) status = program.wait(std::chrono::milliseconds(100));
        EXPECT_EQ(status, 4);
    }
    ASSERT_GT(sleeper, 0);
    EXPECT_EQ(::kill(sleeper, SIGKILL), 0);
}

TEST(ChildProcess, TheEnvironmentIsExactlyTheOneGiven) {
    ChildProcess program({"/bin/sh", "-c", "echo \"$QM_WORD|${HOME-unset}\""},
                         std::vector<std::string>{"QM_WORD=quill"});
    EXPECT_EQ(program.wait(patience), 0);
    EXPECT_EQ(program.output(), "quill|unset\n");
}

TEST(ChildProcess, ThrowsWhenTheProgramCannotStart) {
    EXPECT_THROW(ChildProcess({"/nonexistent/quillmarsh-program"}), std::runtime_error);
}

} // namespace
} // namespace quillmarsh
