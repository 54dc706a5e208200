#pragma once

#include "StatusMenu/MenuInputs.h"

#include <string>
#include <vector>

namespace quillmarsh {

// What the status menu's structure depends on. The menu is built anew only when this changes;
// everything else (job progress and times, the information lines, the pause rows' availability,
// the update row's tooltip) is updated in place, so an open menu is not torn down on a refresh.
// Compared field by field: job ids are kept as a list, so ids holding "," or ":" never make two
// different job lists look alike.
struct MenuSignature {
    enum class Menu { agent, firstRun };
    enum class Update { none, available, updating };

    Menu menu = Menu::firstRun;
    bool paused = false;                // agent menu only
    std::vector<std::string> jobIds;    // agent menu only, in the model's order
    Update update = Update::none;
    std::string updateVersion;          // the version an available update names
    bool awaitingPoolConsent = false;   // agent menu only

    bool operator==(const MenuSignature&) const = default;

    static MenuSignature of(const MenuInputs& inputs);
};

} // namespace quillmarsh
