#pragma once

#include "Foundation/UniqueFd.h"
#include "Virtualization/VirtualMachine.h"
#include "Virtualization/VirtualMachineConfiguration.h"

#include <sys/types.h>

#include <memory>
#include <string>

namespace quillmarsh {
class MainLoop;
}

namespace vz {

// The VM of this platform: a separate service process ("quillmarsh-vz-service", found next to the
// running executable) in its own process group, killed with the tool (PR_SET_PDEATHSIG). The guest's
// connections arrive over the private control channel as socket-pair ends passed by SCM_RIGHTS.
class ServiceVirtualMachine final : public VirtualMachine {
public:
    static constexpr const char* serviceProgram = "quillmarsh-vz-service";

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
    // The description of what the service is to run, sent as its first message.
    static std::string describe(const VirtualMachineConfiguration& configuration);

private:
    void readControl();
    void ended(const std::optional<DomainError>& error);
    void finishStart(std::optional<DomainError> error);

    VirtualMachineConfiguration configuration_;
    quillmarsh::MainLoop& loop_;
    std::unique_ptr<VirtioSocketDevice> socketDevice_;
    State state_ = State::stopped;
    quillmarsh::UniqueFd channel_;
    pid_t pid_ = 0;
    Completion startCompletion_;
    Completion stopCompletion_;
    std::optional<DomainError> startFailure_;
};

} // namespace vz
