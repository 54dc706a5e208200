#pragma once

#include "StatusMenu/MenuEntry.h"
#include "StatusMenu/MenuInputs.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Update/UpdateState.h"

#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// The status menu's rows for a given state: the agent menu while the agent answers, else the
// menu that offers to set this Mac up. Pure; the controller builds QActions from what it returns.
struct MenuPlan {
    static constexpr const char* infoId = "option-info";
    static constexpr const char* joinFleetId = "join-fleet";
    static constexpr const char* updateId = "update";
    static constexpr const char* resumeId = "resume";
    static constexpr const char* pauseId = "pause";
    static constexpr const char* stopJobsId = "stop-jobs";
    static constexpr const char* settingsId = "settings";
    static constexpr const char* diagnosticsId = "diagnostics";
    static constexpr const char* setUpId = "set-up";
    static constexpr const char* setUpTerminalId = "set-up-terminal";

    static std::vector<MenuEntry> rows(const MenuInputs& inputs);

    // What each row is across renders, so that a row of the next plan takes over the row built
    // for the last one: a job row by its job's id ("job " + id), a row with an identifier by it, a
    // separator as "-", any other row by its kind and title. Keys repeat where rows do (two jobs
    // with one id, the separators). running is the list the job rows' tags index.
    static std::vector<std::string> keys(const std::vector<MenuEntry>& rows, const std::vector<RunningJob>& running);

    // The update row: "Update available" (with " (version)" when there is one) while an update is
    // ready or can be downloaded, "Updating…" (disabled) while one installs, else none. Its
    // tooltip follows the state, so the controller refreshes it on every render.
    static std::optional<MenuEntry> updateRow(const UpdateState& update);

    // The Pause submenu's four choices, enabled exactly while the choice is available now.
    static std::vector<MenuEntry> pauseRows(Date now, const Calendar& calendar);

    // "pause-" and the option's index.
    static std::string pauseItemId(int index);

    // Whether a row of that layer is on screen while Alt is (not) held and the Option layer is
    // (not) on.
    static bool visible(MenuEntry::Layer layer, bool altHeld, bool optionShown);

    // The tooltip of "Copy Diagnostics".
    static std::string diagnosticsTooltip();
};

} // namespace quillmarsh
