#include "App/LaunchOptions.h"

#include <algorithm>

namespace quillmarsh {

bool LaunchOptions::has(const std::vector<std::string>& arguments, const std::string& option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

LaunchOptions LaunchOptions::parse(const std::vector<std::string>& arguments) {
    LaunchOptions options;
    options.firstRun = has(arguments, "--first-run");
    options.settings = has(arguments, "--settings");
    options.openMenu = has(arguments, "--open-menu");
    options.optionLayer = has(arguments, "--option-layer");
    options.menuMetrics = has(arguments, "--menu-metrics");
    options.dock = has(arguments, "--dock");
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
