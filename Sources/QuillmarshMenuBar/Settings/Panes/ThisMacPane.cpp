#include "Settings/Panes/ThisMacPane.h"

#include "Foundation/RawValue.h"
#include "Model/AppModel.h"
#include "Vocabulary/AwaySetting.h"
#include "Words/MenuModel.h"

#include <utility>

namespace quillmarsh {

namespace {

using Page = PageDescription;

PaneCommands policy(nlohmann::json patch) { return {PaneCommand::SetPolicy{std::move(patch)}}; }

Page::Switch policySwitch(bool on, const char* key) {
    return Page::Switch{on, true, policy({{key, true}}), policy({{key, false}})};
}

Page::Section jobsSection(const ThisMacPane::Inputs& in) {
    auto jobs = Page::headedSection("Jobs");

    Page::Choice mode;
    for (Mode m : allCases<Mode>()) {
        mode.options.push_back({std::string(label(m)), m == in.mode, {PaneCommand::SetMode{m}}});
    }
    jobs.rows.push_back(Page::fixedRow("Mode", "First choice for new jobs. Backup takes jobs only when the primaries are busy.",
                            std::move(mode)));

    // Only the plugged-in flag is sent: the idle switch below keeps its own key.
    const bool pluggedInOnly = in.runsJobs != RunsJobs::always;
    Page::Choice runs;
    for (const auto& [value, title] : {std::pair{true, "When plugged in"}, std::pair{false, "Always"}}) {
        runs.options.push_back({title, value == pluggedInOnly, policy({{"plugged_in_only", value}})});
    }
    jobs.rows.push_back(Page::fixedRow("Runs jobs", std::nullopt, std::move(runs)));

    const bool idle = in.runsJobs == RunsJobs::whenPluggedInAndNotInUse || in.idleOnly;
    jobs.rows.push_back(Page::fixedRow("Only when I'm not using it", "Waits until you've been away for 5 minutes.",
                            policySwitch(idle, "idle_only")));

    Page::Choice awake;
    for (StayAwake s : allCases<StayAwake>()) {
        awake.options.push_back({std::string(label(s)), s == in.stayAwake, policy({{"stay_awake", std::string(rawValue(s))}})});
    }
    jobs.rows.push_back(Page::fixedRow("Stay awake", "Holds off idle sleep between jobs. The display still sleeps.",
                            std::move(awake)));

    if (in.awaitingPoolConsent || in.poolConsent == true) {
        jobs.rows.push_back(Page::fixedRow("Join the organisation's Fleet",
                                "Lets this laptop take the organisation's jobs. Only you, here, can turn this on.",
                                policySwitch(in.poolConsent == true, "pool_consent")));
    }
    return jobs;
}

Page::Section sizeSection(const ThisMacPane::Inputs& in) {
    auto size = Page::headedSection("Size");

    const std::int64_t atOnce = in.host ? in.host->jobsAtOnce : in.capacity.value_or(1);
    size.rows.push_back(Page::fixedRow("Jobs at once", "Each job gets its own VM. Pinned with runner add.",
                            Page::Value{std::to_string(atOnce), false}));

    if ((in.host && in.host->laptop) || in.statusLaptop) {
        const std::string title(AwaySetting::title);
        size.rows.push_back(Page::Row{title, title, std::nullopt, std::string(AwaySetting::info),
                                      Page::Switch{in.useMoreWhenAway, true,
                                                   policy(AwaySetting::patch(true)),
                                                   policy(AwaySetting::patch(false))}});
    }

    std::string detail = "Sized for this Mac.";
    std::string guest;
    if (in.host) {
        detail = "Sized for this Mac: " + MenuModel::coresLine(*in.host) + ", " + MenuModel::gb(in.host->memoryMiB, 0) +
                 ".";
        guest = MenuModel::guestLine(in.host->macosGuest.cpus >= 1 ? in.host->macosGuest : in.host->linuxGuest);
    }
    size.rows.push_back(Page::fixedRow("Each job VM", detail, Page::Value{guest, false}));
    return size;
}

Page::Section secretsSection(const ThisMacPane::Inputs& in) {
    auto secrets = Page::headedSection("Secrets");
    // Only the exact word counts: any other spelling is not trusted.
    const bool trusted = in.trust == "trusted";
    secrets.rows.push_back(Page::fixedRow("Jobs that use secrets",
                               trusted ? "This Mac is Trusted: deploys and other jobs with secrets may run here."
                                       : "This Mac runs jobs that use no secrets, so these go to a Trusted machine or "
                                         "GitHub-hosted.",
                               Page::Value{trusted ? "This Mac too" : "Trusted machines only", false}));
    std::string fileVault = "It needs FileVault.";
    if (in.fileVaultOn) fileVault = *in.fileVaultOn ? "It needs FileVault, which is on." : "It needs FileVault, which is off.";
    secrets.footer = Page::Footer{"An account owner can mark this Mac Trusted. " + fileVault,
                                  Page::button("Open in Dashboard\u2026", {PaneCommand::OpenLink{in.machineURL}},
                                               Page::Button::Style::link)};
    return secrets;
}

Page::Section disconnectSection(const ThisMacPane::Inputs& in) {
    auto disconnect = Page::Section{"Disconnect", std::nullopt, std::nullopt, {}, std::nullopt};
    // The app removes nothing itself: the dashboard page does.
    disconnect.rows.push_back(Page::fixedRow("Disconnect this Mac",
                                  "Removes it from the Fleet. Running jobs finish first. Done on the dashboard, or "
                                  "with quillmarsh runner remove.",
                                  Page::button("Disconnect\u2026", {PaneCommand::OpenLink{in.machineURL}},
                                               Page::Button::Style::destructive)));
    return disconnect;
}

} // namespace

ThisMacPane::Inputs ThisMacPane::inputs(const AppModel& model) {
    Inputs in;
    in.mode = model.mode();
    in.runsJobs = model.runsJobs();
    in.stayAwake = model.stayAwake();
    in.useMoreWhenAway = model.useMoreWhenAway();
    if (const auto& policy = model.policy()) {
        in.idleOnly = policy->idleOnly;
        in.poolConsent = policy->poolConsent;
    }
    if (const auto& status = model.status()) {
        in.awaitingPoolConsent = status->awaitingPoolConsent;
        in.capacity = status->capacity;
        in.statusLaptop = status->laptop;
        in.trust = status->trust;
    }
    in.host = model.host();
    in.fileVaultOn = model.fileVaultOn();
    in.machineURL = PaneCommand::OpenLink::text(model.machineURL());
    return in;
}

PageDescription ThisMacPane::describe(const Inputs& in, const PaneViewState&) {
    Page page;
    page.title = "This Mac";
    page.blocks.push_back(jobsSection(in));
    page.blocks.push_back(sizeSection(in));
    page.blocks.push_back(secretsSection(in));
    page.blocks.push_back(disconnectSection(in));
    return page;
}

} // namespace quillmarsh
