#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// The app's own command-line switches, read once at start-up. A switch counts only when an
// argument equals it exactly, wherever it stands; the switches combine freely.
struct LaunchOptions {
    bool firstRun = false;     // --first-run: the first-run window after the first refresh, whatever it found
    bool settings = false;     // --settings: the settings window at launch
    bool openMenu = false;     // --open-menu: the status menu opens 1.5 s after launch
    bool optionLayer = false;  // --option-layer: the menu keeps its agent information row shown
    bool menuMetrics = false;  // --menu-metrics: the menu opens after 2 s and prints its metrics
    bool dock = false;         // --dock: accepted for compatibility; windows always get a task-bar entry
    bool screenshots = false;  // --screenshots appears at all
    // The argument after the first "--screenshots"; none when that is the last argument, and then
    // the switch does nothing.
    std::optional<std::string> screenshotsFolder;

    // The arguments without the program's name.
    static LaunchOptions parse(const std::vector<std::string>& arguments);
    // Whether an argument equals the option exactly.
    static bool has(const std::vector<std::string>& arguments, const std::string& option);

    // A launch for development: it always runs as its own process and never hands over to an app
    // that already runs.
    bool isDevelopment() const;
    // A launch that shows or pictures the menu or the windows by itself (screenshots, the open
    // menu, the menu's metrics): a desktop without a tray does not also get a window for it.
    bool showsItself() const;
};

} // namespace quillmarsh
