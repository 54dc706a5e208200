#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// When the agent keeps this Mac awake (the policy key "stay_awake").
enum class StayAwake { never, pluggedIn, always };

std::string_view rawValue(StayAwake value);  // "never", "plugged_in", "always"
std::string_view label(StayAwake value);     // "Never", "While plugged in", "Always"
template <>
std::optional<StayAwake> fromRaw<StayAwake>(std::string_view text);
template <>
constexpr auto allCases<StayAwake>() {
    return std::array{StayAwake::never, StayAwake::pluggedIn, StayAwake::always};
}

} // namespace quillmarsh
