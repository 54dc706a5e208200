#pragma once

#include "Records/JobStep.h"
#include "Time/Date.h"
#include "Vocabulary/StepState.h"

#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// The wording of a job's step rows.
class StepWords {
public:
    static StepState state(const JobStep& step);
    // "Skipped", "2 min 5 s so far" while running, "42 s" when done; empty without readable times.
    static std::string trailing(const JobStep& step, Date now);
    // The first step whose status is "in_progress".
    static std::optional<JobStep> current(const std::optional<std::vector<JobStep>>& steps);
};

} // namespace quillmarsh
