#pragma once

#include "Support/Process.h"

#include <string>
#include <vector>

namespace quillmarsh::test {

// Runs the built quillmarsh-vz with args to its end (standard input from /dev/null).
inline ProcessResult runTool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{std::string(QUILLMARSH_BIN_DIR) + "/quillmarsh-vz"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv);
}

} // namespace quillmarsh::test
