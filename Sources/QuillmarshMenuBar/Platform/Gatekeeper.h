#pragma once

#include <optional>
#include <string>

namespace quillmarsh {

// The local assessment of a bundle before it may run: its main executable,
// Contents/MacOS/Quillmarsh, must be a regular, executable ELF program for this machine's
// architecture (class, byte order and machine as this program's own).
class Gatekeeper {
public:
    // None when accepted; otherwise why not.
    static std::optional<std::string> assess(const std::string& bundlePath);
};

} // namespace quillmarsh
