#include "Words/JobsList.h"

#include "Foundation/NumberText.h"
#include "Foundation/Text.h"
#include "Words/DisplayText.h"
#include "Words/MenuModel.h"
#include "Words/WindowWords.h"

#include <algorithm>

namespace quillmarsh {

namespace {

// The repository's short name (its last piece, as MenuModel::shortRepository has it) cut to a
// label's worth, without a copy of a long repository first.
std::string shortName(std::string_view repository) {
    const std::size_t end = repository.find_last_not_of('/');
    if (repository.size() <= DisplayText::labelBytes || end == std::string_view::npos)
        return DisplayText::bounded(MenuModel::shortRepository(repository));
    const std::size_t slash = repository.rfind('/', end);
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    return DisplayText::bounded(repository.substr(start, end + 1 - start));
}

// The row's parts that running and finished jobs share: identity, names, facts and run link. The
// texts are cut to a label's worth; the id and the link stay whole.
template <class Job>
JobRow rowOf(const Job& job, const std::vector<std::string>& facts) {
    JobRow row;
    row.id = job.id();
    row.repository = shortName(job.repository);
    row.fullRepository = DisplayText::bounded(job.repository);
    row.name = DisplayText::bounded(job.name);
    row.meta = DisplayText::bounded(Text::joined(facts, ", "));
    row.runURL = job.runUrl ? job.runUrl : JobsList::runURL(job.repository, job.runId);
    return row;
}

bool isFailure(const std::string& conclusion) {
    return conclusion != "success" && conclusion != "cancelled" && conclusion != "host_stopped";
}

} // namespace

std::optional<std::string> JobsList::guest(std::string_view label, const std::optional<HostInfo>& host) {
    if (!host) return std::nullopt;
    const HostInfo::Guest& guest = label.find("macos") != std::string_view::npos ? host->macosGuest : host->linuxGuest;
    if (guest.cpus < 1) return std::nullopt;
    return NumberText::integer(guest.cpus) + " cores, " +
           NumberText::integer(NumberText::roundHalfAwayFromZero(static_cast<double>(guest.memoryMiB) / 1024.0)) + " GB";
}

std::optional<std::string> JobsList::runURL(std::string_view repository, std::int64_t runId) {
    if (repository.empty() || runId == 0) return std::nullopt;
    return "https://" + std::string(MenuModel::gitHubHost) + "/" + std::string(repository) + "/actions/runs/" +
           NumberText::integer(runId);
}

std::vector<JobRow> JobsList::running(const JobsSnapshot& snapshot, const std::optional<HostInfo>& host) {
    std::vector<JobRow> rows;
    const std::size_t count = std::min(snapshot.running.size(), shownLimit);
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) rows.push_back(runningRow(snapshot.running[i], host));
    return rows;
}

JobRow JobsList::runningRow(const RunningJob& job, const std::optional<HostInfo>& host) {
    std::vector<std::string> facts{WindowWords::vmKind(job.label)};
    if (auto size = guest(job.label, host)) facts.push_back(std::move(*size));
    if (!job.started) facts.push_back("starting");
    else if (job.elapsedSeconds >= 60) facts.push_back("started " + MenuModel::elapsed(job.elapsedSeconds) + " ago");
    else facts.push_back("started just now");

    JobRow row = rowOf(job, facts);
    row.trailing = MenuModel::timeLine(job);
    row.state = job.started ? JobState::running(MenuModel::progress(job)) : JobState::starting();
    return row;
}

std::vector<JobRow> JobsList::recent(const JobsSnapshot& snapshot, JobFilter filter, Date now,
                                     const Calendar& calendar) {
    std::vector<JobRow> rows;
    if (filter == JobFilter::running) return rows;
    const std::size_t count = std::min(snapshot.recent.size(), shownLimit);
    for (std::size_t i = 0; i < count; ++i) {
        const FinishedJob& job = snapshot.recent[i];
        if (filter == JobFilter::failed && !isFailure(job.conclusion)) continue;
        const JobState state = JobState::of(job.conclusion);
        std::vector<std::string> facts;
        // Cut first, with room for the prefix the wording drops: the meta line is cut after.
        const std::optional<std::string> cutRef =
            job.ref ? std::optional(DisplayText::bounded(*job.ref, 2 * DisplayText::labelBytes)) : std::nullopt;
        if (auto ref = WindowWords::ref(cutRef)) facts.push_back(std::move(*ref));
        const std::string duration = MenuModel::duration(job.durationSeconds);
        const bool timed = job.durationSeconds >= 1;
        switch (state.kind()) {
        case JobState::Case::stopped: facts.push_back("stopped here, re-run on GitHub-hosted"); break;
        case JobState::Case::cancelled:
            if (timed) facts.push_back("cancelled after " + duration);
            break;
        case JobState::Case::succeeded:
            if (timed) facts.push_back(duration);
            break;
        default:
            if (timed) facts.push_back("failed after " + duration);
            break;
        }

        JobRow row = rowOf(job, facts);
        row.trailing = WindowWords::capitalized(WindowWords::ago(job.finishedAt, now, calendar));
        row.state = state;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace quillmarsh
