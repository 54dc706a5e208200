#pragma once

#include "Support/Process.h"

#include <csignal>
#include <string>
#include <vector>

namespace quillmarsh::test {

// In a child between fork and exec: no signal blocked and every one at its default, whatever the
// test process set up (the main loop's tests block and ignore some), so the tool starts as the
// agent starts it, as ChildProcess's programs do.
inline void resetSignalsForExec() {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal = 1; signal < NSIG; ++signal) ::signal(signal, SIG_DFL);  // SIGKILL, SIGSTOP: refused, harmless
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
