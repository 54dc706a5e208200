#include "App/ScreenshotPlan.h"

#include "Foundation/Text.h"
#include "Words/JobsList.h"

#include <algorithm>

namespace quillmarsh {

std::optional<AppPane> ScreenshotPlan::paneAt(int step) {
    constexpr auto panes = allCases<AppPane>();
    if (step < 0 || step > jobDetailStep) return std::nullopt;
    if (step < static_cast<int>(panes.size())) return panes[static_cast<std::size_t>(step)];
    return AppPane::jobs;
}

std::chrono::milliseconds ScreenshotPlan::selectDelay(AppPane pane) {
    const bool loads = std::find(onThisMacPanes.begin(), onThisMacPanes.end(), pane) != onThisMacPanes.end();
    return std::chrono::milliseconds(loads ? 2000 : 600);
}

bool ScreenshotPlan::isReady(AppPane pane, const Loaded& loaded) {
    switch (pane) {
    case AppPane::jobs: return loaded.windowJobs;
    case AppPane::machines: return loaded.fleetOrProblem;
    case AppPane::caches: return loaded.caches;
    default: return true;
    }
}

std::string ScreenshotPlan::fileName(AppPane pane) {
    std::string name = Text::lowercasedASCII(rawValue(pane));
    std::replace(name.begin(), name.end(), ' ', '-');
    return "app-" + name + ".png";
}

std::string ScreenshotPlan::paneLine(const std::string& file, int width, int height) {
    return "wrote " + file + " " + std::to_string(width) + " x " + std::to_string(height);
}

std::string ScreenshotPlan::jobDetailLine(const std::string& jobId) {
    return std::string("wrote ") + jobDetailFile + " " + Text::escapedControls(jobId);
}

std::optional<JobRow> ScreenshotPlan::detailRow(const JobsSnapshot& jobs, const std::optional<HostInfo>& host, Date now,
                                                const Calendar& calendar) {
    std::vector<JobRow> rows = JobsList::running(jobs, host);
    if (rows.empty()) rows = JobsList::recent(jobs, JobFilter::all, now, calendar);
    if (rows.empty()) return std::nullopt;
    return rows.front();
}

} // namespace quillmarsh
