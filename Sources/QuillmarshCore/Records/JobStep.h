#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

// One step of a job, an element of JobSteps::steps. Identified by its number.
struct JobStep {
    std::int64_t number = 0;
    std::string name;
    std::string status;  // "in_progress", "completed", or another word for a step not yet started
    std::optional<std::string> conclusion;  // "success", "skipped", "cancelled"; anything else failed
    std::optional<std::string> startedAt;   // RFC 3339 text, read only when worded
    std::optional<std::string> completedAt;

    bool operator==(const JobStep&) const = default;

    std::int64_t id() const { return number; }

    // Throws DecodeError; number, name and status are required.
    static JobStep decode(const nlohmann::json& json);
};

} // namespace quillmarsh
