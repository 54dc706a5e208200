#include "Virtualization/ServiceVirtualMachine.h"

#include "Foundation/FileIO.h"
#include "Foundation/Text.h"
#include "MainLoop.h"
#include "Virtualization/ControlChannel.h"
#include "Virtualization/VMChildProcess.h"
#include "Virtualization/VirtioSocketConnection.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vz {

namespace {

std::string parentFolder(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

ServiceVirtualMachine::ServiceVirtualMachine(VirtualMachineConfiguration configuration, quillmarsh::MainLoop& loop)
    : configuration_(std::move(configuration)), loop_(loop) {
    if (!configuration_.socketDevices.empty()) socketDevice_ = std::make_unique<VirtioSocketDevice>();
}

ServiceVirtualMachine::~ServiceVirtualMachine() {
    if (channel_) {
        loop_.unwatch(channel_.get());
        channel_.reset();
    }
    killService();
}

void ServiceVirtualMachine::killService() {
    if (pid_ <= 0) return;
    VMChildProcess::killAndReap(pid_);
    pid_ = -1; // never started again
}

std::string ServiceVirtualMachine::describe(const VirtualMachineConfiguration& c) {
    using quillmarsh::Text;
    nlohmann::json shares = nlohmann::json::object();
    for (const auto& device : c.directorySharingDevices)
        if (auto* dir = std::get_if<VirtualMachineConfiguration::SingleDirectoryShare>(&device.share))
            shares[Text::hexEncoded(device.tag)] = {{"path", Text::hexEncoded(dir->path)}, {"read_only", dir->readOnly}};
    nlohmann::json script = nullptr;
    if (auto* linux = std::get_if<VirtualMachineConfiguration::LinuxBootLoader>(&c.bootLoader)) script = Text::hexEncoded(linux->kernel);
    if (auto* mac = std::get_if<VirtualMachineConfiguration::MacPlatform>(&c.platform))
        script = Text::hexEncoded(parentFolder(mac->auxiliaryStorage) + "/disk.img");
    return nlohmann::json{{"script", script}, {"shares", shares}}.dump();
}

bool ServiceVirtualMachine::sendConfiguration(int channel, const VirtualMachineConfiguration& c) {
    if (!c.serialPorts.empty() && c.serialPorts.front().file && *c.serialPorts.front().file &&
        !ControlChannel::send(channel, "console", c.serialPorts.front().file->get(), false))
        return false;
    const quillmarsh::UniqueFd description(::memfd_create("quillmarsh-vm-description", MFD_CLOEXEC));
    if (!description || !quillmarsh::FileIO::writeAll(description.get(), describe(c))) return false;
    // The service shares this offset: it reads from the start.
    if (::lseek(description.get(), 0, SEEK_SET) != 0) return false;
    return ControlChannel::send(channel, "config", description.get(), false);
}

bool ServiceVirtualMachine::sendControl(const std::string& text) {
    return channel_ && ControlChannel::send(channel_.get(), text, -1, false);
}

void ServiceVirtualMachine::start(Completion completion) {
    if (state_ != State::stopped || pid_ != 0) {
        completion(DomainError("vz", 6, "The virtual machine is not in a state that can be started."));
        return;
    }
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        completion(DomainError("vz", 6, std::string("The virtual machine service could not be started: ") + std::strerror(errno) + "."));
        return;
    }
    quillmarsh::UniqueFd toolEnd(pair[0]);
    quillmarsh::UniqueFd serviceEnd(pair[1]);
    std::string program = VMChildProcess::toolFolder() + "/" + serviceProgram;
    std::string fdText = "3";
    char* argv[] = {program.data(), fdText.data(), nullptr};
    const quillmarsh::UniqueFd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid == 0) {
        // The child: only async-signal-safe calls until exec.
        if (!VMChildProcess::enter(parent)) ::_exit(127);
        // The service's end becomes its descriptor 3; every other one closes on exec.
        if (serviceEnd.get() == 3) ::fcntl(3, F_SETFD, 0);
        else ::dup2(serviceEnd.get(), 3);
        // Nothing the service prints (an abort's text) reaches the tool's own outputs.
        if (devNull) {
            ::dup2(devNull.get(), 0);
            ::dup2(devNull.get(), 1);
            ::dup2(devNull.get(), 2);
        }
        ::execv(program.c_str(), argv);
        ::_exit(127);
    }
    // The service holds its own copy of its end: the tool's copy goes, so that the service's exit
    // ends the channel.
    serviceEnd.reset();
    if (pid < 0) {
        int err = errno;
        toolEnd.reset();
        completion(DomainError("vz", 6, std::string("The virtual machine service could not be started: ") + std::strerror(err) + "."));
        return;
    }
    ::setpgid(pid, pid); // also from here, so the group exists whichever side runs first
    pid_ = pid;
    channel_ = std::move(toolEnd);
    state_ = State::starting;
    startCompletion_ = std::move(completion);
    loop_.watch(channel_.get(), [this] { readControl(); });
    if (!sendConfiguration(channel_.get(), configuration_) || !sendControl("start"))
        ended(DomainError("vz", 6, "The virtual machine service could not be given its configuration."));
}

