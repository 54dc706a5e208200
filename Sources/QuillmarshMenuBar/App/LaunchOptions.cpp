#include "App/LaunchOptions.h"

#include <algorithm>

namespace quillmarsh {

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    const auto has = [&](const char* option) {
        return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
    };
    LaunchOptions options;
    options.firstRun = has("--first-run");
    options.settings = has("--settings");
    options.openMenu = has("--open-menu");
    options.optionLayer = has("--option-layer");
    options.menuMetrics = has("--menu-metrics");
    options.dock = has("--dock");
    const auto screenshots = std::find(arguments.begin(), arguments.end(), "--screenshots");
    options.screenshots = screenshots != arguments.end();
    if (options.screenshots && std::next(screenshots) != arguments.end()) options.screenshotsFolder = *std::next(screenshots);
    return options;
}

bool LaunchOptions::isDevelopment() const {
    return firstRun || settings || screenshots || openMenu || optionLayer || menuMetrics;
}

bool LaunchOptions::showsItself() const { return screenshotsFolder.has_value() || openMenu || menuMetrics; }

} // namespace quillmarsh
