#include "Settings/PaneCommandRunner.h"

#include "Model/AppModel.h"

namespace quillmarsh {

PaneCommandRunner::PaneCommandRunner(AppModel& model, Environment environment)
    : model_(model), environment_(std::move(environment)) {}

void PaneCommandRunner::run(const PaneCommands& commands) const {
    for (const auto& command : commands) run(command);
}

// A first stand-in: only the view state.
void PaneCommandRunner::run(const PaneCommand& command) const {
    (void)model_;
    if ((command.as<PaneCommand::SetView>() || command.as<PaneCommand::FlashView>()) && environment_.view)
        environment_.view(command);
}

} // namespace quillmarsh
