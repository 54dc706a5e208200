#pragma once

#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Vocabulary/AppPane.h"

namespace quillmarsh {

class AppModel;

// The page of any pane for the model's values now (its clock and calendar) and the page's view
// state: copies the pane's inputs from the model and describes them.
struct PaneDescriber {
    static PageDescription describe(AppPane pane, const AppModel& model, const PaneViewState& view);
};

} // namespace quillmarsh
