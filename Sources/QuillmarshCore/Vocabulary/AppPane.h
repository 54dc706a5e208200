#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// The seven panes of the settings window, in sidebar order. The raw value is the pane's title,
// which is also what "appWindow.pane" stores.
enum class AppPane { general, thisMac, images, jobs, machines, caches, about };

template <>
struct RawValues<AppPane> {
    static constexpr auto table = std::to_array<RawEntry<AppPane>>({
        {AppPane::general, "General"},
        {AppPane::thisMac, "This Mac"},
        {AppPane::images, "Images"},
        {AppPane::jobs, "Jobs"},
        {AppPane::machines, "Machines"},
        {AppPane::caches, "Caches"},
        {AppPane::about, "About"},
    });
};

// The panes of the sidebar's "On this Mac" group, in order.
inline constexpr std::array<AppPane, 3> onThisMacPanes = {AppPane::jobs, AppPane::machines, AppPane::caches};

} // namespace quillmarsh
