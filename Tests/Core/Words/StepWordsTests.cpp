#include "Records/JobStep.h"
#include "Time/Calendar.h"
#include "Words/StepWords.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace quillmarsh;

namespace {

JobStep step(std::string status, std::optional<std::string> conclusion = std::nullopt,
             std::optional<std::string> started = std::nullopt, std::optional<std::string> completed = std::nullopt) {
    return JobStep{1, "Build", std::move(status), std::move(conclusion), std::move(started), std::move(completed)};
}

} // namespace

TEST(StepWordsTest, StateTrailingAndCurrent) {
    const std::pair<JobStep, StepState> states[] = {
        {step("in_progress"), StepState::running},
        {step("queued"), StepState::pending},
        {step("completed", "success"), StepState::succeeded},
        {step("completed", "skipped"), StepState::skipped},
        {step("completed", "cancelled"), StepState::cancelled},
        {step("completed", "failure"), StepState::failed},
        {step("completed"), StepState::failed},
        {step("completed", "Success"), StepState::failed},
    };
    for (const auto& [s, state] : states) EXPECT_EQ(StepWords::state(s), state) << s.status;

    const Date now = *Calendar::utc().date(2026, 12, 10, 9, 10, 0);
    const char* start = "2026-12-10T09:00:00Z";
    const std::pair<JobStep, const char*> trailing[] = {
        {step("completed", "skipped"), "Skipped"},
        {step("in_progress"), ""},
        {step("in_progress", {}, "not a time"), ""},
        {step("in_progress", {}, start), "10 min so far"},
        {step("in_progress", {}, "2026-12-10T09:07:54.9Z"), "2 min 5 s so far"},
        {step("in_progress", {}, "2026-12-10T09:20:00Z"), "0 s so far"},
        {step("completed", "success", start), ""},
        {step("completed", "success", start, "2026-12-10T09:00:42.999Z"), "42 s"},
        {step("completed", "failure", start, "2026-12-10T08:59:00Z"), "0 s"},
    };
    for (const auto& [s, text] : trailing) EXPECT_EQ(StepWords::trailing(s, now), text) << s.startedAt.value_or("-");

    EXPECT_EQ(StepWords::current(std::nullopt), std::nullopt);
    EXPECT_EQ(StepWords::current(std::vector<JobStep>{}), std::nullopt);
    JobStep first = step("in_progress");
    JobStep second = step("in_progress");
    second.number = 2;
    EXPECT_EQ(StepWords::current(std::vector<JobStep>{step("completed", "success"), first, second}), first);
    EXPECT_EQ(StepWords::current(std::vector<JobStep>{step("queued")}), std::nullopt);
}
