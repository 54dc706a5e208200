#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// The agent's policy record, the answer of GET /policy and of every POST /policy (snake_case
// keys). Never encoded: changes are posted as patches of the changed keys.
struct PolicyView {
    bool paused = false;                          // "paused", required
    bool idleOnly = false;                        // "idle_only", required
    bool pluggedInOnly = false;                   // "plugged_in_only", required
    std::optional<std::string> performance;       // "performance"
    std::optional<bool> poolConsent;              // "pool_consent"
    std::optional<std::int64_t> vmMemoryPercent;  // "vm_memory_percent"
    std::optional<std::string> pausedUntil;       // "paused_until", RFC 3339 text
    std::optional<std::string> stayAwake;         // "stay_awake", a stay-awake code
    std::optional<bool> useMoreWhenAway;          // "use_more_when_away"

    bool operator==(const PolicyView&) const = default;

    // Throws DecodeError for a missing required key or any value of the wrong kind.
    static PolicyView decode(const nlohmann::json& json);
    static PolicyView parse(std::string_view body);
};

} // namespace quillmarsh
