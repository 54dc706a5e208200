#include "Support/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmarsh::test {

namespace {

// What output() keeps; a test reads a few lines, and a runaway program must not fill the memory.
constexpr std::size_t maxOutputBytes = 64 << 20;

std::runtime_error failure(const std::string& what, int error) {
    return std::runtime_error(what + ": " + std::strerror(error));
}

// Both ends close on exec, so no other program the test starts holds them open.
void makePipe(UniqueFd& readEnd, UniqueFd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw failure("pipe2", errno);
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
}

// Waits for pid to end and reaps it; its wait status.
int reapBlocking(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, std::optional<std::vector<std::string>> env) {
    if (argv.empty()) throw std::invalid_argument("ChildProcess needs a program");
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<char*> envp;
    if (env) {
        for (auto& e : *env) envp.push_back(e.data());
        envp.push_back(nullptr);
    }

    UniqueFd outputWrite;
    makePipe(outputRead_, outputWrite);
    makePipe(wakeRead_, wakeWrite_);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputWrite.get(), STDOUT_FILENO);
    // A test thread may block signals, and the test process may ignore some (SIGPIPE); the
    // program gets none of that, so the signals a test sends reach it as they would in use.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    const int spawned =
        ::posix_spawn(&pid_, args[0], &actions, &attributes, args.data(), env ? envp.data() : environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    // The program's copy is then the only writer: its end (and its children's) ends the output.
    outputWrite.reset();
    if (spawned != 0) throw failure("cannot start " + argv[0], spawned);

    // The pid stays ours until we reap it, so the descriptor names this program. Through syscall:
    // some C libraries' header lacks C linkage for the wrapper.
    pidFd_.reset(static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0)));
    try {
        reader_ = std::thread(&ChildProcess::readOutput, this);
    } catch (...) {
        ::kill(pid_, SIGKILL);
        reapBlocking(pid_);
        throw;
    }
}

ChildProcess::~ChildProcess() {
    if (!result_) {
        ::kill(pid_, SIGKILL);
        reap(reapBlocking(pid_));
    }
    // A program the child started may still hold the output open; the reader stops anyway.
    const char byte = 0;
    while (::write(wakeWrite_.get(), &byte, 1) < 0 && errno == EINTR) {
    }
    reader_.join();
}

void ChildProcess::signal(int sig) {
    if (!result_) ::kill(pid_, sig);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!result_) {
        int status = 0;
        const pid_t got = ::waitpid(pid_, &status, WNOHANG);
        if (got == pid_) {
            reap(status);
            break;
        }
        if (got < 0 && errno != EINTR) throw failure("waitpid " + std::to_string(pid_), errno);
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) return std::nullopt;
        if (pidFd_) {
            // Rounded up, so the last fraction of a millisecond is not spent spinning.
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
            pollfd ended{pidFd_.get(), POLLIN, 0};
            ::poll(&ended, 1, static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX)));  // EINTR: looks again
        } else {
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                left, std::chrono::milliseconds(5)));
        }
    }
    waitForOutputEnd(deadline);
    return result_;
}

std::string ChildProcess::output() const {
    const std::lock_guard lock(mutex_);
    return output_;
}

bool ChildProcess::waitForOutput(const std::string& text, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    // Each look starts where a match could begin in what is new, so a long output is read once.
    std::size_t from = 0;
    bool found = false;
    changed_.wait_until(lock, deadline, [&] {
        found = output_.find(text, from) != std::string::npos;
        if (!found) from = output_.size() >= text.size() ? output_.size() - text.size() + 1 : 0;
        return found || outputEnded_;
    });
    return found;
}

void ChildProcess::readOutput() {
    char buffer[64 * 1024];
    pollfd fds[] = {{outputRead_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents != 0) break;
        if (fds[0].revents == 0) continue;
        const ssize_t got = ::read(outputRead_.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        {
            const std::lock_guard lock(mutex_);
            const std::size_t room = maxOutputBytes - output_.size();
            output_.append(buffer, std::min(static_cast<std::size_t>(got), room));
        }
        changed_.notify_all();
    }
    {
        const std::lock_guard lock(mutex_);
        outputEnded_ = true;
    }
    changed_.notify_all();
}

void ChildProcess::waitForOutputEnd(std::chrono::steady_clock::time_point deadline) const {
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return outputEnded_; });
}

void ChildProcess::reap(int status) {
    result_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pidFd_.reset();
}

} // namespace quillmarsh::test
