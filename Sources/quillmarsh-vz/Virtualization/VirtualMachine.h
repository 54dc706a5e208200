#pragma once

#include "Virtualization/DomainError.h"
#include "Virtualization/VirtioSocketDevice.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vz {

class VirtualMachine;

class VirtualMachineDelegate {
public:
    virtual ~VirtualMachineDelegate() = default;
    // The guest shut itself down.
    virtual void guestDidStop(VirtualMachine& vm) = 0;
    // The VM stopped because of an error.
    virtual void virtualMachineDidStopWithError(VirtualMachine& vm, const DomainError& error) = 0;
};

// A VM as the run sees it. Every callback comes on the main loop.
class VirtualMachine {
public:
    // The numeric states, in the framework's order.
    enum class State : int { stopped = 0, running = 1, paused = 2, error = 3, starting = 4, pausing = 5,
                             resuming = 6, stopping = 7, saving = 8, restoring = 9 };
    using Completion = std::function<void(std::optional<DomainError>)>;

    virtual ~VirtualMachine() = default;
    virtual void start(Completion completion) = 0;
    virtual bool canRequestStop() const = 0;
    // Asks the guest to stop; an error when the request could not be sent.
    virtual std::optional<DomainError> requestStop() = 0;
    virtual bool canStop() const = 0;
    // Stops the VM without the guest's consent.
    virtual void stop(Completion completion) = 0;
    virtual State state() const = 0;
    virtual std::vector<VirtioSocketDevice*> socketDevices() = 0;
    // The executable name of the process the guest runs in, as /proc shows it: the process whose
    // priority the run lowers.
    virtual std::string processName() const { return "quillmarsh-vz-service"; }

    std::weak_ptr<VirtualMachineDelegate> delegate;
};

} // namespace vz
