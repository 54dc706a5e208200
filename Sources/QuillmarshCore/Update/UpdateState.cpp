#include "Update/UpdateState.h"

namespace quillmarsh {

namespace {

// A reason as a sentence of its own: the next sentence follows it, so it ends with a full stop
// (or the question or exclamation mark it has).
std::string sentence(const std::string& reason) {
    if (reason.empty() || reason.ends_with('.') || reason.ends_with('?') || reason.ends_with('!'))
        return reason;
    return reason + ".";
}

} // namespace

std::optional<std::string> UpdateState::version() const {
    switch (kind) {
    case Case::idle:
    case Case::checking:
        return std::nullopt;
    default:
        return versionText;
    }
}

std::optional<UpdateState::MenuRow> UpdateState::menuRow() const {
    switch (kind) {
    case Case::installing:
        return MenuRow{"Updating\u2026", "", false};
    case Case::ready:
    case Case::manual:
        return MenuRow{"Update available", versionText, true};
    default:
        return std::nullopt;
    }
}

std::string UpdateState::detail(const std::optional<std::string>& current) const {
    if (!current)
        return "Available in the installed app.";
    const std::string& v = versionText;
    switch (kind) {
    case Case::downloading:
        return "Downloading version " + v + "\u2026";
    case Case::ready:
        return "Version " + v +
               " is ready. It installs when you choose Update available in the menu, or when the app next "
               "quits. Jobs are not affected.";
    case Case::installing:
        return "Installing version " + v + "\u2026";
    case Case::manual:
        return "Version " + v + " is available. " + sentence(reason) + " Download it and replace this copy.";
    case Case::failed:
        return "Version " + v + " could not be installed: " + sentence(reason) + " It is tried again at the next check.";
    case Case::idle:
        return "Up to date. Checked daily.";
    case Case::checking:
        return "Checking\u2026";
    }
    return {};
}

} // namespace quillmarsh
