#include "Virtualization/QemuVirtualMachine.h"

#include "Foundation/FileIO.h"
#include "MainLoop.h"
#include "Virtualization/EFIFirmware.h"
#include "Virtualization/GuestScript.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vz {

namespace {

using Config = VirtualMachineConfiguration;
using quillmarsh::UniqueFd;

DomainError openError(const std::string& what, const std::string& path, int err) {
    return DomainError("vz", 3, "The " + what + " \xe2\x80\x9c" + path + "\xe2\x80\x9d couldn\xe2\x80\x99t be opened: " + std::strerror(err) + ".");
}

UniqueFd openOrThrow(const std::string& what, const std::string& path, int flags) {
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY));
    if (!fd) throw openError(what, path, errno);
    return fd;
}

// Whether the file system under `fd` takes uncached (O_DIRECT) I/O; tmpfs, for one, does not, and
// there the image is used through the page cache rather than not at all.
bool takesDirectIO(int fd, bool readOnly) {
    const UniqueFd probe(::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_DIRECT | O_CLOEXEC));
    return bool(probe);
}

// Whether the file holds a kernel QEMU can boot directly: an x86 boot image ("HdrS" in its setup
// header), an ELF kernel, or an arm64 Image. QEMU would jump into anything else, and the guest would
// spin on garbage until the run's time-out.
bool isKernelImage(int fd) {
    unsigned char head[0x240] = {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (n >= 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) return true;
#if defined(__aarch64__)
    return n >= 0x3c && std::memcmp(head + 0x38, "ARM\x64", 4) == 0;
#else
    return n >= 0x206 && std::memcmp(head + 0x202, "HdrS", 4) == 0;
#endif
}

// The longest line of QEMU's standard error that is kept: its messages are one short line each.
constexpr std::size_t errorLineLimit = 4000;

} // namespace

bool QemuVirtualMachine::runs(const Config& c) {
    if (!std::holds_alternative<Config::GenericPlatform>(c.platform)) return false;
    if (std::holds_alternative<Config::EFIBootLoader>(c.bootLoader)) return true;
    const auto* linux = std::get_if<Config::LinuxBootLoader>(&c.bootLoader);
    return linux && !GuestScript::isScriptFile(linux->kernel);
}

QemuVirtualMachine::QemuVirtualMachine(Config configuration, quillmarsh::MainLoop& loop)
    : configuration_(std::move(configuration)), loop_(loop) {
    if (!configuration_.socketDevices.empty()) socketDevice_ = std::make_unique<VirtioSocketDevice>();
}

QemuVirtualMachine::~QemuVirtualMachine() {
    for (int fd : {monitor_.get(), errors_.get(), processFd_.get()})
        if (fd >= 0) loop_.unwatch(fd);
    if (pid_ > 0 && exitStatus_ < 0) {
        ::kill(-pid_, SIGKILL);
        // Reaped within moments; one stuck in the kernel is left behind rather than holding the tool.
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const pid_t reaped = ::waitpid(pid_, nullptr, WNOHANG);
            if (reaped == pid_ || (reaped < 0 && errno != EINTR)) break;
            ::usleep(1000);
        }
    }
}

std::string QemuVirtualMachine::processName() const { return host_ ? host_->executableName : QemuHost::programName(); }

std::vector<VirtioSocketDevice*> QemuVirtualMachine::socketDevices() {
    if (!socketDevice_) return {};
    return {socketDevice_.get()};
}

// MARK: starting

