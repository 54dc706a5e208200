#include "Virtualization/VMChildProcess.h"

#include <cerrno>
#include <climits>
#include <csignal>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vz {

std::string VMChildProcess::toolFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    const std::string path(buffer, std::size_t(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool VMChildProcess::enter(pid_t parent) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // The tool ignores these two; the child starts with the defaults and sets its own.
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    return ::getppid() == parent;
}

void VMChildProcess::killAndReap(pid_t pid) {
    if (pid <= 0) return;
    ::kill(-pid, SIGKILL);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const pid_t reaped = ::waitpid(pid, nullptr, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno != EINTR)) break;
        ::usleep(1000);
    }
}

} // namespace vz
