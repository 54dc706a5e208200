#include "RunCommand.h"

#include "MainLoop.h"
#include "Runner.h"
#include "Virtualization/ServiceVirtualMachine.h"

#include <cstdio>

#include <unistd.h>

namespace quillmarsh {

void runCommand(const VMOptions& options) {
    // Before any thread starts, so every thread inherits the mask and the signals reach the loop.
    MainLoop::blockSignals();
    static MainLoop loop;
    Runner::Host host{
        loop,
        [](const vz::VirtualMachineConfiguration& configuration) {
            return std::make_unique<vz::ServiceVirtualMachine>(configuration, loop);
        },
        [](const std::string& line) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        },
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
    loop.post([] { runner->start(); });
    loop.run();
    ::_exit(1);
}

} // namespace quillmarsh
