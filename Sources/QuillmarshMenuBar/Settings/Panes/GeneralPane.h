#pragma once

#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"

namespace quillmarsh {

class AppModel;

// The "General" page: the app's own preferences (open at login, the status item, and which
// events post a notification).
struct GeneralPane {
    struct Inputs {
        bool installed = false;    // runs from its bundle, so it can be a login item
        bool openAtLogin = false;  // the login item is enabled
        bool showInMenuBar = true;
        bool notifyJobFails = true;
        bool notifyBreak = true;
        bool notifyOffline = false;
        bool notifyImage = true;
        bool operator==(const Inputs&) const = default;
    };

    static Inputs inputs(const AppModel& model);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);
};

} // namespace quillmarsh
