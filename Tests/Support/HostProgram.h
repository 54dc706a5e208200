#pragma once

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

namespace quillmarsh::test {

// The path of a program of the host's (prlimit, unshare, chattr) found on PATH; none when it is
// not installed, so the test that needs it can skip.
inline std::optional<std::string> hostProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string program = (folder.empty() ? "." : folder) + "/" + name;
        if (::access(program.c_str(), X_OK) == 0)
            return program;
    }
    return std::nullopt;
}

// What a command line starts with to run its program under a resource limit, prlimit and one of
// its options ("--fsize=1000000", "--nofile=3"); none without prlimit, so the test can skip.
inline std::optional<std::vector<std::string>> underLimit(const std::string& prlimitOption) {
    const auto prlimit = hostProgram("prlimit");
    if (!prlimit)
        return std::nullopt;
    return std::vector<std::string>{*prlimit, prlimitOption, "--"};
}

} // namespace quillmarsh::test
