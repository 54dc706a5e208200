#pragma once

#include "Records/JobStep.h"

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The agent's answer to GET /jobs/<id>/steps.
struct JobSteps {
    // The job as the steps answer reports it.
    struct Job {
        std::string id;
        std::string status;  // GitHub's status word: "in_progress", "queued", "waiting", …
        std::optional<std::string> conclusion;
        std::optional<std::string> runUrl;

        bool operator==(const Job&) const = default;
        static Job decode(const nlohmann::json& json);
    };

    Job job;
    // Absent or empty while GitHub has not shared the job's steps.
    std::optional<std::vector<JobStep>> steps;
    // A web link to the job's run, preferred for "View on GitHub".
    std::optional<std::string> url;

    bool operator==(const JobSteps&) const = default;

    // Throws DecodeError; "job" is required, one bad step fails the whole answer.
    static JobSteps decode(const nlohmann::json& json);
    static JobSteps parse(std::string_view body);
};

} // namespace quillmarsh
