#include "LinuxScreenLock.h"

#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"
#include "SysfsText.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmarsh {
namespace {

std::string activeSession(const std::string& root) {
    const auto seat = SysfsText::read(root + "/run/systemd/seats/seat0");
    if (!seat) return {};
    for (const std::string& line : Text::split(*seat, '\n')) {
        if (line.rfind("ACTIVE=", 0) == 0) return Text::trimmingWhitespaceAndNewlines(line.substr(7));
    }
    return {};
}

// Runs the program with its standard output captured; none when it cannot start, fails or
// outlasts the time-out (it is then killed).
std::optional<std::string> capture(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    char* envp[] = {nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    // The child's copy is then the only writer: the reads end when it exits.
    writeEnd.reset();
    if (spawned != 0) return std::nullopt;
    std::string out;
    bool complete = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fd{readEnd.get(), POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[1024];
        const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            complete = got == 0;
            break;
        }
        if (out.size() < 64 * 1024) out.append(buffer, static_cast<std::size_t>(got));
    }
    readEnd.reset();
    if (!complete) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}

} // namespace

bool LinuxScreenLock::screenLocked() {
    const std::string session = activeSession(root_);
    if (session.empty()) return false;
    const auto answer =
        capture(root_ + "/usr/bin/loginctl", {"show-session", session, "-p", "LockedHint"}, timeoutMs_);
    if (!answer) return false;
    for (const std::string& line : Text::split(*answer, '\n')) {
        if (Text::trimmingWhitespaceAndNewlines(line) == "LockedHint=yes") return true;
    }
    return false;
}

} // namespace quillmarsh
