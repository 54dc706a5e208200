#pragma once

#include "Virtualization/DomainError.h"

#include <string>

namespace quillmarsh {

// The tool's own errors: domain "quillmarsh", each with its code and the message of the result line.
class ToolDomainError {
public:
    static constexpr const char* domain = "quillmarsh";

    // 2: --rosetta while Rosetta is not installed; `state` is the capabilities report's word.
    static vz::DomainError rosetta(const std::string& state) {
        return vz::DomainError(domain, 2, "Rosetta is " + state + "; run `softwareupdate --install-rosetta --agree-to-license`");
    }
    // 3: a Linux guest's --mac that the VM layer cannot parse.
    static vz::DomainError invalidMAC(const std::string& text) { return vz::DomainError(domain, 3, "invalid MAC " + text); }
    // 4: standard input that is not exactly one line.
    static vz::DomainError runnerConfig() { return vz::DomainError(domain, 4, "the runner config must be exactly one line on stdin"); }
    // 5: --nested where the host cannot nest.
    static vz::DomainError nested() {
        return vz::DomainError(domain, 5, "nested virtualization needs an M3 or later Mac on macOS 15 or later");
    }
    // 10: a bundle whose hardware model is missing or not supported here.
    static vz::DomainError hardwareModel(const std::string& bundle) {
        return vz::DomainError(domain, 10, "hardware model in " + bundle + " is missing or not supported on this Mac");
    }
};

} // namespace quillmarsh
