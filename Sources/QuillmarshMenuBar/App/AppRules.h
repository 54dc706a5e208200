#pragma once

#include "Vocabulary/AppPane.h"

#include <optional>
#include <string>

namespace quillmarsh {

// The application's own decisions, as plain functions of what they read.
struct AppRules {
    // The pane the status menu asks for by its title in lower case ("this mac"): the first of the
    // seven, in sidebar order, whose lower-cased title equals the name exactly. None for no name,
    // and for any other text, capitals included ("This Mac").
    static std::optional<AppPane> paneNamed(const std::optional<std::string>& name);

    // At the end of the first refresh: whether the first-run window comes up. Always with
    // --first-run; otherwise only when no agent answers and this Mac was never registered.
    static bool showsFirstRun(bool firstRunGiven, bool agentAvailable, bool registered);

    // Whether the updater may install a ready update now: not while the status menu is open, and
    // not while the settings window is visible (none: the window was never made).
    static bool isQuiet(bool menuOpen, std::optional<bool> settingsVisible);

    // The window a reopen (a second launch, a desktop without a tray) brings up.
    enum class Window { settings, firstRun };
    static Window reopenWindow(bool agentAvailable);
};

} // namespace quillmarsh
