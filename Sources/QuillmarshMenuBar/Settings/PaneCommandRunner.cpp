#include "Settings/PaneCommandRunner.h"

#include "Foundation/Text.h"
#include "Model/AppModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>
#include <QUrl>

#include <cstdio>

#include <type_traits>
#include <variant>

namespace quillmarsh {

namespace {

void setSetting(AppModel& model, PaneCommand::Setting setting, bool value) {
    using Setting = PaneCommand::Setting;
    switch (setting) {
    case Setting::showInMenuBar: model.setShowInMenuBar(value); return;
    case Setting::notifyJobFails: model.setNotifyJobFails(value); return;
    case Setting::notifyBreak: model.setNotifyBreak(value); return;
    case Setting::notifyOffline: model.setNotifyOffline(value); return;
    case Setting::notifyImage: model.setNotifyImage(value); return;
    }
}

} // namespace

PaneCommandRunner::PaneCommandRunner(AppModel& model, Environment environment)
    : model_(model), environment_(std::move(environment)) {}

void PaneCommandRunner::run(const PaneCommands& commands) const {
    for (const auto& command : commands) run(command);
}

void PaneCommandRunner::run(const PaneCommand& command) const {
    std::visit(
        [this, &command](const auto& action) {
            using A = std::decay_t<decltype(action)>;
            using C = PaneCommand;
            if constexpr (std::is_same_v<A, C::SetMode>) {
                model_.setMode(action.mode);
            } else if constexpr (std::is_same_v<A, C::SetPolicy>) {
                model_.setPolicy(action.patch);
            } else if constexpr (std::is_same_v<A, C::SetSetting>) {
                setSetting(model_, action.setting, action.value);
            } else if constexpr (std::is_same_v<A, C::SetOpenAtLogin>) {
                model_.setOpenAtLogin(action.value);
            } else if constexpr (std::is_same_v<A, C::OpenLink>) {
                if (!action.url || action.url->empty()) return;
                const QUrl url(QString::fromStdString(*action.url), QUrl::StrictMode);
                if (url.isValid()) model_.open(url);
                else std::fprintf(stderr, "Quillmarsh: not opening a link that is not a valid URL: %s\n",
                                  Text::escapedControls(*action.url).c_str());
            } else if constexpr (std::is_same_v<A, C::OpenFolder>) {
                model_.openFolder(action.path);
            } else if constexpr (std::is_same_v<A, C::ClearCaches>) {
                model_.clearCaches(action.repository);
            } else if constexpr (std::is_same_v<A, C::StopJob>) {
                // A confirmation may stay up while jobs come and go: on an agent that stops every
                // running job, stopping one is allowed only while it is the only one.
                if (model_.canStopJob(action.jobId)) model_.stopJob(action.jobId);
                else std::fprintf(stderr, "Quillmarsh: job %s is not stopped: it no longer runs, or stopping it would stop others\n",
                                  Text::escapedControls(action.jobId).c_str());
            } else if constexpr (std::is_same_v<A, C::InstallUpdate>) {
                model_.installUpdate();
            } else if constexpr (std::is_same_v<A, C::UpdateAgent>) {
                model_.updateAgentNow();
            } else if constexpr (std::is_same_v<A, C::CheckForUpdates>) {
                model_.updater().check();
            } else if constexpr (std::is_same_v<A, C::CopyText>) {
                if (environment_.copy) environment_.copy(action.text);
                else if (auto* clipboard = QGuiApplication::clipboard()) clipboard->setText(QString::fromStdString(action.text));
            } else {
                static_assert(std::is_same_v<A, C::SetView> || std::is_same_v<A, C::FlashView> ||
                              std::is_same_v<A, C::OpenJob> || std::is_same_v<A, C::CloseJob>);
                // The page's own view state and the window's selection go back to the page's
                // column; without one they are dropped.
                if (environment_.view) environment_.view(command);
            }
        },
        command.action);
}

} // namespace quillmarsh
