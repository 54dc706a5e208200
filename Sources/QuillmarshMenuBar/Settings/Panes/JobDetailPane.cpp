#include "Settings/Panes/JobDetailPane.h"

#include "Foundation/NumberText.h"
#include "Foundation/Text.h"
#include "Model/AppModel.h"
#include "Words/DisplayText.h"
#include "Words/JobsList.h"
#include "Words/MenuModel.h"
#include "Words/StepWords.h"
#include "Words/WindowWords.h"

#include <utility>
#include <vector>

namespace quillmarsh {

namespace {

using Page = PageDescription;

// The row the job was opened from, only when it is this job's.
const JobRow* openedRow(const JobDetailPane::Inputs& in) {
    return in.opened && in.opened->id == in.jobId ? &*in.opened : nullptr;
}

// Running or starting; no state at all counts as ended.
bool isLive(const std::optional<JobState>& state) { return state && state->isRunning(); }

std::vector<Page::CardRow> stepRows(const JobDetailPane::Inputs& in) {
    std::vector<Page::CardRow> rows;
    const auto& detail = in.detail;
    if (detail && detail->stepsProblem) {
        rows.push_back(Page::fixedRow(DisplayText::bounded(detail->stepsProblem->words())));
    } else if (detail && detail->steps && detail->steps->steps && !detail->steps->steps->empty()) {
        rows.reserve(detail->steps->steps->size());
        for (const JobStep& step : *detail->steps->steps) {
            const StepState state = StepWords::state(step);
            rows.push_back(Page::StepLine{NumberText::integer(step.number), StateKind::of(state), DisplayText::bounded(step.name),
                                          state == StepState::pending, StepWords::trailing(step, in.now)});
        }
    } else if (detail && detail->steps) {
        rows.push_back(Page::fixedRow("GitHub has not shared the steps yet"));
    } else {
        rows.push_back(Page::fixedRow("Asking GitHub for the steps\u2026"));
    }
    return rows;
}

Page::Group accessory(const JobDetailPane::Inputs& in) {
    Page::Group group;
    group.spacing = 8;
    if (in.running) {
        Page::Button stop = Page::button("Stop Job\u2026", {PaneCommand::SetView::flag(JobDetailPane::confirmingStop, true)},
                                         Page::Button::Style::destructive, in.canStop);
        if (!in.canStop) stop.help = "Needs agent 0.1.36 while other jobs run";
        group.items.push_back(std::move(stop));
    }
    group.items.push_back(Page::button("View on GitHub", {PaneCommand::OpenLink{in.githubURL}},
                                       Page::Button::Style::standard, in.githubURL.has_value()));
    return group;
}

} // namespace

JobDetailPane::Inputs JobDetailPane::inputs(const AppModel& model, const std::string& jobId,
                                            const std::optional<JobRow>& opened) {
    Inputs in;
    in.jobId = jobId;
    in.opened = opened;
    if (model.detail() && model.detail()->jobId == jobId) in.detail = model.detail();
    in.running = model.runningJob(jobId);
    in.finished = model.finishedJob(jobId);
    in.host = model.host();
    in.canStop = model.canStopJob(jobId);
    in.githubURL = PaneCommand::OpenLink::text(model.githubURL(jobId));
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription JobDetailPane::describe(const Inputs& in, const PaneViewState& view) {
    Page page;
    const std::string jobName = name(in);
    page.title = jobName;
    page.back = PaneCommands{PaneCommand::CloseJob{}};
    page.accessory = accessory(in);

    const std::optional<JobState> jobState = state(in);
    const std::string repo = repository(in);
    page.blocks.push_back(Page::Summary{"summary", jobState ? StateKind::of(*jobState) : StateKind::pending(),
                                        repo.empty() ? jobName : repo + ", " + jobName, meta(in), pill(in)});

    auto steps = Page::headedSection("Steps");
    steps.rows = stepRows(in);
    page.blocks.push_back(std::move(steps));

    Page::Log log;
    log.key = "log";
    log.title = logTitle(in);
    log.placeholder = logPlaceholder(in);
    log.followControls = isLive(jobState) && !log.placeholder;
    log.following = !view.flag(scrolledAway);
    // Each line cut to what the view shows of it: a line that grows past that changes nothing.
    if (in.detail) log.text = DisplayText::boundedLines(in.detail->log.text());
    log.jumpToEnd = {PaneCommand::SetView::flag(scrolledAway, false)};
    log.scrolledAway = {PaneCommand::SetView::flag(scrolledAway, true)};
    log.backAtEnd = {PaneCommand::SetView::flag(scrolledAway, false)};
    page.blocks.push_back(std::move(log));

    // A job that has left the running list can no longer be stopped: its confirmation goes too.
    if (view.flag(confirmingStop) && in.running) {
        Page::Alert alert;
        alert.key = confirmingStop;
        alert.title = "Stop " + jobName + "?";
        alert.message = "Its VM stops now and the job runs again on GitHub-hosted.";
        alert.confirm = Page::button("Stop Job", {PaneCommand::StopJob{in.jobId}, PaneCommand::SetView::flag(confirmingStop, false)},
                                     Page::Button::Style::destructive);
        alert.cancel = Page::button("Cancel", {PaneCommand::SetView::flag(confirmingStop, false)});
        page.alert = std::move(alert);
    }
    return page;
}

std::string JobDetailPane::name(const Inputs& in) {
    if (in.running) return DisplayText::bounded(in.running->name);
    if (in.finished) return DisplayText::bounded(in.finished->name);
    if (const JobRow* opened = openedRow(in)) return opened->name;
    return "Job";
}

std::string JobDetailPane::repository(const Inputs& in) {
    if (in.running) return DisplayText::bounded(in.running->repository);
    if (in.finished) return DisplayText::bounded(in.finished->repository);
    if (const JobRow* opened = openedRow(in)) return opened->fullRepository;
    return {};
}

std::optional<JobState> JobDetailPane::state(const Inputs& in) {
    if (in.running) return JobsList::runningRow(*in.running, in.host).state;
    if (in.finished) return JobState::of(in.finished->conclusion);
    if (in.detail && in.detail->steps) {
        const JobSteps::Job& job = in.detail->steps->job;
        if (job.conclusion && !job.conclusion->empty()) return JobState::of(*job.conclusion);
        if (job.status == "in_progress") return JobState::running(std::nullopt);
        if (job.status == "queued" || job.status == "waiting") return JobState::starting();
    }
    if (const JobRow* opened = openedRow(in)) return opened->state;
    return std::nullopt;
}

std::string JobDetailPane::meta(const Inputs& in) {
    std::vector<std::string> parts;
    // The running job's ref, else the finished job's.
    std::optional<std::string> ref;
    if (in.running && in.running->ref) ref = in.running->ref;
    else if (in.finished) ref = in.finished->ref;
    if (auto words = WindowWords::ref(ref)) parts.push_back(std::move(*words));

    const std::int64_t runId = in.running ? in.running->runId : in.finished ? in.finished->runId : 0;
    if (runId >= 1) parts.push_back("run " + NumberText::integer(runId));

    if (in.running) {
        parts.push_back(JobsList::runningRow(*in.running, in.host).meta);
    } else if (in.finished) {
        parts.push_back(WindowWords::vmKind(in.finished->label));
        if (in.finished->durationSeconds >= 1) parts.push_back(MenuModel::duration(in.finished->durationSeconds));
        parts.push_back("finished " + WindowWords::ago(in.finished->finishedAt, in.now, in.calendar));
    }

    std::erase(parts, std::string());
    return DisplayText::bounded(Text::joined(parts, ", "));
}

PageDescription::Pill JobDetailPane::pill(const Inputs& in) {
    const std::optional<JobState> s = state(in);
    if (!s) return {"Checking\u2026", PillTone::quiet};
    switch (s->kind()) {
    case JobState::Case::succeeded: return {"Succeeded", PillTone::good};
    case JobState::Case::failed: return {"Failed", PillTone::warning};
    case JobState::Case::cancelled: return {"Cancelled", PillTone::quiet};
    case JobState::Case::stopped: return {"Stopped", PillTone::quiet};
    case JobState::Case::running:
    case JobState::Case::starting: break;
    }
    if (!in.running) return {"Running", PillTone::accent};
    const std::string line = MenuModel::timeLine(*in.running);
    if (line.ends_with("left")) return {"About " + line, PillTone::accent};
    return {WindowWords::capitalized(line), PillTone::accent};
}

std::string JobDetailPane::logTitle(const Inputs& in) {
    if (!isLive(state(in))) return "Runner log";
    if (in.detail && in.detail->steps) {
        if (const auto step = StepWords::current(in.detail->steps->steps)) return DisplayText::bounded(step->name) + ", live";
    }
    return "Runner log, live";
}

std::optional<std::string> JobDetailPane::logPlaceholder(const Inputs& in) {
    if (!in.detail) return "Reading the log\u2026";
    const JobDetail& detail = *in.detail;
    if (detail.logProblem) return DisplayText::bounded(detail.logProblem->words());
    if (!detail.logLoaded) return "Reading the log\u2026";
    if (!detail.log.text().empty()) return std::nullopt;
    const bool ended = !isLive(state(in));
    if (!detail.log.source().empty()) return ended ? "The log is empty." : "Nothing written yet.";
    if (ended) return "No log was kept for this job.";
    const std::string* label = in.running ? &in.running->label : in.finished ? &in.finished->label : nullptr;
    if (label && label->find("macos") != std::string::npos) return "A macOS VM sends its log when the job ends.";
    return "The log starts once the VM is up.";
}

} // namespace quillmarsh
