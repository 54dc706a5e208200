#pragma once

#include "HostFacts.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string_view>

namespace quillmarsh {

// `quillmarsh-vz capabilities` (also the tool with no command): what this host and this build can do.
namespace Capabilities {

// "not_supported", "not_installed", "installed", or "unknown" for any other availability.
std::string_view rosettaWord(std::int64_t availability);

// The eleven-key line for these host facts.
nlohmann::json line(const HostFacts& host);

// Writes the line for this host.
void command();

} // namespace Capabilities

} // namespace quillmarsh
