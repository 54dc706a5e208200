#pragma once

#include "Foundation/UniqueFd.h"
#include "Virtualization/QemuCommandLine.h"
#include "Virtualization/QemuHost.h"
#include "Virtualization/QmpChannel.h"
#include "Virtualization/VirtualMachine.h"
#include "Virtualization/VirtualMachineConfiguration.h"

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {
class MainLoop;
}

namespace vz {

// A Linux guest in one QEMU process, started by the tool in its own process group and killed with
// it (PR_SET_PDEATHSIG). QEMU gets every file as an inherited descriptor and is driven over QMP on a
// private socket pair: it starts paused, and the guest runs once "cont" has been answered.
//
// The tool never waits on QEMU. Its exit is seen through a process descriptor on the loop; a stop
// sends "quit" and kills QEMU when it has not ended within stopAnswerMs, and a QEMU that cannot be
// reaped even then is left behind rather than holding the tool.
class QemuVirtualMachine final : public VirtualMachine {
public:
    static constexpr std::int64_t stopAnswerMs = 5000;
    static constexpr std::int64_t reapWaitMs = 1000;

    // Whether QEMU runs this configuration: a Linux guest whose kernel is not a guest script (those,
    // and macOS guests, run in the simulated service).
    static bool runs(const VirtualMachineConfiguration& configuration);

    QemuVirtualMachine(VirtualMachineConfiguration configuration, quillmarsh::MainLoop& loop);
    ~QemuVirtualMachine() override;

    void start(Completion completion) override;
    bool canRequestStop() const override;
    std::optional<DomainError> requestStop() override;
    bool canStop() const override;
    void stop(Completion completion) override;
    State state() const override { return state_; }
    std::vector<VirtioSocketDevice*> socketDevices() override;
    std::string processName() const override;

    // QEMU's process id once started (0 before).
    pid_t qemuPid() const { return pid_; }

private:
    // Opens what QEMU is given; throws DomainError naming the file that cannot be opened.
    QemuFiles openFiles();
    void spawn(const QemuInvocation& invocation);
    void readMonitor();
    void readErrors();
    void handle(const nlohmann::json& message);
    void processEnded();
    void ended(std::optional<DomainError> error);
    void finishStart(std::optional<DomainError> error);
    void killQemu();
    // QEMU's exit in words: its last line on standard error, else how it ended.
    std::string endText(const std::string& fallback) const;

    VirtualMachineConfiguration configuration_;
    quillmarsh::MainLoop& loop_;
    std::unique_ptr<VirtioSocketDevice> socketDevice_;
    std::optional<QemuHost> host_;
    QemuInvocation invocation_;
    State state_ = State::stopped;
    pid_t pid_ = 0;
    int exitStatus_ = -1; // waitpid's status once reaped
    quillmarsh::UniqueFd monitor_;
    std::optional<QmpChannel> qmp_;
    quillmarsh::UniqueFd errors_;
    quillmarsh::UniqueFd processFd_;
    std::vector<quillmarsh::UniqueFd> openFiles_; // held from opening until QEMU has its copies
    std::string errorBuffer_;
    std::string lastErrorLine_;
    bool guestShutdown_ = false;
    bool greeted_ = false;
    Completion startCompletion_;
    Completion stopCompletion_;
    std::optional<DomainError> stopFailure_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace vz
