#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// The seven panes of the settings window, in sidebar order. The raw value is the pane's title,
// which is also what "appWindow.pane" stores.
enum class AppPane { general, thisMac, images, jobs, machines, caches, about };

std::string_view rawValue(AppPane pane);  // "General", "This Mac", "Images", "Jobs", ...

template <>
std::optional<AppPane> fromRaw<AppPane>(std::string_view text);

template <>
constexpr auto allCases<AppPane>() {
    return std::array{AppPane::general, AppPane::thisMac, AppPane::images, AppPane::jobs,
                      AppPane::machines, AppPane::caches, AppPane::about};
}

} // namespace quillmarsh
