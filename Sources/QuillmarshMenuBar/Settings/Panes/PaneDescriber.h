#pragma once

#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Vocabulary/AppPane.h"
#include "Words/JobRow.h"

#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;

// The page of any pane for the model's values now (its clock and calendar) and the page's view
// state: copies the pane's inputs from the model and describes them.
struct PaneDescriber {
    // What a page shows: a pane and, on the Jobs pane, the open job (its detail instead of the
    // list) with the list row it was opened from.
    struct Target {
        AppPane pane = AppPane::general;
        std::optional<std::string> job;
        std::optional<JobRow> opened;
    };

    static PageDescription describe(const Target& target, const AppModel& model, const PaneViewState& view);
    static PageDescription describe(AppPane pane, const AppModel& model, const PaneViewState& view) {
        return describe(Target{pane, std::nullopt, std::nullopt}, model, view);
    }
};

} // namespace quillmarsh
