#pragma once

#include "VM/VMOptions.h"

#include <string>
#include <vector>

namespace quillmarsh {

// The two long-running commands. Each takes over the main thread and ends the process through exit.

// `run` with its accepted options: runs the VM to its end and writes the result line.
[[noreturn]] void runCommand(const VMOptions& options);

// `macos-install` with the arguments after the command word.
[[noreturn]] void macosInstallCommand(const std::vector<std::string>& args);

} // namespace quillmarsh
