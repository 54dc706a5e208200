#include "Settings/Panes/CachesPane.h"

#include "Model/AppModel.h"

namespace quillmarsh {

CachesPane::Inputs CachesPane::inputs(const AppModel& model) {
    Inputs in;
    in.report = model.caches();
    in.host = model.host();
    in.agentAvailable = model.agentAvailable();
    in.now = model.clock().now();
    in.calendar = model.clock().calendar();
    return in;
}

PageDescription CachesPane::describe(const Inputs&, const PaneViewState&) {
    PageDescription page;
    page.title = "Caches";
    return page;
}

std::string CachesPane::ownerPart(std::string_view) { return {}; }

} // namespace quillmarsh
