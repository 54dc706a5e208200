#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

// The VM image build's progress, inside AgentStatus::imageBuild (snake_case keys).
struct ImageBuildSummary {
    std::string state;  // "running", "waiting", "needs_human" (the user must act), or others
    std::optional<std::string> step;
    std::optional<std::int64_t> stepNumber;  // absent stays absent, never 0
    std::optional<std::int64_t> steps;
    std::optional<std::string> title;
    std::int64_t percent = 0;
    std::int64_t totalSecondsLeft = 0;
    std::optional<std::string> imageId;
    std::optional<std::string> error;

    bool operator==(const ImageBuildSummary&) const = default;

    // True while the build runs, waits or waits for the user.
    bool inProgress() const;

    // Throws DecodeError; "state", "percent" and "total_seconds_left" are required.
    static ImageBuildSummary decode(const nlohmann::json& json);
};

} // namespace quillmarsh
