#include "Vocabulary/StayAwake.h"

namespace quillmarsh {

std::string_view rawValue(StayAwake value) {
    switch (value) {
    case StayAwake::never: return "never";
    case StayAwake::pluggedIn: return "plugged_in";
    case StayAwake::always: return "always";
    }
    return "never";
}

std::string_view label(StayAwake value) {
    switch (value) {
    case StayAwake::never: return "Never";
    case StayAwake::pluggedIn: return "While plugged in";
    case StayAwake::always: return "Always";
    }
    return "Never";
}

template <>
std::optional<StayAwake> fromRaw<StayAwake>(std::string_view text) {
    for (StayAwake value : allCases<StayAwake>()) {
        if (rawValue(value) == text) return value;
    }
    return std::nullopt;
}

} // namespace quillmarsh
