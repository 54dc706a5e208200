#include "Support/PrivateBus.h"

#include "Foundation/UniqueFd.h"
#include "Support/HostProgram.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmarsh::test {

namespace {

// A session-type bus that listens in folder and allows everything, like the desktop's session
// bus, but without its service folders: no name on it is ever activated.
std::string configuration(const std::string& folder) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:dir=" + folder + "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

void stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// The first line the daemon writes, without its newline. A generous limit guards against a
// daemon that never prints; it is not a timing check.
std::string firstLine(int fd) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string line;
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("dbus-daemon printed no address");
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) continue;
        char buffer[512];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("dbus-daemon ended before it printed its address");
        line.append(buffer, static_cast<std::size_t>(got));
    }
    line.resize(line.find('\n'));
    return line;
}

} // namespace

std::optional<std::string> PrivateBus::daemonProgram() { return test::hostProgram("dbus-daemon"); }

PrivateBus::PrivateBus() {
    const auto program = daemonProgram();
    if (!program) throw std::runtime_error("dbus-daemon is not installed");
    const std::string config = folder_.write("bus.conf", configuration(folder_.string())).string();
    const std::string configArgument = "--config-file=" + config;
    std::vector<std::string> arguments{*program, configArgument, "--nofork", "--print-address=1"};
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    // The daemon's complaints (as root it cannot raise its descriptor limit, for one) go to a file
    // that a failed start quotes, not into every test's output.
    const std::string logPath = (folder_ / "daemon.log").string();
    const UniqueFd log(::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!log) throw std::runtime_error("cannot create " + logPath);
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        // Only system calls between fork and exec: the test program has other threads. The
        // daemon goes with the test program, also when the test crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null < 0 || ::dup2(null, STDIN_FILENO) < 0 || ::dup2(writeEnd.get(), STDOUT_FILENO) < 0 ||
            ::dup2(log.get(), STDERR_FILENO) < 0)
            ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    pid_ = pid;
    writeEnd.reset();
    try {
        address_ = QString::fromStdString(firstLine(readEnd.get()));
    } catch (const std::exception& error) {
        stop(pid_);
        std::ifstream said(logPath);
        throw std::runtime_error(std::string(error.what()) + ": " +
                                 std::string(std::istreambuf_iterator<char>(said), {}));
    }
}

PrivateBus::~PrivateBus() {
    for (const auto& name : connectionNames_) QDBusConnection::disconnectFromBus(name);
    stop(pid_);
}

QDBusConnection PrivateBus::connect(const QString& label) {
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("quillmarsh-test-%1-%2").arg(label).arg(++serial);
    connectionNames_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

} // namespace quillmarsh::test
