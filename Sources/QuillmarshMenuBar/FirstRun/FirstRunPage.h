#pragma once

#include "FirstRun/LocalChecks.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// What the first-run window shows for its checks and the current state of its Terminal block:
// the rows of "This Mac" with their marks, the laptop footer, and the set-up command with its
// "Copy" button as the login field's text and the copied flag make them. The window carries it
// out again on every edit of the login and on every copy.
struct FirstRunPage {
    static constexpr std::string_view windowTitle = "Set Up Quillmarsh";
    static constexpr std::string_view thisMacHeader = "This Mac";
    static constexpr std::string_view terminalHeader = "Or in Terminal";
    static constexpr std::string_view loginTitle = "GitHub account";
    static constexpr std::string_view loginDetail = "Who this Mac runs jobs for.";
    static constexpr std::string_view loginPlaceholder = "login";

    struct CheckRow {
        std::string title;
        std::string value;
        bool ok = false;
        // What assistive technology reads for the mark: "Ready" or "Not ready".
        std::string markName;

        friend bool operator==(const CheckRow&, const CheckRow&) = default;
    };

    std::vector<CheckRow> checks;
    // The laptop line on a laptop, else empty (no footer).
    std::string thisMacFooter;
    // The full command for a valid login, else the placeholder command.
    std::string command;
    // The command is a real one: primary text, and "Copy" can copy it.
    bool commandReady = false;
    std::string copyTitle;
    bool copyEnabled = false;

    static FirstRunPage describe(const std::vector<LocalChecks::Check>& checks, bool laptop, std::string_view login,
                                 bool copied);
};

} // namespace quillmarsh
