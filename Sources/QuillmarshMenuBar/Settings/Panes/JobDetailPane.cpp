#include "Settings/Panes/JobDetailPane.h"

#include "Model/AppModel.h"

namespace quillmarsh {

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
    if (const auto url = model.githubURL(jobId)) in.githubURL = url->toString().toStdString();
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription JobDetailPane::describe(const Inputs& in, const PaneViewState&) {
    PageDescription page;
    page.title = name(in);
    page.back = PaneCommands{PaneCommand::CloseJob{}};
    return page;
}

std::string JobDetailPane::name(const Inputs&) { return "Job"; }
std::string JobDetailPane::repository(const Inputs&) { return {}; }
std::optional<JobState> JobDetailPane::state(const Inputs&) { return std::nullopt; }
std::string JobDetailPane::meta(const Inputs&) { return {}; }
PageDescription::Pill JobDetailPane::pill(const Inputs&) { return {"Checking\u2026", PillTone::quiet}; }
std::string JobDetailPane::logTitle(const Inputs&) { return "Runner log"; }
std::optional<std::string> JobDetailPane::logPlaceholder(const Inputs&) { return std::nullopt; }

} // namespace quillmarsh
