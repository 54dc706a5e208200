#include "Settings/Panes/PaneDescriber.h"

#include "Foundation/RawValue.h"
#include "Model/AppModel.h"

namespace quillmarsh {

// A first stand-in: every pane is its title.
PageDescription PaneDescriber::describe(AppPane pane, const AppModel&, const PaneViewState&) {
    PageDescription page;
    page.title = std::string(rawValue(pane));
    return page;
}

} // namespace quillmarsh
