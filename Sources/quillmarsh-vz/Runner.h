#pragma once

#include "EventLoop.h"
#include "Foundation/UniqueFd.h"
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

    // The most standard input a runner configuration may take, line ends included.
    static constexpr std::size_t secretInputLimit = 1 << 20;

    // Reads `fd` to its end: the runner configuration without its trailing line ends. Throws
    // ToolDomainError 4 (and wipes what it read) for an empty or multi-line input, and for one
    // longer than secretInputLimit (read no further than that).
    static SecretBytes readSecretLine(int fd);

    void serveSecret(vz::VirtualMachine& vm);
    void secretArrived(std::optional<SecretBytes> bytes);
    bool listener(vz::VirtioSocketListener& listener, std::shared_ptr<vz::VirtioSocketConnection> connection,
                  vz::VirtioSocketDevice& device) override;
    // Starts handing the held line to `connection` (a line is held and no hand-over is under way).
    // What the socket does not take at once goes out from the loop as the guest reads, so a guest
    // that never reads holds up nothing but its own hand-over (the hand-off time-out still ends
    // it). A guest that has already gone has its connection closed; the line stays held for the
    // next one.
    void startDelivery(std::shared_ptr<vz::VirtioSocketConnection> connection);
    void serveReports(vz::VirtualMachine& vm);

    // The loop itself failed (no descriptor or thread left for its work): writes the error line at
    // once, without waiting for anything, and ends the process.
    void failed(const std::string& message);

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

    // A hand-over under way: the line with its line feed, and how much of it the guest has taken.
    struct Delivery {
        std::shared_ptr<vz::VirtioSocketConnection> connection;
        SecretBytes bytes;
        std::size_t sent = 0;
        bool watched = false;
    };
    enum class Progress { done, pending, failed };
    Progress continueDelivery();
    // Sends what the guest takes now and carries out the outcome: handed over, still under way,
    // or gone (false: the delivery is dropped, and the caller gives the next connection its turn).
    bool advanceDelivery();
    void deliveryWritable();
    void handedOver();
    void dropDelivery();
    void deliverToWaiting();
    void writeLine(const std::string& line, int status);
    // Whole milliseconds since the run started.
    std::int64_t elapsedMs() const;

    Host host_;
    bool waitingBeforeBoot_ = false;
    bool lineWritten_ = false;
    std::optional<Delivery> delivery_;
    UniqueFd reportFolder_; // opened at start, handed to the report listener
};

} // namespace quillmarsh
