#include "Settings/Panes/MachinesPane.h"

#include "Model/AppModel.h"

namespace quillmarsh {

MachinesPane::Inputs MachinesPane::inputs(const AppModel& model) {
    Inputs in;
    in.fleet = model.fleet();
    in.problem = model.fleetProblem();
    in.agentAvailable = model.agentAvailable();
    in.laptop = model.status() && model.status()->laptop;
    in.dashboardRoot = model.dashboardRoot();
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription MachinesPane::describe(const Inputs&, const PaneViewState&) {
    PageDescription page;
    page.title = "Machines";
    return page;
}

} // namespace quillmarsh
