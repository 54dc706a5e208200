#pragma once

#include "Time/Date.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

// A recently finished job, an element of JobsSnapshot::recent (snake_case keys).
// Its dates come as RFC 3339 text and are read with RFC3339::parse.
struct FinishedJob {
    std::string jobId;  // may be empty
    std::int64_t runId = 0;
    std::string repository;
    std::string workflow;
    std::string name;
    std::string label;
    std::string conclusion;  // "success", "cancelled", "host_stopped"; anything else is a failure
    std::optional<Date> startedAt;
    Date finishedAt;
    std::int64_t durationSeconds = 0;
    std::optional<std::string> ref;
    std::optional<std::string> vm;
    std::optional<std::string> runUrl;

    bool operator==(const FinishedJob&) const = default;

    // jobId, or, when that is empty, "<runId>-<name>-<finishedAt seconds since 1970>", the
    // seconds in their shortest round-trip decimal form with a fractional part ("60.0", "60.25").
    std::string id() const;
    // The conclusion is exactly "success".
    bool succeeded() const { return conclusion == "success"; }

    // Throws DecodeError; a date text that is not RFC 3339 (also an empty one) fails,
    // only a missing or null "started_at" gives no start time.
    static FinishedJob decode(const nlohmann::json& json);
};

} // namespace quillmarsh
