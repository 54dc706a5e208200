#pragma once

#include "Vocabulary/IconLook.h"

#include <string>

namespace quillmarsh {

// The menu-bar icon: its look and its tooltip.
struct MenuIcon {
    IconLook look = IconLook::idle;
    std::string tooltip;

    bool operator==(const MenuIcon&) const = default;

    // Shown in place of the computed icon while this Mac is not set up.
    static MenuIcon notSetUp();

    // The icon's spoken value: "Ready" when idle; the tooltip when paused or running;
    // otherwise the look's name, ", " and the tooltip with its first character lower-cased.
    std::string accessibilityValue() const;
};

} // namespace quillmarsh
