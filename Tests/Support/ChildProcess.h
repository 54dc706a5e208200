#pragma once

#include "Foundation/UniqueFd.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace quillmarsh::test {

// A program running in the background while a test talks to it, signals it and reads what it
// printed. Standard input is /dev/null, standard error the test's own (so its logs show in the
// test's output) and standard output is collected by a thread of its own, up to 64 MiB (the rest
// is read and dropped, so the program never blocks on a full pipe). The program starts with no
// signal blocked and every signal's default action, whatever the test process set up.
//
// Meant for the test's thread: pid(), signal() and wait() are not for use from several threads at
// once; output() and waitForOutput() are. On destruction a program still running is killed with
// SIGKILL and reaped.
class ChildProcess {
public:
    // Starts argv[0] (a path; PATH is not searched) with argv. The environment is exactly env when
    // given, else this process's. Throws std::runtime_error when the program cannot be started.
    explicit ChildProcess(std::vector<std::string> argv,
                          std::optional<std::vector<std::string>> env = std::nullopt);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // Sends sig to the program; nothing once wait() has reaped it, so a reused pid is never hit.
    void signal(int sig);

    // Waits up to timeout for the program to end. Gives its exit status when it exited, -1 when a
    // signal ended it, and none when it is still running after timeout (it is left running). Once
    // it has ended, also waits within the same timeout for the end of its output, so output()
    // then holds everything it printed (unless a program it started still holds its standard
    // output). Every later call gives the same result.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    // True once wait() has seen the program end.
    bool exited() const { return result_.has_value(); }

    // Everything read from the program's standard output so far.
    std::string output() const;
    // Waits up to timeout for the output to contain text. False when it did not in time, and at
    // once when the output ended (the program and everything it started closed it) without it.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout) const;

private:
    // The reader thread: collects the output until it ends or wakeWrite_ is written.
    void readOutput();
    void waitForOutputEnd(std::chrono::steady_clock::time_point deadline) const;
    // Records the result of a wait status.
    void reap(int status);

    pid_t pid_ = -1;
    // Readable when the program has ended (none where pidfd_open is not available; wait() then
    // polls).
    UniqueFd pidFd_;
    std::optional<int> result_;

    UniqueFd outputRead_;
    // A byte written here tells the reader thread to stop before the output ends.
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;
    std::thread reader_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::string output_;
    bool outputEnded_ = false;
};

} // namespace quillmarsh::test