QemuFiles QemuVirtualMachine::openFiles() {
    QemuFiles files;
    std::vector<UniqueFd> owned;
    const auto keep = [&](UniqueFd fd) {
        owned.push_back(std::move(fd));
        return owned.back().get();
    };
    if (const auto* linux = std::get_if<Config::LinuxBootLoader>(&configuration_.bootLoader)) {
        files.kernel = keep(openOrThrow("kernel", linux->kernel, O_RDONLY));
        if (!isKernelImage(files.kernel))
            throw DomainError("vz", 3, "The kernel \xe2\x80\x9c" + linux->kernel + "\xe2\x80\x9d is not a Linux kernel image.");
        if (linux->initrd) files.initrd = keep(openOrThrow("initial RAM disk", *linux->initrd, O_RDONLY));
    }
    if (const auto* efi = std::get_if<Config::EFIBootLoader>(&configuration_.bootLoader)) {
        const auto firmware = EFIFirmware::installed();
        if (!firmware) throw DomainError("vz", 3, EFIFirmware::missingText());
        files.firmwareCodePath = firmware->code;
        files.firmwareCode = keep(openOrThrow("EFI firmware", firmware->code, O_RDONLY));
        files.firmwareVariables = keep(openOrThrow("EFI variable store", efi->variableStore.path, O_RDWR));
    }
    for (const auto& device : configuration_.storageDevices) {
        const auto& a = device.attachment;
        QemuFiles::Disk disk;
        disk.fd = keep(openOrThrow("storage device attachment", a.path, a.readOnly ? O_RDONLY : O_RDWR));
        disk.direct = a.caching == Config::CachingMode::uncached && takesDirectIO(disk.fd, a.readOnly);
        files.disks.push_back(disk);
    }
    for (const auto& device : configuration_.directorySharingDevices)
        if (const auto* dir = std::get_if<Config::SingleDirectoryShare>(&device.share))
            files.shares.push_back(keep(openOrThrow("shared directory", dir->path, O_RDONLY | O_DIRECTORY)));
    if (!configuration_.serialPorts.empty() && configuration_.serialPorts.front().file)
        files.console = configuration_.serialPorts.front().file->get();
    for (const auto& network : configuration_.networkDevices)
        if (const auto* handle = std::get_if<Config::FileHandleAttachment>(&network.attachment)) {
            if (::fcntl(handle->fd, F_GETFD) < 0)
                throw DomainError("vz", 3, "The network attachment\xe2\x80\x99s file descriptor " + std::to_string(handle->fd) + " is not open.");
            files.network = handle->fd;
        }
    openFiles_ = std::move(owned);
    return files;
}

void QemuVirtualMachine::start(Completion completion) {
    if (state_ != State::stopped || pid_ != 0) {
        completion(DomainError("vz", 6, "The virtual machine is not in a state that can be started."));
        return;
    }
    std::string whyNot;
    host_ = QemuHost::detect(whyNot);
    if (!host_) {
        completion(DomainError("vz", 6, whyNot));
        return;
    }
    QemuFiles files;
    try {
        files = openFiles();
    } catch (const DomainError& e) {
        completion(e);
        return;
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        openFiles_.clear();
        completion(DomainError("vz", 6, std::string("The monitor channel could not be made: ") + std::strerror(errno) + "."));
        return;
    }
    monitor_.reset(pair[0]);
    openFiles_.emplace_back(pair[1]);
    files.monitor = pair[1];
    invocation_ = QemuCommandLine::build(configuration_, *host_, files);
    if (files.console >= 0) (void)quillmarsh::FileIO::writeAll(files.console, QemuHost::consoleBanner(host_->kvm));
    startCompletion_ = std::move(completion);
    state_ = State::starting;
    spawn(invocation_);
}

void QemuVirtualMachine::spawn(const QemuInvocation& invocation) {
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        openFiles_.clear();
        ended(DomainError("vz", 6, std::string("QEMU could not be started: ") + std::strerror(errno) + "."));
        return;
    }
    UniqueFd errorRead(errorPipe[0]), errorWrite(errorPipe[1]);
    const UniqueFd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));

    // Everything the child needs is made before fork: after it, only async-signal-safe calls.
    std::vector<std::string> args = invocation.arguments;
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // QEMU gets a fixed environment: nothing of the tool's own (the agent's) reaches it.
    std::string path = "PATH=/usr/sbin:/usr/bin:/sbin:/bin", locale = "LC_ALL=C";
    char* envp[] = {path.data(), locale.data(), nullptr};
    const std::vector<int>& passed = invocation.passedFds;
    const int count = int(passed.size());
    std::vector<int> moved(passed.size(), -1);
    static constexpr char execFailed[] = "QEMU could not be run\n";
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGXFSZ, SIG_DFL);
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        // Out of the way of the numbers the passed files get, then into place.
        const int base = QemuInvocation::firstPassedFd + count;
        const int err = ::fcntl(errorWrite.get(), F_DUPFD_CLOEXEC, base);
        const int null = devNull ? ::fcntl(devNull.get(), F_DUPFD_CLOEXEC, base) : -1;
        for (int i = 0; i < count; ++i)
            if ((moved[std::size_t(i)] = ::fcntl(passed[std::size_t(i)], F_DUPFD_CLOEXEC, base)) < 0) ::_exit(127);
        if (err < 0 || null < 0) ::_exit(127);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(err, 2);
        for (int i = 0; i < count; ++i)
            if (::dup2(moved[std::size_t(i)], QemuInvocation::firstPassedFd + i) < 0) ::_exit(127);
        // Nothing else the tool holds (or inherited from the agent) reaches QEMU.
        if (::syscall(SYS_close_range, unsigned(base), ~0u, 0) != 0)
            for (int fd = base; fd < 65536; ++fd) ::close(fd);
        ::execve(argv[0], argv.data(), envp);
        (void)!::write(2, execFailed, sizeof execFailed - 1);
        ::_exit(127);
    }
    const int forkError = errno;
    errorWrite.reset();
    openFiles_.clear(); // QEMU holds its own copies
    if (pid < 0) {
        ended(DomainError("vz", 6, std::string("QEMU could not be started: ") + std::strerror(forkError) + "."));
        return;
    }
    ::setpgid(pid, pid); // also from here, so the group exists whichever side runs first
    pid_ = pid;
    processFd_.reset(int(::syscall(SYS_pidfd_open, pid, 0)));
    errors_ = std::move(errorRead);
    ::fcntl(errors_.get(), F_SETFL, ::fcntl(errors_.get(), F_GETFL) | O_NONBLOCK);
    qmp_.emplace(monitor_.get());
    loop_.watch(monitor_.get(), [this] { readMonitor(); });
    loop_.watch(errors_.get(), [this] { readErrors(); });
    if (processFd_) loop_.watch(processFd_.get(), [this] { processEnded(); });
}

