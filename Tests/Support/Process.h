#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh::test {

// A program run to its end.
struct ProcessResult {
    int status = -1;  // its exit status; -1 when it did not exit normally
    std::string out;  // its standard output
};

// Runs argv[0] with argv, standard input from /dev/null, standard output collected (up to 64 MiB)
// and standard error the test's own, and waits for it. The environment is this process's, or
// exactly env. Throws when the program cannot be started.
ProcessResult runProcess(const std::vector<std::string>& argv);
ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env);

// This process's environment ("NAME=value" entries) with each named variable set to its value,
// or left out when the value is none.
std::vector<std::string> environmentWith(const std::map<std::string, std::optional<std::string>>& changes);

} // namespace quillmarsh::test
