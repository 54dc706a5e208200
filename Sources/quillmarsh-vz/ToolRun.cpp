#include "RunCommand.h"

#include "MainLoop.h"
#include "Runner.h"
#include "Virtualization/QemuVirtualMachine.h"
#include "Virtualization/ServiceVirtualMachine.h"
#include "VM/VMRunResult.h"

#include <cstdio>
#include <memory>
#include <optional>

#include <unistd.h>

namespace quillmarsh {

namespace {

void writeResultLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

void runCommand(const VMOptions& options) {
    // Before any thread starts, so every thread inherits the mask and the signals reach the loop.
    MainLoop::blockSignals();
    static std::optional<MainLoop> runLoop; // lives until the process ends
    try {
        runLoop.emplace();
    } catch (const std::exception& e) {
        // No descriptor for the loop itself (ulimit -n): the run still ends with its line.
        writeResultLine(VMRunResult(VMRunResult::Reason::error, 0, std::string(e.what())).jsonLine());
        ::_exit(1);
    }
    Runner::Host host{
        *runLoop,
        [](const vz::VirtualMachineConfiguration& configuration) {
            // A real Linux guest runs in QEMU; a guest script or a macOS guest in the simulated service.
            if (vz::QemuVirtualMachine::runs(configuration))
                return std::unique_ptr<vz::VirtualMachine>(std::make_unique<vz::QemuVirtualMachine>(configuration, *runLoop));
            return std::unique_ptr<vz::VirtualMachine>(std::make_unique<vz::ServiceVirtualMachine>(configuration, *runLoop));
        },
        writeResultLine,
        [](int status) {
            std::fflush(stdout);
            std::fflush(stderr);
            ::_exit(status); // at once: no destructors, no waiting for background reads
        },
        [](const std::string& line) {
            std::fwrite(line.data(), 1, line.size(), stderr);
            std::fflush(stderr);
        },
        0,
    };
    static auto runner = std::make_shared<Runner>(options, host);
    try {
        runLoop->post([] { runner->start(); });
        runLoop->run();
    } catch (const std::exception& e) {
        // The loop's own work failed (no descriptor or thread left for a signal, a read, a VM).
        runner->failed(e.what());
    }
    ::_exit(1);
}

} // namespace quillmarsh
