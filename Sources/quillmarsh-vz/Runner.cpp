#include "Runner.h"

#include "Foundation/FileIO.h"
#include "Foundation/Saturating.h"
#include "GuestPriority.h"
#include "MacGuestConfiguration.h"
#include "MainLoop.h"
#include "ToolDomainError.h"
#include "Virtualization/VirtioSocketConnection.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include <sys/socket.h>

#include <unistd.h>

namespace quillmarsh {

namespace {

using Config = vz::VirtualMachineConfiguration;

std::string rosettaWord(Config::RosettaShare::Availability availability) {
    switch (availability) {
    case Config::RosettaShare::Availability::notSupported: return "not_supported";
    case Config::RosettaShare::Availability::notInstalled: return "not_installed";
    case Config::RosettaShare::Availability::installed: return "installed";
    }
    return "unknown";
}

std::int64_t millis(std::int64_t seconds) { return Saturating::multiply(seconds, 1000); }

} // namespace

Runner::Runner(VMOptions runOptions, Host host)
    : options(std::move(runOptions)), started(host.loop.nowMs()), host_(std::move(host)) {}

// MARK: configuration

Config Runner::configuration() {
    Config c;
    c.cpuCount = std::min<std::int64_t>(options.cpus, Config::maximumAllowedCPUCount());
    std::int64_t bytes = Saturating::multiply(options.memoryMiB, 1048576);
    c.memorySize = std::min<std::uint64_t>(bytes < 0 ? 0 : std::uint64_t(bytes), Config::maximumAllowedMemorySize());
    bool mac = options.macBundle.has_value();
    if (mac) {
        c.platform = macPlatform(*options.macBundle, !options.keepIdentity);
        c.bootLoader = Config::MacOSBootLoader{};
        macDevices(c, options.mac, options.netFD);
    } else {
        Config::GenericPlatform platform{Config::MachineIdentifier::fresh().data, false};
        if (options.nested) {
            if (!Config::GenericPlatform::isNestedVirtualizationSupported()) throw ToolDomainError::nested();
            platform.nestedVirtualizationEnabled = true;
        }
        c.platform = platform;
        if (options.kernel) {
            c.bootLoader = Config::LinuxBootLoader{*options.kernel, options.initrd, options.cmdline};
        } else {
            c.bootLoader = Config::EFIBootLoader{FileIO::exists(options.efiStore) ? Config::EFIVariableStore::open(options.efiStore)
                                                                              : Config::EFIVariableStore::create(options.efiStore)};
        }
    }
    for (std::size_t index = 0; index < options.disks.size(); ++index) {
        const auto& disk = options.disks[index];
        auto caching = options.cache == VMDiskCache::cached      ? Config::CachingMode::cached
                       : options.cache == VMDiskCache::automatic ? Config::CachingMode::automatic
                                                                 : Config::CachingMode::uncached;
        auto sync = index == 0 && options.sync == VMDiskSync::none ? Config::SynchronizationMode::none : Config::SynchronizationMode::full;
        Config::DiskImageAttachment attachment(disk.path, disk.readOnly, caching, sync);
        auto kind = !mac && index == 0 && options.bus == VMDiskBus::nvme ? Config::StorageDevice::Kind::nvme
                                                                          : Config::StorageDevice::Kind::virtioBlock;
        c.storageDevices.push_back({kind, attachment});
    }
    if (!mac) {
        Config::NetworkDevice network{Config::NATAttachment{}, Config::MACAddress::randomLocallyAdministered()};
        if (options.netFD) network.attachment = Config::FileHandleAttachment{*options.netFD};
        if (options.mac) {
            auto parsed = Config::MACAddress::parse(*options.mac);
            if (!parsed) throw ToolDomainError::invalidMAC(*options.mac);
            network.mac = *parsed;
        }
        c.networkDevices = {network};
        c.entropyDevices = 1;
    }
    c.memoryBalloonDevices = 1;
    if (options.consoleLog) c.serialPorts.push_back(Config::SerialPort::fileAttachment(*options.consoleLog));
    if (options.secretStdin || options.secretOnDemand || options.reportDir) c.socketDevices.push_back({});
    for (const auto& share : options.shares) {
        Config::FileSystemDevice::validateTag(share.tag);
        c.directorySharingDevices.push_back({share.tag, Config::SingleDirectoryShare{share.path, share.readOnly}});
    }
    if (options.rosetta) {
        auto availability = Config::RosettaShare::availability();
        if (availability != Config::RosettaShare::Availability::installed) throw ToolDomainError::rosetta(rosettaWord(availability));
        c.directorySharingDevices.push_back({"rosetta", Config::RosettaShare{}});
    }
    c.validate();
    return c;
}

// MARK: lifecycle

void Runner::start() {
    // The report folder is fixed now: a folder swapped for a link later sends no report elsewhere.
    if (options.reportDir) reportFolder_ = ReportListener::openFolder(*options.reportDir);
    std::shared_ptr<Config> config;
    try {
        config = std::make_shared<Config>(configuration());
    } catch (const std::exception& e) {
        finish(VMRunResult::Reason::error, std::string(e.what()));
        return;
    }
    watchSignals();
    if (!(options.secretStdin && !options.secretOnDemand)) {
        boot(std::move(*config));
        return;
    }
    // The runner configuration is read before boot, but never without bound: the read runs off the
    // loop, so the time-out and SIGTERM/SIGINT still end the run with its line while it waits.
    waitingBeforeBoot_ = true;
    readInBackground([config](std::shared_ptr<Runner> self, std::optional<SecretBytes> bytes) {
        if (self->finished || !self->waitingBeforeBoot_) return;
        self->waitingBeforeBoot_ = false;
        if (!bytes) {
            self->finish(VMRunResult::Reason::error, ToolDomainError::runnerConfig().what());
            return;
        }
        self->secret = std::move(*bytes);
        self->boot(std::move(*config));
    });
    std::weak_ptr<Runner> weak = weak_from_this();
    host_.loop.after(millis(options.secretTimeoutSeconds), [weak] {
        auto self = weak.lock();
        if (!self || self->finished || !self->waitingBeforeBoot_) return;
        self->waitingBeforeBoot_ = false;
        self->finish(VMRunResult::Reason::error, self->secretTimeoutText());
    });
}

void Runner::boot(Config configuration) {
    try {
        vm = host_.makeVM(configuration);
    } catch (const std::exception& e) {
        finish(VMRunResult::Reason::error, std::string(e.what()));
        return;
    }
    vm->delegate = weak_from_this();
    watchTimeout();
    std::weak_ptr<Runner> weak = weak_from_this();
    vm->start([weak](std::optional<vz::DomainError> error) {
        auto self = weak.lock();
        if (!self || self->finished) return;
        if (error) {
            self->finish(VMRunResult::Reason::error, "start: " + error->localizedDescription());
            return;
        }
        self->serveSecret(*self->vm);
        self->serveReports(*self->vm);
        lowerGuestPriority(self->host_.loop, self->options.nice, 10, self->host_.diagnose, self->vm->processName());
    });
}

void Runner::watchSignals() {
    std::weak_ptr<Runner> weak = weak_from_this();
    for (int signal : MainLoop::stopSignals) {
        host_.loop.onSignal(signal, [weak] {
            if (auto self = weak.lock()) self->signalled();
        });
    }
}

void Runner::signalled() {
    if (!vm && waitingBeforeBoot_) {
        waitingBeforeBoot_ = false;
        finish(VMRunResult::Reason::cancelled, std::nullopt);
        return;
    }
    shutdown(VMRunResult::Reason::cancelled);
}

void Runner::watchTimeout() {
    std::weak_ptr<Runner> weak = weak_from_this();
    host_.loop.after(millis(options.timeoutSeconds), [weak] {
        if (auto self = weak.lock()) self->shutdown(VMRunResult::Reason::timeout);
    });
}

void Runner::shutdown(VMRunResult::Reason reason) {
    if (!vm || finished || stopReason) return;
    stopReason = reason;
    if (vm->canRequestStop()) (void)vm->requestStop(); // the forced stop after the grace covers a failure
    std::weak_ptr<Runner> weak = weak_from_this();
    host_.loop.after(millis(options.stopGraceSeconds), [weak] {
        if (auto self = weak.lock()) self->forceStop();
    });
}

void Runner::forceStop() {
    if (!vm || finished) return;
    auto reason = stopReason.value_or(VMRunResult::Reason::error);
    if (!vm->canStop()) {
        finish(reason, "virtual machine in state " + std::to_string(int(vm->state())) + " cannot be stopped");
        return;
    }
    std::weak_ptr<Runner> weak = weak_from_this();
    vm->stop([weak, reason](std::optional<vz::DomainError> error) {
        auto self = weak.lock();
        if (!self) return;
        std::optional<std::string> message = self->secretError;
        if (!message && error) message = error->localizedDescription();
        self->finish(self->stopReason.value_or(reason), message);
    });
}

void Runner::finish(VMRunResult::Reason reason, const std::optional<std::string>& error) {
    if (finished) return;
    finished = true;
    auto line = VMRunResult(reason, elapsedMs(), error).jsonLine();
    int status = reason == VMRunResult::Reason::error ? 1 : 0;
    auto end = [this, line, status] { writeLine(line, status); };
    // Reports the guest sent before it stopped are still being read: they are written first (the
    // guest's end is gone, so each read ends at once), within a bound, and then the line follows.
    if (reportListener && reportListener->reading() > 0) {
        reportListener->onIdle = end;
        host_.loop.after(reportDrainMs, end);
        return;
    }
    end();
}

void Runner::writeLine(const std::string& line, int status) {
    if (lineWritten_) return;
    lineWritten_ = true;
    host_.writeResult(line);
    host_.exit(status);
}

void Runner::failed(const std::string& message) {
    finished = true;
    writeLine(VMRunResult(VMRunResult::Reason::error, elapsedMs(), message).jsonLine(), 1);
}

std::int64_t Runner::elapsedMs() const {
    return std::max<std::int64_t>(0, Saturating::subtract(host_.loop.nowMs(), started));
}

void Runner::guestDidStop(vz::VirtualMachine&) { finish(stopReason.value_or(VMRunResult::Reason::guestStopped), secretError); }

void Runner::virtualMachineDidStopWithError(vz::VirtualMachine&, const vz::DomainError& error) {
    finish(VMRunResult::Reason::error, error.localizedDescription());
}

// MARK: runner-configuration hand-off

SecretBytes Runner::readSecretLine(int fd) {
    SecretBytes bytes;
    char area[4096];
    bool failed = false;
    for (;;) {
        ssize_t n = ::read(fd, area, sizeof area);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        bytes.append(area, std::size_t(n));
        // An input that never ends (or a huge one) is not one runner configuration: stop reading.
        if (bytes.size() > secretInputLimit) {
            failed = true;
            break;
        }
    }
    explicit_bzero(area, sizeof area);
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
    if (failed || bytes.empty() || bytes.view().find('\n') != std::string_view::npos) {
        bytes.wipe();
        throw ToolDomainError::runnerConfig();
    }
    return bytes;
}

void Runner::readInBackground(std::function<void(std::shared_ptr<Runner>, std::optional<SecretBytes>)> then) {
    std::weak_ptr<Runner> weak = weak_from_this();
    auto post = host_.loop.poster();
    int fd = host_.stdinFd;
    std::thread([weak, post, fd, then = std::move(then)] {
        auto bytes = std::make_shared<std::optional<SecretBytes>>();
        try {
            *bytes = readSecretLine(fd);
        } catch (const std::exception&) {
        }
        post([weak, bytes, then] {
            if (auto self = weak.lock()) then(self, std::move(*bytes));
        });
    }).detach();
}

std::string Runner::secretTimeoutText() const {
    std::string n = std::to_string(options.secretTimeoutSeconds);
    if (secret) return "the guest did not ask for its runner config within " + n + " seconds";
    return "the runner config did not arrive within " + n + " seconds";
}

void Runner::serveSecret(vz::VirtualMachine& machine) {
    if (!options.secretStdin && !options.secretOnDemand) return;
    auto devices = machine.socketDevices();
    if (devices.empty()) return;
    secretListener = std::make_shared<vz::VirtioSocketListener>();
    secretListener->delegate = weak_from_this();
    devices.front()->setSocketListener(secretListener, VMOptions::secretPort);
    if (options.secretOnDemand) {
        readInBackground([](std::shared_ptr<Runner> self, std::optional<SecretBytes> bytes) { self->secretArrived(std::move(bytes)); });
    }
    std::weak_ptr<Runner> weak = weak_from_this();
    host_.loop.after(millis(options.secretTimeoutSeconds), [weak] {
        auto self = weak.lock();
        if (!self || self->secretDelivered || self->finished) return;
        self->secretError = self->secretTimeoutText();
        self->shutdown(VMRunResult::Reason::error);
    });
}

void Runner::secretArrived(std::optional<SecretBytes> bytes) {
    if (finished || secretDelivered) return;
    if (!bytes) {
        secretError = "no runner config arrived on stdin";
        shutdown(VMRunResult::Reason::error);
        return;
    }
    secret = std::move(*bytes);
    deliverToWaiting();
}

bool Runner::listener(vz::VirtioSocketListener&, std::shared_ptr<vz::VirtioSocketConnection> connection, vz::VirtioSocketDevice&) {
    if (secretDelivered) return false;
    // It waits its turn behind any earlier connection; with the line held and none under way, its
    // hand-over starts at once.
    secretWaiting.push_back(std::move(connection));
    deliverToWaiting();
    return true;
}

void Runner::startDelivery(std::shared_ptr<vz::VirtioSocketConnection> connection) {
    delivery_ = Delivery{std::move(connection), SecretBytes(*secret), 0, false};
    delivery_->bytes.push_back('\n');
    (void)advanceDelivery();
}

bool Runner::advanceDelivery() {
    switch (continueDelivery()) {
    case Progress::done: handedOver(); return true;
    case Progress::pending: return true;
    case Progress::failed: dropDelivery(); return false;
    }
    return false;
}

Runner::Progress Runner::continueDelivery() {
    Delivery& d = *delivery_;
    const int fd = d.connection->fileDescriptor();
    while (d.sent < d.bytes.size()) {
        // MSG_DONTWAIT: the loop never waits on a guest; MSG_NOSIGNAL: a gone guest is an error.
        const ssize_t n = ::send(fd, d.bytes.data() + d.sent, d.bytes.size() - d.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!d.watched) {
                d.watched = true;
                std::weak_ptr<Runner> weak = weak_from_this();
                host_.loop.watchWritable(fd, [weak] {
                    if (auto self = weak.lock()) self->deliveryWritable();
                });
            }
            return Progress::pending;
        }
        if (n <= 0) return Progress::failed;
        d.sent += std::size_t(n);
    }
    return Progress::done;
}

