#include "Settings/Panes/PaneDescriber.h"

#include "Model/AppModel.h"
#include "Settings/Panes/AboutPane.h"
#include "Settings/Panes/CachesPane.h"
#include "Settings/Panes/GeneralPane.h"
#include "Settings/Panes/ImagesPane.h"
#include "Settings/Panes/JobDetailPane.h"
#include "Settings/Panes/JobsPane.h"
#include "Settings/Panes/MachinesPane.h"
#include "Settings/Panes/ThisMacPane.h"

namespace quillmarsh {

PageDescription PaneDescriber::describe(const Target& target, const AppModel& model, const PaneViewState& view) {
    switch (target.pane) {
    case AppPane::general:
        return GeneralPane::describe(GeneralPane::inputs(model), view);
    case AppPane::thisMac:
        return ThisMacPane::describe(ThisMacPane::inputs(model), view);
    case AppPane::images:
        return ImagesPane::describe(ImagesPane::inputs(model), view);
    case AppPane::jobs:
        if (target.job) return JobDetailPane::describe(JobDetailPane::inputs(model, *target.job, target.opened), view);
        return JobsPane::describe(JobsPane::inputs(model), view);
    case AppPane::machines:
        return MachinesPane::describe(MachinesPane::inputs(model), view);
    case AppPane::caches:
        return CachesPane::describe(CachesPane::inputs(model), view);
    case AppPane::about:
        break;
    }
    return AboutPane::describe(AboutPane::inputs(model), view);
}

} // namespace quillmarsh