bool ServiceVirtualMachine::canRequestStop() const { return state_ == State::running; }

std::optional<DomainError> ServiceVirtualMachine::requestStop() {
    if (state_ != State::running || !sendControl("request-stop"))
        return DomainError("vz", 7, "The stop request could not be sent to the guest.");
    return std::nullopt;
}

bool ServiceVirtualMachine::canStop() const {
    return state_ == State::running || state_ == State::paused || state_ == State::error || state_ == State::starting;
}

void ServiceVirtualMachine::stop(Completion completion) {
    if (!canStop()) {
        completion(DomainError("vz", 8, "The virtual machine is not in a state that can be stopped."));
        return;
    }
    state_ = State::stopping;
    stopCompletion_ = std::move(completion);
    if (!sendControl("stop")) {
        ended(std::nullopt); // the service is gone or not listening: it is killed there
        return;
    }
    std::weak_ptr<int> alive = alive_;
    loop_.after(stopAnswerMs, [this, alive] {
        if (alive.expired() || state_ != State::stopping) return;
        stopFailure_ = DomainError("vz", 13,
                                   "The virtual machine did not stop within " + std::to_string(stopAnswerMs / 1000) +
                                       " seconds; its service process was killed.");
        ended(std::nullopt);
    });
}

std::vector<VirtioSocketDevice*> ServiceVirtualMachine::socketDevices() {
    if (!socketDevice_) return {};
    return {socketDevice_.get()};
}

void ServiceVirtualMachine::finishStart(std::optional<DomainError> error) {
    if (!startCompletion_) return;
    auto completion = std::move(startCompletion_);
    startCompletion_ = nullptr;
    completion(std::move(error));
}

void ServiceVirtualMachine::ended(const std::optional<DomainError>& error) {
    if (channel_) loop_.unwatch(channel_.get());
    channel_.reset();
    killService();
    bool wasStopping = state_ == State::stopping;
    state_ = error ? State::error : State::stopped;
    if (wasStopping && stopCompletion_) {
        auto completion = std::move(stopCompletion_);
        stopCompletion_ = nullptr;
        completion(stopFailure_);
        return;
    }
    if (startCompletion_) {
        if (startFailure_) finishStart(startFailure_);
        else finishStart(error ? error : DomainError("vz", 9, "The virtual machine stopped while it was starting."));
        return;
    }
    auto observer = delegate.lock();
    if (!observer) return;
    if (error) observer->virtualMachineDidStopWithError(*this, *error);
    else observer->guestDidStop(*this);
}

void ServiceVirtualMachine::readControl() {
    auto message = ControlChannel::receive(channel_.get());
    if (!message) {
        ended(DomainError("vz", 10, "The virtual machine stopped unexpectedly."));
        return;
    }
    const std::string& text = message->text;
    auto space = text.find(' ');
    std::string verb = text.substr(0, space);
    std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
    if (verb == "started") {
        state_ = State::running;
        finishStart(std::nullopt);
    } else if (verb == "start-failed") {
        startFailure_ = DomainError("vz", 12, rest);
        ended(std::nullopt);
    } else if (verb == "guest-stopped") {
        ended(std::nullopt);
    } else if (verb == "stopped") {
        ended(std::nullopt);
    } else if (verb == "error") {
        ended(DomainError("vz", 11, rest));
    } else if (verb == "connect") {
        // "connect ID PORT" with the host end of a socket pair; a garbled one is refused.
        std::string id = rest.substr(0, rest.find(' '));
        const auto connect = ControlChannel::parseConnect(rest);
        bool accepted = false;
        if (message->fd && connect) {
            auto connection = std::make_shared<VirtioSocketConnection>(message->fd.release(), 0x40000000u + std::uint32_t(connect->id), connect->port);
            if (socketDevice_ && state_ == State::running) accepted = socketDevice_->connectionArrived(connection);
            else connection->close();
        }
        // A service that does not take its answer keeps its guest waiting; the tool does not wait.
        sendControl((accepted ? "accept " : "refuse ") + id);
    }
}

} // namespace vz
