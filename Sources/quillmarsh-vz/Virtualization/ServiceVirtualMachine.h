#pragma once

#include "Foundation/UniqueFd.h"
#include "Virtualization/VirtualMachine.h"
#include "Virtualization/VirtualMachineConfiguration.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

namespace quillmarsh {
class MainLoop;
}

namespace vz {

// The VM of this platform: a separate service process ("quillmarsh-vz-service", found next to the
// running executable) in its own process group, killed with the tool (PR_SET_PDEATHSIG). The guest's
// connections arrive over the private control channel as socket-pair ends passed by SCM_RIGHTS.
//
// The tool never waits on the service: every message to it is sent without blocking. A service
// that does not take its configuration, "start" or "stop" is killed, and so is one that has not
// stopped within stopAnswerMs of a stop, which then completes with an error saying so; an answer
// to a guest connection it does not take only keeps its own guest waiting.
class ServiceVirtualMachine final : public VirtualMachine {
public:
    static constexpr const char* serviceProgram = "quillmarsh-vz-service";
    static constexpr std::int64_t stopAnswerMs = 5000;

    ServiceVirtualMachine(VirtualMachineConfiguration configuration, quillmarsh::MainLoop& loop);
    ~ServiceVirtualMachine() override;

    void start(Completion completion) override;
    bool canRequestStop() const override;
    std::optional<DomainError> requestStop() override;
    bool canStop() const override;
    void stop(Completion completion) override;
    State state() const override { return state_; }
    std::vector<VirtioSocketDevice*> socketDevices() override;

    // The service's process id once started (0 before).
    pid_t servicePid() const { return pid_; }
    // The description of what the service is to run: JSON with every path and share tag as
    // hexadecimal bytes, so that any path reaches the service unchanged, also one that is not
    // UTF-8 ({"script":HEX|null,"shares":{HEXTAG:{"path":HEX,"read_only":BOOL}}}).
    static std::string describe(const VirtualMachineConfiguration& configuration);
    // Sends a service what it is to run, on its channel, without waiting: "console" with the
    // console file's descriptor (when there is one), then "config" with a memory file holding the
    // description, so that no number of shares is too many for one message. False when it
    // could not (no memory file, the service not taking messages).
    static bool sendConfiguration(int channel, const VirtualMachineConfiguration& configuration);

private:
    void readControl();
    void ended(const std::optional<DomainError>& error);
    void finishStart(std::optional<DomainError> error);
    // Sends one message without waiting; false when the service did not take it.
    bool sendControl(const std::string& text);
    void killService();

    VirtualMachineConfiguration configuration_;
    quillmarsh::MainLoop& loop_;
    std::unique_ptr<VirtioSocketDevice> socketDevice_;
    State state_ = State::stopped;
    quillmarsh::UniqueFd channel_;
    pid_t pid_ = 0;
    Completion startCompletion_;
    Completion stopCompletion_;
    std::optional<DomainError> startFailure_;
    std::optional<DomainError> stopFailure_;
    // Timers hold this weakly: once the VM is gone they do nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace vz
