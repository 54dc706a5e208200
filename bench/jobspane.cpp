// The page descriptions of the Jobs pane and of one job's detail, from inputs built once:
// - list: the Jobs pane under the All filter with 10 running and 50 recent jobs (the agent's
//   limit), each row worded by the job-list rules;
// - detail: a running job's detail page with 12 steps and a full log of 4000 lines, whose text
//   the description carries.
#include "Records/HostInfo.h"
#include "Settings/Panes/JobDetailPane.h"
#include "Settings/Panes/JobsPane.h"
#include "Support/Fixtures.h"

#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include <string>

namespace {

using namespace quillmarsh;

const Date now = Date::fromSecondsSince1970(1'796'900'000);

RunningJob runningJob(int i) {
    RunningJob job;
    job.jobId = "3188042" + std::to_string(1000 + i);
    job.runId = 11920334000 + i;
    job.repository = "acme-robotics/repository-" + std::to_string(i % 7);
    job.workflow = "CI";
    job.name = "test (shard " + std::to_string(i) + ")";
    job.label = i % 2 == 0 ? "macos-15" : "ubuntu-24.04";
    job.started = i % 5 != 0;
    job.elapsedSeconds = 30 + 97 * i;
    job.expectedSeconds = i % 3 == 0 ? 0 : 900;
    job.ref = "refs/heads/feature/branch-" + std::to_string(i);
    return job;
}

FinishedJob finishedJob(int i) {
    static const char* const conclusions[] = {"success", "failure", "cancelled", "host_stopped", "success"};
    FinishedJob job;
    job.jobId = "3187" + std::to_string(100000 + i);
    job.runId = 11919000000 + i;
    job.repository = "acme-robotics/repository-" + std::to_string(i % 9);
    job.workflow = "CI";
    job.name = "build (" + std::to_string(i) + ")";
    job.label = i % 2 == 0 ? "macos-15" : "ubuntu-24.04";
    job.conclusion = conclusions[i % 5];
    job.finishedAt = now.adding(-600.0 * i - 30);
    job.durationSeconds = 45 + 61 * i;
    if (i % 4 != 0) job.ref = i % 3 == 0 ? "refs/pull/" + std::to_string(400 + i) + "/merge" : "refs/heads/main";
    return job;
}

void list(benchmark::State& state) {
    JobsPane::Inputs in;
    for (int i = 0; i < 10; ++i) in.jobs.running.push_back(runningJob(i));
    for (int i = 0; i < 50; ++i) in.jobs.recent.push_back(finishedJob(i));
    in.host = HostInfo::parse(test::sampleAnswer("host.json"));
    in.agentAvailable = true;
    in.jobsURL = "https://dashboard.quillmarsh.example/jobs?machine=studio-mac-2";
    in.now = now;
    const PaneViewState view;
    const PageDescription first = JobsPane::describe(in, view);
    if (first.blocks.size() != 2) state.SkipWithError("not the two sections of the All filter");
    for (auto _ : state) {
        PageDescription page = JobsPane::describe(in, view);
        benchmark::DoNotOptimize(page);
    }
}

void detail(benchmark::State& state) {
    JobDetailPane::Inputs in;
    in.running = runningJob(1);
    in.jobId = in.running->jobId;
    in.host = HostInfo::parse(test::sampleAnswer("host.json"));
    in.canStop = true;
    in.githubURL = "https://github.com/acme-robotics/repository-1/actions/runs/11920334001";
    in.now = now;

    JobDetail detail(in.jobId);
    nlohmann::json steps = nlohmann::json::array();
    for (int i = 1; i <= 12; ++i) {
        nlohmann::json step = {{"number", i}, {"name", "Step number " + std::to_string(i)}};
        if (i < 8) {
            step["status"] = "completed";
            step["conclusion"] = i == 3 ? "skipped" : "success";
            step["started_at"] = "2026-12-10T09:35:0" + std::to_string(i) + "Z";
            step["completed_at"] = "2026-12-10T09:36:0" + std::to_string(i) + "Z";
        } else {
            step["status"] = i == 8 ? "in_progress" : "queued";
            if (i == 8) step["started_at"] = "2026-12-10T09:37:00Z";
        }
        steps.push_back(std::move(step));
    }
    detail.steps = JobSteps::decode({{"job", {{"id", in.jobId}, {"status", "in_progress"}}}, {"steps", steps}});
    std::string text;
    for (int line = 0; line < 4000; ++line) {
        text += "2026-12-10T09:35:01.112Z Test Case '-[AppTests.LoginTests testNumber" + std::to_string(line) +
                "]' passed (0.412 seconds).\n";
    }
    detail.log.apply(JobLog{0, static_cast<std::int64_t>(text.size()), static_cast<std::int64_t>(text.size()), text,
                            true, "runner"});
    detail.logLoaded = true;
    in.detail = std::move(detail);

    const PaneViewState view;
    const PageDescription first = JobDetailPane::describe(in, view);
    const auto* log = std::get_if<PageDescription::Log>(&first.blocks.back());
    if (log == nullptr || log->placeholder || log->text.size() != text.size()) state.SkipWithError("the log is not shown whole");
    state.counters["logBytes"] = static_cast<double>(text.size());
    for (auto _ : state) {
        PageDescription page = JobDetailPane::describe(in, view);
        benchmark::DoNotOptimize(page);
    }
}

} // namespace

BENCHMARK(list)->Unit(benchmark::kMicrosecond);
BENCHMARK(detail)->Unit(benchmark::kMicrosecond);
