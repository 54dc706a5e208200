#pragma once

#include "Settings/Kit/PaneCommand.h"

#include <functional>
#include <string>

namespace quillmarsh {

class AppModel;

// Carries out the commands of a settings page's controls: every model command through the
// model, the clipboard through the environment, and the page's own view state (SetView,
// FlashView) and the window's selection (OpenJob, CloseJob) back to the column that shows it.
class PaneCommandRunner final {
public:
    struct Environment {
        std::function<void(const std::string&)> copy;         // QClipboard when none
        // SetView, FlashView, OpenJob and CloseJob; dropped when none.
        std::function<void(const PaneCommand&)> view;
    };

    explicit PaneCommandRunner(AppModel& model, Environment environment = {});

    void run(const PaneCommands& commands) const;
    void run(const PaneCommand& command) const;

private:
    AppModel& model_;
    Environment environment_;
};

} // namespace quillmarsh
