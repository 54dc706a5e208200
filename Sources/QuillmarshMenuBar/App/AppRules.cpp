#include "App/AppRules.h"

#include "Foundation/Text.h"

namespace quillmarsh {

std::optional<AppPane> AppRules::paneNamed(const std::optional<std::string>& name) {
    if (!name) return std::nullopt;
    for (AppPane pane : allCases<AppPane>()) {
        if (Text::lowercasedASCII(rawValue(pane)) == *name) return pane;
    }
    return std::nullopt;
}

bool AppRules::showsFirstRun(bool firstRunGiven, bool agentAvailable, bool registered) {
    return firstRunGiven || (!agentAvailable && !registered);
}

bool AppRules::isQuiet(bool menuOpen, std::optional<bool> settingsVisible) {
    if (menuOpen) return false;
    return !settingsVisible.value_or(false);
}

AppRules::Window AppRules::reopenWindow(bool agentAvailable) {
    return agentAvailable ? Window::settings : Window::firstRun;
}

} // namespace quillmarsh
