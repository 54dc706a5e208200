#pragma once

#include "Support/Process.h"

#include <csignal>
#include <string>
#include <vector>

namespace quillmarsh::test {

// In a child between fork and exec: no signal blocked, SIGPIPE and SIGXFSZ at their defaults,
// whatever the test process set up (the main loop's tests block and ignore them), so the tool
// starts as the agent starts it.
inline void resetSignalsForExec() {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGXFSZ, SIG_DFL);
}

// The built quillmarsh-vz.
inline std::string toolProgram() { return std::string(QUILLMARSH_BIN_DIR) + "/quillmarsh-vz"; }

// Runs the built quillmarsh-vz with args to its end (standard input from /dev/null).
inline ProcessResult runTool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{toolProgram()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv);
}

} // namespace quillmarsh::test
