#include "VZ/ToolProcess.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmarsh::test {

ToolOutcome runTool(const std::vector<std::string>& args) {
    const std::string program = std::string(QUILLMARSH_BIN_DIR) + "/quillmarsh-vz";
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    const UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    // The tool's copy is then the only writer: its exit ends the output.
    writeEnd.reset();
    ToolOutcome outcome;
    if (spawned != 0) return outcome;
    outcome.out = FileIO::readAll(readEnd.get(), 64 << 20).value_or(std::string());
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

} // namespace quillmarsh::test
