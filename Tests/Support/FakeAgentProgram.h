#pragma once

#include "Support/ChildProcess.h"

#include <optional>
#include <string>
#include <vector>

namespace quillmarsh::test {

// The fake-agent program (fake_agent_main.cpp) run as a process, serving the JSON answers of a
// folder on a socket: the constructor returns once the program says its socket listens, and
// stop() or the destructor ends it with SIGTERM, as a user's session would.
class FakeAgentProgram {
public:
    // How the program ended.
    struct Ending {
        // Its exit status; -1 when a signal ended it; none when SIGTERM did not end it in time (it
        // was then killed).
        std::optional<int> status;
        bool socketRemoved = false;

        // Exited with status 0 and removed its socket, as SIGTERM should make it.
        bool clean() const { return status == 0 && socketRemoved; }
    };

    // Runs `program options… dataFolder socketPath`. Throws std::runtime_error when the program
    // cannot be started, or ends or keeps silent instead of saying that it serves.
    FakeAgentProgram(std::string program, std::string dataFolder, std::string socketPath,
                     std::vector<std::string> options = {});
    // Stops the program if stop() has not.
    ~FakeAgentProgram();
    FakeAgentProgram(const FakeAgentProgram&) = delete;
    FakeAgentProgram& operator=(const FakeAgentProgram&) = delete;

    const std::string& socketPath() const { return socketPath_; }
    // The running program: its pid and what it printed.
    const ChildProcess& process() const { return process_; }

    // Sends SIGTERM and waits for the program to end; later calls give the same ending.
    Ending stop();

private:
    std::string socketPath_;
    ChildProcess process_;
    std::optional<Ending> ending_;
};

#ifdef QUILLMARSH_BIN_DIR
// The fake-agent built next to the test programs, which alone know that folder.
inline std::string fakeAgentProgramPath() { return std::string(QUILLMARSH_BIN_DIR) + "/fake-agent"; }
#endif

} // namespace quillmarsh::test
