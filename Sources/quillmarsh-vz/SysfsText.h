#pragma once

#include <optional>
#include <string>

namespace quillmarsh {

// Small reads of the kernel's text files (sysfs, procfs, runtime state), which are never large.
namespace SysfsText {

// The whole file, or none when it cannot be read or holds more than 64 KiB.
std::optional<std::string> read(const std::string& path);
// The file without surrounding white space and line ends.
std::optional<std::string> trimmed(const std::string& path);
// The file as a decimal integer (surrounding white space allowed).
std::optional<long long> integer(const std::string& path);

} // namespace SysfsText

} // namespace quillmarsh
