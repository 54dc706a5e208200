#pragma once

#include <string_view>

namespace quillmarsh {

// The look of the menu-bar icon.
enum class IconLook { needsAttention, paused, running, holdingBack, idle };

// "Needs attention", "Paused", "Running", "Holding back", "Ready".
std::string_view name(IconLook look);

} // namespace quillmarsh
