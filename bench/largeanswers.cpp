// The settings window's job pages carried out by the real PageView on the offscreen platform, at
// a size the window gives them, fed answers far larger than usual. Each iteration is one refresh
// on the main thread: describe the pane, apply the description, lay the page out and paint it.
// Counters: the process's peak resident memory (reset before each benchmark) in MiB.
// - jobs list: the sample's jobs answer repeated 100 times (200 running, 500 recent), each
//   refresh 5 s later than the last (the time words move on); also with nothing changed, and the
//   pane opened afresh;
// - long strings: the sample's jobs with 1 MB names, repositories and refs;
// - long line: a running job's log whose last line is 1 MB and grows by 1 KB at every poll;
// - cut log: a log past its 4000 lines that grows by 41 lines at every poll, so its front is cut.
#include "Model/JobDetail.h"
#include "ModelBench.h"
#include "Records/HostInfo.h"
#include "Records/JobLog.h"
#include "Records/JobsSnapshot.h"
#include "Settings/Kit/PageView.h"
#include "Settings/Panes/JobDetailPane.h"
#include "Settings/Panes/JobsPane.h"
#include "Support/Fixtures.h"

#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include <QApplication>
#include <QLayout>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace quillmarsh;
using Clock = std::chrono::steady_clock;

const Date sampleNow = Date::fromSecondsSince1970(1'796'900'000);

// Peak resident memory in MiB, from /proc/self/status.
double peakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Starts the peak over from the memory in use now.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// One page shown in a window-sized column.
struct Shown {
    Shown() {
        bench::offscreenApp();
        view = std::make_unique<PageView>([](const PaneCommands&) {});
        view->resize(669, 640);
        view->show();
        QCoreApplication::processEvents();
    }
    // One refresh: apply, lay out, paint; the time it took on this thread.
    double refresh(const PageDescription& page) {
        const auto start = Clock::now();
        view->apply(page);
        view->layout()->activate();
        view->repaint();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
    std::unique_ptr<PageView> view;
};

JobsPane::Inputs jobsInputs(const nlohmann::json& answer) {
    JobsPane::Inputs in;
    in.jobs = JobsSnapshot::decode(answer);
    in.host = HostInfo::parse(test::sampleAnswer("host.json"));
    in.agentAvailable = true;
    in.jobsURL = "https://dashboard.quillmarsh.example/jobs";
    in.now = sampleNow;
    return in;
}

void finish(benchmark::State& state, Shown& shown) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.counters["peakMiB"] = peakMiB();
    state.counters["widgets"] = static_cast<double>(shown.view->findChildren<QWidget*>().size());
}

void BM_JobsList100x(benchmark::State& state) {
    resetPeak();
    Shown shown;
    JobsPane::Inputs in = jobsInputs(test::repeatedJobs(100));
    const PaneViewState view;
    shown.refresh(JobsPane::describe(in, view));
    for (auto _ : state) {
        in.now = in.now.adding(5);
        for (RunningJob& job : in.jobs.running) job.elapsedSeconds += 5;
        const auto start = Clock::now();
        const PageDescription page = JobsPane::describe(in, view);
        shown.refresh(page);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    finish(state, shown);
}
BENCHMARK(BM_JobsList100x)->UseManualTime()->Unit(benchmark::kMillisecond);

// Opening the pane: a fresh page for the same answer, as a click on "Jobs" in the sidebar makes.
void BM_JobsList100xOpen(benchmark::State& state) {
    resetPeak();
    bench::offscreenApp();
    const JobsPane::Inputs in = jobsInputs(test::repeatedJobs(100));
    const PaneViewState view;
    std::unique_ptr<Shown> shown;
    for (auto _ : state) {
        state.PauseTiming();
        shown.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        shown = std::make_unique<Shown>();
        state.ResumeTiming();
        const auto start = Clock::now();
        const PageDescription page = JobsPane::describe(in, view);
        shown->refresh(page);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    finish(state, *shown);
}
BENCHMARK(BM_JobsList100xOpen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_JobsList100xUnchanged(benchmark::State& state) {
    resetPeak();
    Shown shown;
    const JobsPane::Inputs in = jobsInputs(test::repeatedJobs(100));
    const PaneViewState view;
    shown.refresh(JobsPane::describe(in, view));
    for (auto _ : state) {
        const auto start = Clock::now();
        const PageDescription page = JobsPane::describe(in, view);
        shown.refresh(page);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    finish(state, shown);
}
BENCHMARK(BM_JobsList100xUnchanged)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_JobsListLongStrings(benchmark::State& state) {
    resetPeak();
    Shown shown;
    nlohmann::json answer = test::repeatedJobs(1);
    const std::string mega(1 << 20, 'x');
    for (const char* list : {"running", "recent"})
        for (auto& job : answer[list]) {
            job["name"] = "n" + mega;
            job["repository"] = "owner/r" + mega;
            job["ref"] = "refs/heads/" + mega;
        }
    JobsPane::Inputs in = jobsInputs(answer);
    const PaneViewState view;
    shown.refresh(JobsPane::describe(in, view));
    for (auto _ : state) {
        in.now = in.now.adding(60);
        const auto start = Clock::now();
        const PageDescription page = JobsPane::describe(in, view);
        shown.refresh(page);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    finish(state, shown);
}
BENCHMARK(BM_JobsListLongStrings)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// A running job of the sample, open in the job detail with its steps and the given log.
JobDetailPane::Inputs detailInputs() {
    JobDetailPane::Inputs in;
    const JobsSnapshot jobs = JobsSnapshot::parse(test::sampleAnswer("jobs.json"));
    in.running = jobs.running.front();
    in.jobId = in.running->id();
    in.host = HostInfo::parse(test::sampleAnswer("host.json"));
    in.canStop = true;
    in.now = sampleNow;
    JobDetail detail(in.jobId);
    detail.steps = JobSteps::parse(test::sampleAnswer("jobs.31880421907.steps.json"));
    detail.logLoaded = true;
    in.detail = std::move(detail);
    return in;
}

// Polls that each add `chunk` to the log, which starts as `first`.
void logPolls(benchmark::State& state, const std::string& first, const std::string& chunk) {
    resetPeak();
    Shown shown;
    JobDetailPane::Inputs in = detailInputs();
    std::int64_t next = static_cast<std::int64_t>(first.size());
    in.detail->log.apply(JobLog{0, next, next, first, true, "runner"});
    const PaneViewState view;
    shown.refresh(JobDetailPane::describe(in, view));
    for (auto _ : state) {
        const auto start = Clock::now();
        const std::int64_t from = next;
        next += static_cast<std::int64_t>(chunk.size());
        in.detail->log.apply(JobLog{from, next, next, chunk, true, "runner"});
        const PageDescription page = JobDetailPane::describe(in, view);
        shown.refresh(page);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    finish(state, shown);
}

std::string runnerLines(int first, int count) {
    std::string out;
    for (int i = first; i < first + count; ++i)
        out += "2026-12-10T09:35:01.112Z Test Case '-[AppTests.LoginTests testNumber" + std::to_string(i) +
               "]' passed (0.412 seconds).\n";
    return out;
}

void BM_LogLongLine(benchmark::State& state) {
    logPolls(state, runnerLines(0, 200) + std::string(1 << 20, 'y'), std::string(1024, 'z'));
}
BENCHMARK(BM_LogLongLine)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_LogCutFront(benchmark::State& state) {
    logPolls(state, runnerLines(0, 4000), runnerLines(4000, 41));
}
BENCHMARK(BM_LogCutFront)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
