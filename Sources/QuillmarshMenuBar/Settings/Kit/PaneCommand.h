#pragma once

#include "Settings/Kit/PaneViewState.h"
#include "Vocabulary/Mode.h"
#include "Words/JobRow.h"

#include <nlohmann/json.hpp>

#include <QUrl>

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace quillmarsh {

// What a control of a settings page does when it is used, as a comparable value. Page
// descriptions carry these; PaneCommandRunner carries them out against the model, and the page's
// own view state (SetView, FlashView) is handed back to the page that shows it.
struct PaneCommand {
    // The app's own settings that the General pane switches.
    enum class Setting { showInMenuBar, notifyJobFails, notifyBreak, notifyOffline, notifyImage };

    struct SetMode {
        Mode mode = Mode::primary;
        bool operator==(const SetMode&) const = default;
    };
    // POST /policy with exactly this body.
    struct SetPolicy {
        nlohmann::json patch;
        bool operator==(const SetPolicy&) const = default;
    };
    struct SetSetting {
        Setting setting = Setting::showInMenuBar;
        bool value = false;
        bool operator==(const SetSetting&) const = default;
    };
    struct SetOpenAtLogin {
        bool value = false;
        bool operator==(const SetOpenAtLogin&) const = default;
    };
    // A web page, through the model's opener (http and https only); none opens nothing. The
    // text is the URL fully encoded, as the runner reads it back strictly: a name with a space
    // stays "%20", never a bare space that no strict reading takes.
    struct OpenLink {
        std::optional<std::string> url;
        bool operator==(const OpenLink&) const = default;

        // The encoded text of a URL the model made; none for none.
        static std::optional<std::string> text(const std::optional<QUrl>& url) {
            if (!url) return std::nullopt;
            return url->toString(QUrl::FullyEncoded).toStdString();
        }
    };
    // A local folder in the desktop's file manager; only a folder that exists.
    struct OpenFolder {
        std::string path;
        bool operator==(const OpenFolder&) const = default;
    };
    // None clears every repository's cache.
    struct ClearCaches {
        std::optional<std::string> repository;
        bool operator==(const ClearCaches&) const = default;
    };
    // Stops the job only when the model still allows it when the command runs.
    struct StopJob {
        std::string jobId;
        bool operator==(const StopJob&) const = default;
    };
    // The Jobs pane shows this row's job; the row stands in for it while the model does not list it.
    struct OpenJob {
        JobRow row;
        bool operator==(const OpenJob&) const = default;
    };
    // The Jobs pane goes back to its list.
    struct CloseJob {
        bool operator==(const CloseJob&) const = default;
    };
    struct InstallUpdate {
        bool operator==(const InstallUpdate&) const = default;
    };
    struct UpdateAgent {
        bool operator==(const UpdateAgent&) const = default;
    };
    struct CheckForUpdates {
        bool operator==(const CheckForUpdates&) const = default;
    };
    // Plain text on the clipboard.
    struct CopyText {
        std::string text;
        bool operator==(const CopyText&) const = default;
    };
    // The page's own view state: key takes value (an empty value removes the key).
    struct SetView {
        std::string key;
        std::string value;
        bool operator==(const SetView&) const = default;
        // A flag of the view state (PaneViewState::flag) set or cleared.
        static SetView flag(std::string key, bool on) {
            return {std::move(key), on ? PaneViewState::trueValue : ""};
        }
    };
    // key takes value now and reset after the delay; a second flash schedules a second reset and
    // leaves the first one in place.
    struct FlashView {
        std::string key;
        std::string value;
        std::string reset;
        int milliseconds = 0;
        bool operator==(const FlashView&) const = default;
    };

    using Action = std::variant<SetMode, SetPolicy, SetSetting, SetOpenAtLogin, OpenLink, OpenFolder, ClearCaches,
                                StopJob, OpenJob, CloseJob, InstallUpdate, UpdateAgent, CheckForUpdates, CopyText, SetView, FlashView>;

    Action action;

    template <class A>
        requires std::is_constructible_v<Action, A>
    PaneCommand(A a) : action(std::move(a)) {}  // NOLINT: a command is made from any of its actions

    template <class A>
    const A* as() const {
        return std::get_if<A>(&action);
    }

    bool operator==(const PaneCommand&) const = default;
};

// What one use of a control does, in order.
using PaneCommands = std::vector<PaneCommand>;

} // namespace quillmarsh
