#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// When the agent keeps this Mac awake (the policy key "stay_awake").
enum class StayAwake { never, pluggedIn, always };

template <>
struct RawValues<StayAwake> {
    static constexpr auto table = std::to_array<RawEntry<StayAwake>>({
        {StayAwake::never, "never"},
        {StayAwake::pluggedIn, "plugged_in"},
        {StayAwake::always, "always"},
    });
};

std::string_view label(StayAwake value);  // "Never", "While plugged in", "Always"

} // namespace quillmarsh
