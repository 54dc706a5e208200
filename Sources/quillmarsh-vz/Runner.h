#pragma once

#include "EventLoop.h"
#include "ReportListener.h"
#include "SecretBytes.h"
#include "Virtualization/VirtualMachine.h"
#include "Virtualization/VirtualMachineConfiguration.h"
#include "VM/VMOptions.h"
#include "VM/VMRunResult.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// One `run`: builds the VM, starts it, hands the runner configuration to the guest on port 1024,
// collects reports on port 1025, lowers the guest's priority, and ends with exactly one result line
// on every path (guest stop, signal, time-out, failure). All of its state lives on the loop.
class Runner : public vz::VirtualMachineDelegate,
               public vz::VirtioSocketListenerDelegate,
               public std::enable_shared_from_this<Runner> {
public:
    // What a run needs of the process around it.
    struct Host {
        EventLoop& loop;
        std::function<std::unique_ptr<vz::VirtualMachine>(const vz::VirtualMachineConfiguration&)> makeVM;
        // Writes the result line and "\n", flushed at once.
        std::function<void(const std::string&)> writeResult;
        // Ends the process with the status (tests record it instead).
        std::function<void(int)> exit;
        // Writes a diagnostic line (standard error).
        std::function<void(const std::string&)> diagnose;
        int stdinFd = 0;
    };

    // How long the end of a run waits for report files still being read.
    static constexpr std::int64_t reportDrainMs = 2000;

    Runner(VMOptions options, Host host);

    void start();
    void shutdown(VMRunResult::Reason reason);
    void forceStop();
    void finish(VMRunResult::Reason reason, const std::optional<std::string>& error);

    // The VM configuration from the options, validated. Throws vz::DomainError.
    vz::VirtualMachineConfiguration configuration();

    // Reads `fd` to its end: the runner configuration without its trailing line ends. Throws
    // ToolDomainError 4 (and wipes what it read) for an empty or multi-line input.
    static SecretBytes readSecretLine(int fd);

    void serveSecret(vz::VirtualMachine& vm);
    void secretArrived(std::optional<SecretBytes> bytes);
    bool listener(vz::VirtioSocketListener& listener, std::shared_ptr<vz::VirtioSocketConnection> connection,
                  vz::VirtioSocketDevice& device) override;
    bool deliverSecret(vz::VirtioSocketConnection& connection);
    void serveReports(vz::VirtualMachine& vm);

    void guestDidStop(vz::VirtualMachine& vm) override;
    void virtualMachineDidStopWithError(vz::VirtualMachine& vm, const vz::DomainError& error) override;

    const VMOptions options;
    const std::int64_t started; // monotonic ms
    std::unique_ptr<vz::VirtualMachine> vm;
    bool finished = false;
    std::optional<VMRunResult::Reason> stopReason;
    std::optional<SecretBytes> secret;
    std::optional<std::string> secretError;
    std::shared_ptr<vz::VirtioSocketListener> secretListener;
    std::vector<std::shared_ptr<vz::VirtioSocketConnection>> secretWaiting;
    bool secretDelivered = false;
    std::shared_ptr<ReportListener> reportListener;

private:
    void watchSignals();
    void watchTimeout();
    void signalled();
    void boot(vz::VirtualMachineConfiguration configuration);
    void readInBackground(std::function<void(std::shared_ptr<Runner>, std::optional<SecretBytes>)> then);
    std::string secretTimeoutText() const;

    Host host_;
    bool waitingBeforeBoot_ = false;
};

} // namespace quillmarsh
