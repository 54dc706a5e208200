#pragma once

#include <string>
#include <vector>

namespace quillmarsh::test {

// quillmarsh-vz run as a process to its end.
struct ToolOutcome {
    std::string out; // its standard output
    int status = -1; // its exit status; -1 when it did not start or did not exit
};

// Runs the built tool with args, standard input from /dev/null and standard error the test's own.
ToolOutcome runTool(const std::vector<std::string>& args);

} // namespace quillmarsh::test
