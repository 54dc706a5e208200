#include "Settings/Panes/AboutPane.h"

#include "Model/AppModel.h"
#include "Words/MenuModel.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace quillmarsh {

namespace {

using Page = PageDescription;
using Style = Page::Button::Style;

bool agentHasUpdate(const AboutPane::Inputs& in) { return in.agent && in.agent->updateAvailable; }

// The app's update control follows the updater's state.
Page::Button appUpdateButton(const AboutPane::Inputs& in) {
    using Case = UpdateState::Case;
    const std::string check = "Check for Updates\u2026";
    switch (in.update.kind) {
    case Case::ready:
        // The agent's "Update Now" is the button to press when both have an update.
        return Page::button("Update and Relaunch", {PaneCommand::InstallUpdate{}},
                      agentHasUpdate(in) ? Style::plain : Style::prominent);
    case Case::manual:
        return Page::button("Download\u2026", {PaneCommand::InstallUpdate{}});
    case Case::failed:
    case Case::idle:
        return Page::button(check, {PaneCommand::CheckForUpdates{}}, Style::standard, in.currentVersion.has_value());
    case Case::downloading:
    case Case::installing:
    case Case::checking:
        break;
    }
    return Page::button(check, {PaneCommand::CheckForUpdates{}}, Style::standard, false);
}

Page::Control agentControl(const AboutPane::Inputs& in) {
    if (agentHasUpdate(in)) {
        auto update = Page::button("Update Now", {PaneCommand::UpdateAgent{}}, Style::prominent, in.canUpdateAgent);
        if (!in.canUpdateAgent) update.help = "Needs agent 0.1.33";
        return update;
    }
    return Page::Value{in.agent ? in.agent->version.value_or("") : "", false};
}

// The product's public code repository, where feedback goes as a new issue.
constexpr std::string_view sourceRepository = "https://github.com/quillmarsh/quillmarsh";

} // namespace

std::string AboutPane::appDetail(const Inputs& in) {
    if (in.currentVersion && in.update.kind == UpdateState::Case::idle) {
        return "Version " + *in.currentVersion + ", up to date.";
    }
    return in.update.detail(in.currentVersion);
}

std::string AboutPane::agentDetail(const Inputs& in) {
    if (!in.agentAvailable || !in.agent || !in.agent->version || in.agent->version->empty()) return "Not running.";
    if (in.agent->updateAvailable) {
        return "Version " + *in.agent->version + ". Version " + in.agent->minimum.value_or("") + " is ready.";
    }
    return "Version " + *in.agent->version + ", up to date.";
}

std::string AboutPane::abbreviated(const std::string& path, const std::string& home) {
    if (home.empty() || home == "/") return path;
    if (path == home) return "~";
    if (!path.starts_with(home + "/")) return path;
    // Appended rather than "~" + substr(): GCC 12 at -O3 takes that concatenation for an
    // overlapping copy (-Wrestrict) and the release build fails.
    std::string shown = "~";
    shown.append(path, home.size());
    return shown;
}

AboutPane::Inputs AboutPane::inputs(const AppModel& model) {
    Inputs in;
    in.update = model.update();
    in.currentVersion = model.updater().currentVersion();
    in.agentAvailable = model.agentAvailable();
    if (const auto& status = model.status()) {
        in.agent = AgentVersion{status->version, status->minAgentVersion, status->updateAvailable()};
    }
    in.canUpdateAgent = model.canUpdateAgent();
    in.lastError = model.lastError();
    // The logs lie beside the agent's socket.
    const std::string& socket = model.client().socketPath();
    const auto slash = socket.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "" : socket.substr(0, slash));
    in.logsFolder = folder + "/logs";
    in.logsFolderExists = QFileInfo(QString::fromStdString(in.logsFolder)).isDir();
    in.homeFolder = QDir::homePath().toStdString();
    return in;
}

PageDescription AboutPane::describe(const Inputs& in, const PaneViewState& view) {
    Page page;
    page.title = "About";
    page.blocks.push_back(Page::AppHeader{
        "header", "Quillmarsh", in.currentVersion ? "Version " + *in.currentVersion : "Development build"});

    auto updates = Page::headedSection("Updates");
    updates.rows.push_back(Page::fixedRow("Quillmarsh for Mac", appDetail(in), appUpdateButton(in)));
    updates.rows.push_back(Page::fixedRow("Quillmarsh agent", agentDetail(in), agentControl(in)));
    page.blocks.push_back(std::move(updates));

    auto troubleshooting = Page::headedSection("Troubleshooting");
    // The agent makes its logs folder when it first writes a log; until then the file manager has
    // nothing to show, and the row says so once the button was pressed.
    std::string logs = abbreviated(in.logsFolder, in.homeFolder);
    if (view.flag(openedLogs) && !in.logsFolderExists) logs += " does not exist yet. It appears once the agent writes a log.";
    troubleshooting.rows.push_back(
        Page::fixedRow("Logs", std::move(logs),
                       Page::button("Open Logs\u2026", {PaneCommand::OpenFolder{in.logsFolder},
                                                        PaneCommand::SetView::flag(openedLogs, true)})));
    const std::string command(MenuModel::diagnosticsCommand);
    troubleshooting.rows.push_back(
        Page::fixedRow("Diagnostics", "Copies quillmarsh doctor to paste into a terminal.",
            Page::button(view.flag(copied) ? "Copied" : "Copy Command",
                   {PaneCommand::CopyText{command}, PaneCommand::FlashView{copied, PaneViewState::trueValue, "", 2000}})));
    if (in.lastError) troubleshooting.footer = Page::Footer{*in.lastError, std::nullopt};
    page.blocks.push_back(std::move(troubleshooting));

    auto links = Page::headedSection("Links");
    const std::string site(MenuModel::productSite);
    const std::pair<const char*, std::string> targets[] = {
        {"Documentation", site + "/docs"},
        {"Send Feedback", std::string(sourceRepository) + "/issues/new"},
        {"Status", site + "/status"},
    };
    for (const auto& [title, url] : targets) {
        links.rows.push_back(Page::Link{title, title, {PaneCommand::OpenLink{url}}});
    }
    page.blocks.push_back(std::move(links));
    return page;
}

} // namespace quillmarsh
