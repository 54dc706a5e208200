#pragma once

#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Update/UpdateState.h"

#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;

// The "About" page: the app's name and version, updates of the app and the agent, the logs
// folder, the diagnostics command, the model's last error and the product's links. The view flag
// copied shows "Copied" for a moment after the command was copied; openedLogs, once "Open Logs…"
// was pressed, has the Logs row say that the folder does not exist yet while it does not.
struct AboutPane {
    // What the agent's status says of its version.
    struct AgentVersion {
        std::optional<std::string> version;
        std::optional<std::string> minimum;
        bool updateAvailable = false;
        bool operator==(const AgentVersion&) const = default;
    };

    struct Inputs {
        UpdateState update;
        std::optional<std::string> currentVersion;  // the app's; none for a development build
        bool agentAvailable = false;
        std::optional<AgentVersion> agent;          // none without a status
        bool canUpdateAgent = false;
        std::optional<std::string> lastError;
        std::string logsFolder;                     // the agent's logs, beside its socket
        bool logsFolderExists = false;              // as a folder, when the page was described
        std::string homeFolder;                     // shown as "~" in the logs folder
        bool operator==(const Inputs&) const = default;
    };

    static constexpr const char* copied = "copied";
    // Set by "Open Logs…": while the folder is missing the row then says why nothing opened.
    static constexpr const char* openedLogs = "openedLogs";

    static Inputs inputs(const AppModel& model);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);

private:
    static std::string appDetail(const Inputs& inputs);
    static std::string agentDetail(const Inputs& inputs);
    static std::string abbreviated(const std::string& path, const std::string& home);
};

} // namespace quillmarsh
