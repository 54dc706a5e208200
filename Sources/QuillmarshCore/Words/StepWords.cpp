#include "Words/StepWords.h"

#include "Time/RFC3339.h"
#include "Words/MenuModel.h"

#include <algorithm>
#include <cmath>

namespace quillmarsh {

namespace {

std::optional<Date> read(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return RFC3339::parse(*text);
}

// Whole seconds from start to end, cut toward zero; clock skew shows as 0.
std::int64_t secondsBetween(Date start, Date end) {
    return std::max<std::int64_t>(0, static_cast<std::int64_t>(std::trunc(end.timeIntervalSince(start))));
}

} // namespace

StepState StepWords::state(const JobStep& step) {
    if (step.status == "in_progress") return StepState::running;
    if (step.status != "completed") return StepState::pending;
    const std::string conclusion = step.conclusion.value_or("");
    if (conclusion == "success") return StepState::succeeded;
    if (conclusion == "skipped") return StepState::skipped;
    if (conclusion == "cancelled") return StepState::cancelled;
    return StepState::failed;
}

std::string StepWords::trailing(const JobStep& step, Date now) {
    const StepState s = state(step);
    if (s == StepState::skipped) return "Skipped";
    const std::optional<Date> started = read(step.startedAt);
    if (!started) return {};
    if (s == StepState::running) return MenuModel::duration(secondsBetween(*started, now)) + " so far";
    const std::optional<Date> completed = read(step.completedAt);
    if (!completed) return {};
    return MenuModel::duration(secondsBetween(*started, *completed));
}

std::optional<JobStep> StepWords::current(const std::optional<std::vector<JobStep>>& steps) {
    if (!steps) return std::nullopt;
    for (const JobStep& step : *steps) {
        if (step.status == "in_progress") return step;
    }
    return std::nullopt;
}

} // namespace quillmarsh
