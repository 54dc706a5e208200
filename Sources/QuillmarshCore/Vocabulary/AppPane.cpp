#include "Vocabulary/AppPane.h"

namespace quillmarsh {

std::string_view rawValue(AppPane pane) {
    switch (pane) {
    case AppPane::general: return "General";
    case AppPane::thisMac: return "This Mac";
    case AppPane::images: return "Images";
    case AppPane::jobs: return "Jobs";
    case AppPane::machines: return "Machines";
    case AppPane::caches: return "Caches";
    case AppPane::about: return "About";
    }
    return "General";
}

template <>
std::optional<AppPane> fromRaw<AppPane>(std::string_view text) {
    for (AppPane pane : allCases<AppPane>()) {
        if (rawValue(pane) == text) return pane;
    }
    return std::nullopt;
}

} // namespace quillmarsh
