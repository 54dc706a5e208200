#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// One machine of the account's Fleet (snake_case keys), identified by id. Its three times
// stay text: they are read as RFC 3339 only when worded, so a bad one never fails the answer.
struct FleetMachine {
    std::string id;
    std::string name;
    bool isThis = false;  // "this": the machine is this Mac
    std::string routing;  // "primary", "backup", "off" or another word
    std::string status;   // "online", "offline", "paused", "draining", "needs_update", …
    std::string os;       // "macos" for a Mac; anything else is a Linux host
    std::string arch;     // "x64" is worded "x86-64"
    std::optional<std::int64_t> cpuCores;
    std::optional<std::int64_t> memoryGb;
    std::string isolation;  // "container" is told apart
    std::vector<std::string> labels;
    std::int64_t runningJobs = 0;
    std::optional<std::string> lastHeartbeatAt;
    std::optional<std::string> lastJobAt;
    std::optional<std::string> runningSince;

    bool operator==(const FleetMachine&) const = default;

    // Throws DecodeError; only the core and memory counts and the three times are optional.
    static FleetMachine decode(const nlohmann::json& json);
};

} // namespace quillmarsh
