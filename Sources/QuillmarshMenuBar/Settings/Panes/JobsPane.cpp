#include "Settings/Panes/JobsPane.h"

#include "Model/AppModel.h"

namespace quillmarsh {

JobsPane::Inputs JobsPane::inputs(const AppModel& model) {
    Inputs in;
    in.jobs = model.paneJobs();
    in.host = model.host();
    in.agentAvailable = model.agentAvailable();
    if (const auto url = model.jobsURL()) in.jobsURL = url->toString().toStdString();
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription JobsPane::describe(const Inputs&, const PaneViewState&) {
    PageDescription page;
    page.title = "Jobs";
    return page;
}

JobFilter JobsPane::filter(const PaneViewState&) { return JobFilter::all; }

std::string JobsPane::accessibleName(const JobRow&) { return {}; }

} // namespace quillmarsh
