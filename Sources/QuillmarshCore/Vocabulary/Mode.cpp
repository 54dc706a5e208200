#include "Vocabulary/Mode.h"

namespace quillmarsh {

std::string_view rawValue(Mode mode) {
    switch (mode) {
    case Mode::primary: return "primary";
    case Mode::backup: return "backup";
    case Mode::off: return "off";
    }
    return "off";
}

std::string_view label(Mode mode) {
    switch (mode) {
    case Mode::primary: return "Primary";
    case Mode::backup: return "Backup";
    case Mode::off: return "Off";
    }
    return "Off";
}

template <>
std::optional<Mode> fromRaw<Mode>(std::string_view text) {
    for (Mode mode : allCases<Mode>()) {
        if (rawValue(mode) == text) return mode;
    }
    return std::nullopt;
}

} // namespace quillmarsh
