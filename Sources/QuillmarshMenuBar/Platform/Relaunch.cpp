#include "Platform/Relaunch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace quillmarsh {

std::vector<std::string> Relaunch::environment(pid_t waitFor, const std::string& bundlePath,
                                               const std::vector<std::string>& inherited) {
    std::vector<std::string> out = {"QM_PID=" + std::to_string(waitFor), "QM_APP=" + bundlePath};
    for (const auto& entry : inherited)
        if (!entry.starts_with("QM_PID=") && !entry.starts_with("QM_APP="))
            out.push_back(entry);
    return out;
}

std::vector<std::string> Relaunch::environment(pid_t waitFor, const std::string& bundlePath) {
    std::vector<std::string> inherited;
    for (char** entry = environ; *entry != nullptr; ++entry)
        inherited.emplace_back(*entry);
    return environment(waitFor, bundlePath, inherited);
}

void Relaunch::start(const std::string& script, const std::vector<std::string>& environment) {
    std::vector<char*> argv = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"), const_cast<char*>(script.c_str()),
                               nullptr};
    std::vector<char*> envp;
    for (const auto& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    int result = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        throw std::runtime_error(std::string("/bin/sh cannot be started: ") + std::strerror(result));
}

} // namespace quillmarsh
