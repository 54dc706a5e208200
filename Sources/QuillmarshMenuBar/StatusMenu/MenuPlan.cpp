#include "StatusMenu/MenuPlan.h"

#include "Words/MenuModel.h"

namespace quillmarsh {

namespace {

MenuEntry item(std::string title, MenuAction action, std::string identifier = {}, std::string shortcut = {}) {
    MenuEntry entry;
    entry.title = std::move(title);
    entry.action = action;
    entry.identifier = std::move(identifier);
    entry.shortcut = std::move(shortcut);
    return entry;
}

MenuEntry separator() {
    MenuEntry entry;
    entry.kind = MenuEntry::Kind::separator;
    return entry;
}

// The rows offered while no agent answers: the ways to set this Mac up.
std::vector<MenuEntry> firstRunRows(const MenuInputs& inputs) {
    std::vector<MenuEntry> rows;
    MenuEntry setUp = item(std::string(MenuModel::setUpItem), MenuAction::openSetup, MenuPlan::setUpId);
    setUp.tooltip = "Opens the dashboard's setup in your browser.";
    rows.push_back(std::move(setUp));
    rows.push_back(item(std::string(MenuModel::setUpInTerminalItem), MenuAction::showFirstRun, MenuPlan::setUpTerminalId));
    if (auto update = MenuPlan::updateRow(inputs.update)) rows.push_back(std::move(*update));
    rows.push_back(separator());
    rows.push_back(item("How It Works", MenuAction::openHowItWorks));
    rows.push_back(item("Quit Quillmarsh", MenuAction::quit, {}, "Ctrl+Q"));
    return rows;
}

} // namespace

std::vector<MenuEntry> MenuPlan::rows(const MenuInputs& inputs) {
    if (!inputs.agentAvailable) return firstRunRows(inputs);

    std::vector<MenuEntry> rows;
    MenuEntry info;
    info.kind = MenuEntry::Kind::agentInfo;
    info.identifier = infoId;
    info.title = "Agent";
    info.enabled = false;
    info.layer = MenuEntry::Layer::optionLayer;
    rows.push_back(std::move(info));

    for (std::size_t i = 0; i < inputs.running.size(); ++i) {
        const RunningJob& job = inputs.running[i];
        MenuEntry row = item(MenuModel::jobName(job) + " " + MenuModel::shortRepository(job.repository),
                             MenuAction::openJob);
        row.kind = MenuEntry::Kind::job;
        row.argument = job.repository;
        row.tag = static_cast<int>(i);
        rows.push_back(std::move(row));
    }
    const bool jobsRun = !inputs.running.empty();
    if (jobsRun) rows.push_back(separator());

    if (inputs.awaitingPoolConsent) {
        MenuEntry join = item(std::string(MenuModel::joinFleetItem), MenuAction::openThisMac, joinFleetId);
        join.tooltip = "Opens This Mac in Settings, where you can let this laptop take the organisation's jobs.";
        rows.push_back(std::move(join));
    }
    rows.push_back(item("Open Dashboard", MenuAction::openDashboard, {}, "Ctrl+D"));
    if (auto update = updateRow(inputs.update)) rows.push_back(std::move(*update));
    rows.push_back(separator());

    // Pause or resume; "Stop Running Jobs…" stands in its place while Alt is held.
    const MenuEntry::Layer pauseLayer = jobsRun ? MenuEntry::Layer::primary : MenuEntry::Layer::always;
    if (inputs.pauseInForce) {
        MenuEntry resume = item("Resume Jobs", MenuAction::resumeJobs, resumeId);
        resume.layer = pauseLayer;
        rows.push_back(std::move(resume));
    } else {
        MenuEntry pause = item("Pause", MenuAction::none, pauseId);
        pause.kind = MenuEntry::Kind::submenu;
        pause.layer = pauseLayer;
        pause.submenu = pauseRows(inputs.now, inputs.calendar);
        rows.push_back(std::move(pause));
    }
    if (jobsRun) {
        MenuEntry stop = item("Stop Running Jobs\u2026", MenuAction::stopRunningJobs, stopJobsId);
        stop.layer = MenuEntry::Layer::alternate;
        rows.push_back(std::move(stop));
    }

    MenuEntry settings = item("Settings\u2026", MenuAction::showSettings, settingsId, "Ctrl+,");
    settings.layer = MenuEntry::Layer::primary;
    rows.push_back(std::move(settings));
    MenuEntry diagnostics = item("Copy Diagnostics", MenuAction::copyDiagnostics, diagnosticsId, "Ctrl+Alt+,");
    diagnostics.layer = MenuEntry::Layer::alternate;
    diagnostics.tooltip = diagnosticsTooltip();
    rows.push_back(std::move(diagnostics));

    rows.push_back(separator());
    rows.push_back(item("Quit Quillmarsh", MenuAction::quit, {}, "Ctrl+Q"));
    return rows;
}

std::vector<std::string> MenuPlan::keys(const std::vector<MenuEntry>& rows, const std::vector<RunningJob>& running) {
    std::vector<std::string> keys;
    keys.reserve(rows.size());
    for (const MenuEntry& row : rows) {
        switch (row.kind) {
        case MenuEntry::Kind::separator:
            keys.emplace_back("-");
            break;
        case MenuEntry::Kind::job:
            keys.push_back("job " + running.at(static_cast<std::size_t>(row.tag)).id());
            break;
        case MenuEntry::Kind::agentInfo:
        case MenuEntry::Kind::submenu:
        case MenuEntry::Kind::item:
            keys.push_back(row.identifier.empty() ? "item " + row.title : "id " + row.identifier);
            break;
        }
    }
    return keys;
}

std::optional<MenuEntry> MenuPlan::updateRow(const UpdateState& update) {
    const auto row = update.menuRow();
    if (!row) return std::nullopt;
    MenuEntry entry;
    entry.identifier = updateId;
    entry.title = row->badge.empty() ? row->title : row->title + " (" + row->badge + ")";
    entry.enabled = row->enabled;
    entry.action = row->enabled ? MenuAction::installUpdate : MenuAction::none;
    if (update.kind == UpdateState::Case::ready)
        entry.tooltip = "Installs Quillmarsh for Mac " + update.versionText + " and relaunches it. Jobs are not affected.";
    else if (update.kind == UpdateState::Case::manual)
        entry.tooltip = update.reason + " Opens the download.";
    return entry;
}

std::vector<MenuEntry> MenuPlan::pauseRows(Date now, const Calendar& calendar) {
    std::vector<MenuEntry> rows;
    for (PauseOption option : allCases<PauseOption>()) {
        MenuEntry entry = item(std::string(label(option)), MenuAction::choosePause, pauseItemId(index(option)));
        entry.tag = index(option);
        entry.enabled = isAvailable(option, now, calendar);
        rows.push_back(std::move(entry));
    }
    return rows;
}

std::string MenuPlan::pauseItemId(int index) { return "pause-" + std::to_string(index); }

bool MenuPlan::visible(MenuEntry::Layer layer, bool altHeld, bool optionShown) {
    switch (layer) {
    case MenuEntry::Layer::always:
        return true;
    case MenuEntry::Layer::primary:
        return !altHeld;
    case MenuEntry::Layer::alternate:
        return altHeld;
    case MenuEntry::Layer::optionLayer:
        return optionShown;
    }
    return true;
}

std::string MenuPlan::diagnosticsTooltip() {
    return "Copies \"" + std::string(MenuModel::diagnosticsCommand) + "\": run it in Terminal to check this Mac.";
}

} // namespace quillmarsh