void Runner::deliveryWritable() {
    if (!delivery_) return;
    if (finished) {
        dropDelivery();
        return;
    }
    if (!advanceDelivery()) deliverToWaiting();
}

// Ends the hand-over under way, whatever became of it: the copy is wiped and the connection closed.
void Runner::dropDelivery() {
    if (!delivery_) return;
    Delivery d = std::move(*delivery_);
    delivery_.reset();
    if (d.watched) host_.loop.unwatchWritable(d.connection->fileDescriptor());
    d.bytes.wipe();
    d.connection->close();
}

void Runner::handedOver() {
    dropDelivery();
    secret->wipe();
    secret.reset();
    secretDelivered = true;
    if (vm) {
        auto devices = vm->socketDevices();
        if (!devices.empty()) devices.front()->removeSocketListener(VMOptions::secretPort);
    }
    secretListener.reset();
    deliverToWaiting();
}

// The waiting connections in their order of arrival: the first on which a hand-over starts gets
// the line; once it has been handed over, the rest are closed.
void Runner::deliverToWaiting() {
    while (secret && !secretDelivered && !delivery_ && !secretWaiting.empty()) {
        auto connection = std::move(secretWaiting.front());
        secretWaiting.erase(secretWaiting.begin());
        startDelivery(std::move(connection));
    }
    if (secretDelivered) {
        for (auto& connection : secretWaiting) connection->close();
        secretWaiting.clear();
    }
}

// MARK: reports

void Runner::serveReports(vz::VirtualMachine& machine) {
    if (!options.reportDir) return;
    auto devices = machine.socketDevices();
    if (devices.empty()) return;
    auto listener = std::make_shared<ReportListener>(std::move(reportFolder_), host_.loop.poster());
    auto socketListener = std::make_shared<vz::VirtioSocketListener>();
    socketListener->delegate = listener;
    devices.front()->setSocketListener(socketListener, VMOptions::reportPort);
    reportListener = listener;
}

} // namespace quillmarsh
