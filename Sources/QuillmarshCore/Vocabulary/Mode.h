#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// This Mac's routing role, sent with POST /mode.
enum class Mode { primary, backup, off };

std::string_view rawValue(Mode mode);   // "primary", "backup", "off"
std::string_view label(Mode mode);      // "Primary", "Backup", "Off"
template <>
std::optional<Mode> fromRaw<Mode>(std::string_view text);
template <>
constexpr auto allCases<Mode>() {
    return std::array{Mode::primary, Mode::backup, Mode::off};
}

} // namespace quillmarsh
