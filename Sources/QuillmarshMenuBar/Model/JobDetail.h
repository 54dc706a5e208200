#pragma once

#include "Model/RouteProblem.h"
#include "Records/JobSteps.h"
#include "Words/LogBuffer.h"

#include <optional>
#include <string>

namespace quillmarsh {

// The job open in the Jobs pane: its last steps and the accumulated log, each with the problem
// of its last failed read. Compared by value.
struct JobDetail {
    static constexpr std::int64_t logLines = 4000;

    explicit JobDetail(std::string id) : jobId(std::move(id)) {}

    std::string jobId;
    std::optional<JobSteps> steps;
    std::optional<RouteProblem> stepsProblem;
    LogBuffer log{logLines};
    std::optional<RouteProblem> logProblem;
    bool logLoaded = false;  // a log read has come back, well or not
    bool settled = false;    // the job has ended and its last steps and log reads were sent

    bool operator==(const JobDetail&) const = default;
};

} // namespace quillmarsh
