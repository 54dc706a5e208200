#include "Settings/Panes/PaneDescriber.h"

#include "Foundation/RawValue.h"
#include "Model/AppModel.h"
#include "Settings/Panes/AboutPane.h"
#include "Settings/Panes/GeneralPane.h"
#include "Settings/Panes/ImagesPane.h"
#include "Settings/Panes/ThisMacPane.h"

namespace quillmarsh {

PageDescription PaneDescriber::describe(AppPane pane, const AppModel& model, const PaneViewState& view) {
    switch (pane) {
    case AppPane::general:
        return GeneralPane::describe(GeneralPane::inputs(model), view);
    case AppPane::thisMac:
        return ThisMacPane::describe(ThisMacPane::inputs(model), view);
    case AppPane::images:
        return ImagesPane::describe(ImagesPane::inputs(model), view);
    case AppPane::about:
        return AboutPane::describe(AboutPane::inputs(model), view);
    case AppPane::jobs:
    case AppPane::machines:
    case AppPane::caches:
        break;
    }
    // Panes whose pages are not built yet show their title alone.
    PageDescription page;
    page.title = std::string(rawValue(pane));
    return page;
}

} // namespace quillmarsh
