#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// This Mac's routing role, sent with POST /mode.
enum class Mode { primary, backup, off };

template <>
struct RawValues<Mode> {
    static constexpr auto table = std::to_array<RawEntry<Mode>>({
        {Mode::primary, "primary"},
        {Mode::backup, "backup"},
        {Mode::off, "off"},
    });
};

std::string_view label(Mode mode);  // "Primary", "Backup", "Off"

} // namespace quillmarsh
