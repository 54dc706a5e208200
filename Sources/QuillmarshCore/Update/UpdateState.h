#pragma once

#include <optional>
#include <string>

namespace quillmarsh {

// The self-updater's state: a case and its payload, compared by value.
struct UpdateState {
    enum class Case { downloading, ready, installing, manual, failed, idle, checking };

    // The update row of the status menu.
    struct MenuRow {
        std::string title;
        std::string badge;
        bool enabled = false;
        bool operator==(const MenuRow&) const = default;
    };

    Case kind = Case::idle;
    std::string versionText;  // downloading, ready, installing, manual, failed
    std::string reason;       // manual, failed

    bool operator==(const UpdateState&) const = default;

    static UpdateState downloading(std::string version) { return {Case::downloading, std::move(version), {}}; }
    static UpdateState ready(std::string version) { return {Case::ready, std::move(version), {}}; }
    static UpdateState installing(std::string version) { return {Case::installing, std::move(version), {}}; }
    static UpdateState manual(std::string version, std::string reason) {
        return {Case::manual, std::move(version), std::move(reason)};
    }
    static UpdateState failed(std::string version, std::string reason) {
        return {Case::failed, std::move(version), std::move(reason)};
    }
    static UpdateState idle() { return {}; }
    static UpdateState checking() { return {Case::checking, {}, {}}; }

    // The version payload; none for idle and checking.
    std::optional<std::string> version() const;
    // "Updating…" (disabled) while installing; "Update available" with the version as badge
    // when ready or manual; no row otherwise.
    std::optional<MenuRow> menuRow() const;
    // The About pane's line; current is the running app's version (none outside a bundle).
    std::string detail(const std::optional<std::string>& current) const;
};

} // namespace quillmarsh