// MARK: QEMU's channels

void QemuVirtualMachine::readMonitor() {
    bool closed = false;
    auto messages = qmp_->receive(closed);
    for (const auto& message : messages) handle(message);
    if (!closed || !monitor_) return;
    loop_.unwatch(monitor_.get());
    monitor_.reset();
    qmp_.reset();
    // QEMU closes its monitor as it exits. Without a process descriptor to tell when it has gone,
    // the monitor's end stands for it.
    if (!processFd_) processEnded();
}

void QemuVirtualMachine::handle(const nlohmann::json& message) {
    const auto id = message.contains("id") && message["id"].is_string() ? message["id"].get<std::string>() : std::string();
    if (message.contains("QMP") && !greeted_) {
        greeted_ = true;
        if (!qmp_->send("qmp_capabilities", "capabilities")) killQemu();
        return;
    }
    if (message.contains("return")) {
        if (id == "capabilities" && !qmp_->send("cont", "cont")) killQemu();
        if (id == "cont" && state_ == State::starting) {
            state_ = State::running;
            finishStart(std::nullopt);
        }
        return;
    }
    if (message.contains("error")) {
        if ((id == "capabilities" || id == "cont") && state_ == State::starting) {
            const auto& error = message["error"];
            if (error.is_object() && error.contains("desc") && error["desc"].is_string())
                lastErrorLine_ = error["desc"].get<std::string>().substr(0, errorLineLimit);
            killQemu();
        }
        return;
    }
    if (message.value("event", "") == "SHUTDOWN") {
        const auto data = message.value("data", nlohmann::json::object());
        // A power-off or a reboot from inside the guest (QEMU runs with -no-reboot): the guest
        // stopped itself. A quit, a signal or a host request is not the guest's doing.
        if (data.is_object() && data.value("guest", false)) guestShutdown_ = true;
    }
}

void QemuVirtualMachine::readErrors() {
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::read(errors_.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) break;
        errorBuffer_.append(chunk, std::size_t(n));
        std::size_t start = 0;
        for (auto end = errorBuffer_.find('\n'); end != std::string::npos; end = errorBuffer_.find('\n', start)) {
            std::string line = errorBuffer_.substr(start, end - start);
            start = end + 1;
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (!line.empty()) lastErrorLine_ = line.substr(0, errorLineLimit);
        }
        errorBuffer_.erase(0, start);
        if (errorBuffer_.size() > errorLineLimit) errorBuffer_.resize(errorLineLimit);
    }
    // The end of QEMU's standard error: a last line without its line end counts too.
    if (!errorBuffer_.empty()) lastErrorLine_ = errorBuffer_;
    errorBuffer_.clear();
    loop_.unwatch(errors_.get());
    errors_.reset();
}

// MARK: ending

