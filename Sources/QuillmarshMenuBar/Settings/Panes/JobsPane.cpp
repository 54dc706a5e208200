#include "Settings/Panes/JobsPane.h"

#include "Foundation/RawValue.h"
#include "Model/AppModel.h"
#include "Words/JobsList.h"
#include "Words/WindowWords.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace quillmarsh {

namespace {

using Page = PageDescription;

Page::Group accessory(const JobsPane::Inputs& in, JobFilter chosen) {
    Page::Segments show;
    show.label = "Show";
    for (JobFilter f : allCases<JobFilter>()) {
        const std::string raw(rawValue(f));
        show.options.push_back({raw, f == chosen, {PaneCommand::SetView{JobsPane::filterKey, raw}}});
    }
    Page::Group group;
    group.spacing = 12;
    group.items.push_back(std::move(show));
    group.items.push_back(Page::button("Open in Dashboard\u2026", {PaneCommand::OpenLink{in.jobsURL}}));
    return group;
}

Page::JobLine line(JobRow row) {
    Page::JobLine job;
    job.key = row.id;
    job.state = StateKind::of(row.state);
    job.repository = row.repository;
    job.name = row.name;
    job.meta = row.meta;
    job.trailing = row.trailing;
    job.accessibleName = JobsPane::accessibleName(row);
    job.open = {PaneCommand::OpenJob{std::move(row)}};
    return job;
}

// A section of job lines, or the one text row that says the list is empty. The key stays when
// the filter changes, so a list shown under both filters keeps its widgets.
Page::Section jobsSection(std::string key, std::string header, std::optional<std::string> note,
                          std::vector<JobRow> rows, const char* empty) {
    Page::Section section{std::move(key), std::move(header), std::move(note), {}, std::nullopt};
    section.rows.reserve(rows.empty() ? 1 : rows.size());
    if (rows.empty()) section.rows.push_back(Page::fixedRow(empty));
    for (auto& row : rows) section.rows.push_back(line(std::move(row)));
    return section;
}

} // namespace

JobsPane::Inputs JobsPane::inputs(const AppModel& model) {
    Inputs in;
    // Only the jobs the lists can show: an answer far longer than asked for is not copied whole.
    const JobsSnapshot& jobs = model.paneJobs();
    const auto first = [](const auto& list) {
        return std::vector(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(std::min(list.size(), JobsList::shownLimit)));
    };
    in.jobs = JobsSnapshot{first(jobs.running), first(jobs.recent)};
    in.host = model.host();
    in.agentAvailable = model.agentAvailable();
    in.jobsURL = PaneCommand::OpenLink::text(model.jobsURL());
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription JobsPane::describe(const Inputs& in, const PaneViewState& view) {
    const JobFilter chosen = filter(view);
    Page page;
    page.title = "Jobs";
    page.accessory = accessory(in, chosen);

    if (!in.agentAvailable) {
        page.blocks.push_back(Page::Note{"note", std::string(WindowWords::agentNotRunning)});
        return page;
    }
    // The Failed filter shows finished jobs only: the running rows are not even worded.
    if (chosen != JobFilter::failed) {
        page.blocks.push_back(jobsSection("running", "Running Now", std::nullopt, JobsList::running(in.jobs, in.host),
                                          "No job is running here"));
    }
    if (chosen != JobFilter::running) {
        const bool failed = chosen == JobFilter::failed;
        page.blocks.push_back(jobsSection("recent", failed ? "Failed" : "Recent", "Last 50 on this Mac",
                                          JobsList::recent(in.jobs, chosen, in.now, in.calendar),
                                          failed ? "No failed jobs" : "No jobs have run here yet"));
    }
    return page;
}

JobFilter JobsPane::filter(const PaneViewState& view) {
    return fromRaw<JobFilter>(view.value(filterKey)).value_or(JobFilter::all);
}

std::string JobsPane::accessibleName(const JobRow& row) {
    std::string name;
    const std::string_view state = row.state.word();
    name.reserve(row.repository.size() + row.name.size() + state.size() + row.meta.size() + row.trailing.size() + 7);
    name += row.repository;
    name += ' ';
    name += row.name;
    name += ", ";
    name += state;
    name += ", ";
    name += row.meta;
    name += ", ";
    name += row.trailing;
    return name;
}

} // namespace quillmarsh
