#include "Support/Process.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmarsh::test {

namespace {

ProcessResult run(const std::vector<std::string>& argv, const std::vector<std::string>* env) {
    if (argv.empty()) throw std::invalid_argument("runProcess needs a program");
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    if (env) {
        for (const auto& e : *env) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    // The program's copy is then the only writer: its exit ends the output.
    writeEnd.reset();
    if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);

    ProcessResult result;
    result.out = FileIO::readAll(readEnd.get(), 64 << 20).value_or(std::string());
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv) { return run(argv, nullptr); }

ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    return run(argv, &env);
}

} // namespace quillmarsh::test