void QemuVirtualMachine::processEnded() {
    if (pid_ <= 0 || exitStatus_ >= 0) return;
    int status = 0;
    pid_t reaped;
    do reaped = ::waitpid(pid_, &status, processFd_ ? 0 : WNOHANG);
    while (reaped < 0 && errno == EINTR);
    if (reaped == pid_) exitStatus_ = status;
    else if (!processFd_) {
        // The monitor closed but QEMU has not exited yet: look again shortly, within a bound.
        std::weak_ptr<int> alive = alive_;
        loop_.after(10, [this, alive] {
            if (!alive.expired() && exitStatus_ < 0 && state_ != State::stopped) processEnded();
        });
        return;
    }
    if (errors_) readErrors(); // what QEMU wrote as it went
    ended(std::nullopt);
}

std::string QemuVirtualMachine::endText(const std::string& fallback) const {
    if (!lastErrorLine_.empty()) return invocation_.userMessage(lastErrorLine_);
    if (exitStatus_ >= 0 && WIFEXITED(exitStatus_)) return fallback + " (exit status " + std::to_string(WEXITSTATUS(exitStatus_)) + ")";
    if (exitStatus_ >= 0 && WIFSIGNALED(exitStatus_)) return fallback + " (killed by signal " + std::to_string(WTERMSIG(exitStatus_)) + ")";
    return fallback;
}

void QemuVirtualMachine::killQemu() {
    if (pid_ > 0 && exitStatus_ < 0) ::kill(-pid_, SIGKILL);
}

void QemuVirtualMachine::finishStart(std::optional<DomainError> error) {
    if (!startCompletion_) return;
    auto completion = std::move(startCompletion_);
    startCompletion_ = nullptr;
    completion(std::move(error));
}

void QemuVirtualMachine::ended(std::optional<DomainError> error) {
    for (UniqueFd* fd : {&monitor_, &errors_, &processFd_})
        if (*fd) {
            loop_.unwatch(fd->get());
            fd->reset();
        }
    qmp_.reset();
    if (pid_ > 0 && exitStatus_ < 0) killQemu();
    if (pid_ == 0) pid_ = -1; // never started again
    const bool wasStopping = state_ == State::stopping;
    state_ = State::stopped;
    if (wasStopping && stopCompletion_) {
        auto completion = std::move(stopCompletion_);
        stopCompletion_ = nullptr;
        completion(stopFailure_);
        return;
    }
    const std::string program = host_ ? host_->program : QemuHost::programName();
    if (startCompletion_) {
        finishStart(error ? *error : DomainError("vz", 12, endText(program + " ended before the guest ran")));
        return;
    }
    auto observer = delegate.lock();
    if (!observer) return;
    if (!error && guestShutdown_) {
        observer->guestDidStop(*this);
        return;
    }
    state_ = State::error;
    observer->virtualMachineDidStopWithError(*this, error ? *error : DomainError("vz", 11, endText(program + " ended unexpectedly")));
}

bool QemuVirtualMachine::canRequestStop() const { return state_ == State::running; }

std::optional<DomainError> QemuVirtualMachine::requestStop() {
    // The ACPI power button: a guest that handles it powers off.
    if (state_ != State::running || !qmp_ || !qmp_->send("system_powerdown", "powerdown"))
        return DomainError("vz", 7, "The stop request could not be sent to the guest.");
    return std::nullopt;
}

bool QemuVirtualMachine::canStop() const {
    return state_ == State::running || state_ == State::paused || state_ == State::error || state_ == State::starting;
}

void QemuVirtualMachine::stop(Completion completion) {
    if (!canStop() || pid_ <= 0) {
        completion(DomainError("vz", 8, "The virtual machine is not in a state that can be stopped."));
        return;
    }
    const bool running = state_ == State::running;
    state_ = State::stopping;
    stopCompletion_ = std::move(completion);
    // A running QEMU is told to quit over its monitor; one still starting (its monitor not yet
    // agreed) takes SIGTERM as the same request.
    if (!(running && qmp_ && qmp_->send("quit", "quit"))) ::kill(pid_, SIGTERM);
    std::weak_ptr<int> alive = alive_;
    loop_.after(stopAnswerMs, [this, alive] {
        if (alive.expired() || state_ != State::stopping) return;
        stopFailure_ = DomainError("vz", 13, "The virtual machine did not stop within " + std::to_string(stopAnswerMs / 1000) +
                                                 " seconds; its QEMU process was killed.");
        killQemu();
        loop_.after(reapWaitMs, [this, alive] {
            if (!alive.expired() && state_ == State::stopping) ended(std::nullopt);
        });
    });
}

} // namespace vz
