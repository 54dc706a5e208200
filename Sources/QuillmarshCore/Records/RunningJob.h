#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

// A job running on this Mac, an element of JobsSnapshot::running (snake_case keys).
struct RunningJob {
    std::string jobId;  // may be empty
    std::int64_t runId = 0;
    std::string repository;  // owner and name joined by "/"
    std::string workflow;
    std::string name;  // may be empty
    std::string label;  // the runner label the job asked for
    bool started = false;  // false while the job is still starting
    std::int64_t elapsedSeconds = 0;
    std::int64_t expectedSeconds = 0;  // below 1: no estimate
    std::optional<std::string> ref;
    std::optional<std::string> vm;
    std::optional<std::string> runUrl;

    bool operator==(const RunningJob&) const = default;

    // jobId, or, when that is empty, "<runId>-<name>".
    std::string id() const;

    // Throws DecodeError; every field but ref, vm and run_url is required.
    static RunningJob decode(const nlohmann::json& json);
};

} // namespace quillmarsh
