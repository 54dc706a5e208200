#include "Settings/Panes/ThisMacPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"
#include "Vocabulary/AwaySetting.h"

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using test::control;
using test::row;

Page describe(const ThisMacPane::Inputs& in) { return ThisMacPane::describe(in, PaneViewState()); }

PaneCommands policy(nlohmann::json patch) { return {PaneCommand::SetPolicy{std::move(patch)}}; }

HostInfo host(bool laptop = false) {
    HostInfo h;
    h.cores = 12;
    h.performanceCores = 8;
    h.efficiencyCores = 4;
    h.memoryMiB = 32768;
    h.laptop = laptop;
    h.jobsAtOnce = 3;
    h.macosGuest = {4, 12288};
    h.linuxGuest = {2, 4096};
    return h;
}

TEST(ThisMacPane, WithoutStatusHostOrPolicyShowsTheModelsFallbacks) {
    const auto page = describe({});
    EXPECT_EQ(page.title, "This Mac");
    EXPECT_EQ(test::blockKeys(page), (std::vector<std::string>{"Jobs", "Size", "Secrets", "Disconnect"}));
    EXPECT_EQ(test::section(page, "Disconnect").header, std::nullopt) << "the fourth section has no header";
    for (const auto& key : {"Jobs", "Size", "Disconnect"}) EXPECT_EQ(test::section(page, key).footer, std::nullopt);

    EXPECT_EQ(test::rowKeys(page, "Jobs"),
              (std::vector<std::string>{"Mode", "Runs jobs", "Only when I'm not using it", "Stay awake"}))
        << "no Fleet row";
    EXPECT_EQ(control<Page::Choice>(row(page, "Jobs", "Mode")).label(), "Primary");
    EXPECT_EQ(control<Page::Choice>(row(page, "Jobs", "Runs jobs")).label(), "Always");
    EXPECT_EQ(control<Page::Choice>(row(page, "Jobs", "Stay awake")).label(), "While plugged in");
    EXPECT_FALSE(control<Page::Switch>(row(page, "Jobs", "Only when I'm not using it")).on);

    EXPECT_EQ(test::rowKeys(page, "Size"), (std::vector<std::string>{"Jobs at once", "Each job VM"})) << "no away row";
    EXPECT_EQ(control<Page::Value>(row(page, "Size", "Jobs at once")), (Page::Value{"1", false}));
    EXPECT_EQ(row(page, "Size", "Each job VM").detail, "Sized for this Mac.");
    EXPECT_EQ(control<Page::Value>(row(page, "Size", "Each job VM")), (Page::Value{"", false}));
}

TEST(ThisMacPane, ChoicesListTheirOptionsAndSendExactlyTheirChange) {
    ThisMacPane::Inputs in;
    in.mode = Mode::backup;
    in.runsJobs = RunsJobs::whenPluggedInAndNotInUse;
    in.stayAwake = StayAwake::always;
    const auto page = describe(in);

    const auto& mode = control<Page::Choice>(row(page, "Jobs", "Mode"));
    EXPECT_EQ(row(page, "Jobs", "Mode").detail,
              "First choice for new jobs. Backup takes jobs only when the primaries are busy.");
    EXPECT_EQ(test::optionTitles(mode), (std::vector<std::string>{"Primary", "Backup", "Off"}));
    EXPECT_EQ(mode.label(), "Backup");
    EXPECT_EQ(test::option(mode, "Primary").choose, (PaneCommands{PaneCommand::SetMode{Mode::primary}}));
    EXPECT_EQ(test::option(mode, "Backup").choose, (PaneCommands{PaneCommand::SetMode{Mode::backup}}));
    EXPECT_EQ(test::option(mode, "Off").choose, (PaneCommands{PaneCommand::SetMode{Mode::off}}));

    const auto& runs = control<Page::Choice>(row(page, "Jobs", "Runs jobs"));
    EXPECT_EQ(row(page, "Jobs", "Runs jobs").detail, std::nullopt);
    EXPECT_EQ(test::optionTitles(runs), (std::vector<std::string>{"When plugged in", "Always"}));
    EXPECT_EQ(runs.label(), "When plugged in") << "plugged in and not in use is still plugged in";
    // The idle switch keeps its own key: choosing sends the plugged-in flag and nothing else.
    EXPECT_EQ(test::option(runs, "Always").choose, policy({{"plugged_in_only", false}}));
    EXPECT_EQ(test::option(runs, "When plugged in").choose, policy({{"plugged_in_only", true}}));

    const auto& awake = control<Page::Choice>(row(page, "Jobs", "Stay awake"));
    EXPECT_EQ(row(page, "Jobs", "Stay awake").detail, "Holds off idle sleep between jobs. The display still sleeps.");
    EXPECT_EQ(test::optionTitles(awake), (std::vector<std::string>{"Never", "While plugged in", "Always"}));
    EXPECT_EQ(awake.label(), "Always");
    EXPECT_EQ(test::option(awake, "Never").choose, policy({{"stay_awake", "never"}}));
    EXPECT_EQ(test::option(awake, "While plugged in").choose, policy({{"stay_awake", "plugged_in"}}));
    EXPECT_EQ(test::option(awake, "Always").choose, policy({{"stay_awake", "always"}}));
}

TEST(ThisMacPane, IdleSwitchReadsTheDerivedSettingBeforeThePolicyFlag) {
    struct Case {
        RunsJobs runsJobs;
        bool idleOnly;
        bool on;
    };
    const Case cases[] = {
        {RunsJobs::whenPluggedInAndNotInUse, false, true},  // on even when the policy says idle_only false
        {RunsJobs::always, true, true},
        {RunsJobs::whenPluggedIn, false, false},
        {RunsJobs::always, false, false},
    };
    for (const auto& c : cases) {
        ThisMacPane::Inputs in;
        in.runsJobs = c.runsJobs;
        in.idleOnly = c.idleOnly;
        const auto r = row(describe(in), "Jobs", "Only when I'm not using it");
        EXPECT_EQ(r.detail, "Waits until you've been away for 5 minutes.");
        const auto& toggle = control<Page::Switch>(r);
        EXPECT_EQ(toggle.on, c.on) << static_cast<int>(c.runsJobs) << " " << c.idleOnly;
        EXPECT_EQ(toggle.turnOn, policy({{"idle_only", true}}));
        EXPECT_EQ(toggle.turnOff, policy({{"idle_only", false}}));
    }
}

TEST(ThisMacPane, FleetRowOnlyWhileAwaitingConsentOrConsented) {
    struct Case {
        bool awaiting;
        std::optional<bool> consent;
        bool present;
        bool on;
    };
    const Case cases[] = {
        {false, std::nullopt, false, false},
        {false, false, false, false},
        {true, std::nullopt, true, false},
        {true, false, true, false},
        {false, true, true, true},
    };
    for (const auto& c : cases) {
        ThisMacPane::Inputs in;
        in.awaitingPoolConsent = c.awaiting;
        in.poolConsent = c.consent;
        const auto page = describe(in);
        const auto* fleet = test::findRow(page, "Jobs", "Join the organisation's Fleet");
        ASSERT_EQ(fleet != nullptr, c.present) << c.awaiting << " " << c.consent.value_or(false);
        if (!fleet) continue;
        EXPECT_EQ(test::rowKeys(page, "Jobs").back(), "Join the organisation's Fleet") << "the last row";
        EXPECT_EQ(fleet->detail, "Lets this laptop take the organisation's jobs. Only you, here, can turn this on.");
        const auto& toggle = control<Page::Switch>(*fleet);
        EXPECT_EQ(toggle.on, c.on);
        EXPECT_EQ(toggle.turnOn, policy({{"pool_consent", true}}));
        EXPECT_EQ(toggle.turnOff, policy({{"pool_consent", false}}));
    }
}

TEST(ThisMacPane, AwayRowOnlyOnALaptopByHostElseByStatus) {
    struct Case {
        const char* name;
        std::optional<HostInfo> host;
        bool statusLaptop;
        bool present;
    };
    const Case cases[] = {
        {"laptop host", host(true), false, true},
        {"desktop host, status says laptop", host(false), true, true},
        {"no host, status says laptop", std::nullopt, true, true},
        {"desktop host and status", host(false), false, false},
        {"nothing", std::nullopt, false, false},
    };
    const std::string title(AwaySetting::title);
    for (const auto& c : cases) {
        ThisMacPane::Inputs in;
        in.host = c.host;
        in.statusLaptop = c.statusLaptop;
        in.useMoreWhenAway = false;
        const auto page = describe(in);
        const auto* away = test::findRow(page, "Size", title);
        ASSERT_EQ(away != nullptr, c.present) << c.name;
        if (!away) continue;
        EXPECT_EQ(test::rowKeys(page, "Size"), (std::vector<std::string>{"Jobs at once", title, "Each job VM"}));
        EXPECT_EQ(away->title, "Use more of this Mac when I'm away");
        EXPECT_EQ(away->detail, std::nullopt);
        EXPECT_EQ(away->info, std::string(AwaySetting::info));
        const auto& toggle = control<Page::Switch>(*away);
        EXPECT_FALSE(toggle.on);
        EXPECT_EQ(toggle.turnOn, policy({{"use_more_when_away", true}}));
        EXPECT_EQ(toggle.turnOff, policy({{"use_more_when_away", false}}));
    }
}

TEST(ThisMacPane, SizeRowsPreferTheHostRecord) {
    struct Case {
        const char* name;
        std::optional<HostInfo> host;
        std::optional<std::int64_t> capacity;
        std::string atOnce;
        std::string detail;
        std::string guest;
    };
    auto noMacGuest = host();
    noMacGuest.macosGuest.cpus = 0;
    auto unsized = host();
    unsized.macosGuest.cpus = 0;
    unsized.linuxGuest.cpus = 0;
    const Case cases[] = {
        {"host", host(), 5, "3", "Sized for this Mac: 12 cores (8 performance), 32 GB.", "4 cores, 12 GB"},
        {"macOS guest of 0 CPUs", noMacGuest, std::nullopt, "3", "Sized for this Mac: 12 cores (8 performance), 32 GB.",
         "2 cores, 4 GB"},
        {"neither guest sized", unsized, std::nullopt, "3", "Sized for this Mac: 12 cores (8 performance), 32 GB.",
         "Sized when a job starts"},
        {"status only", std::nullopt, 5, "5", "Sized for this Mac.", ""},
    };
    for (const auto& c : cases) {
        ThisMacPane::Inputs in;
        in.host = c.host;
        in.capacity = c.capacity;
        const auto page = describe(in);
        EXPECT_EQ(row(page, "Size", "Jobs at once").detail, "Each job gets its own VM. Pinned with runner add.");
        EXPECT_EQ(control<Page::Value>(row(page, "Size", "Jobs at once")).text, c.atOnce) << c.name;
        EXPECT_EQ(row(page, "Size", "Each job VM").detail, c.detail) << c.name;
        EXPECT_EQ(control<Page::Value>(row(page, "Size", "Each job VM")), (Page::Value{c.guest, false})) << c.name;
    }
}

TEST(ThisMacPane, SecretsFollowTheExactTrustWordAndTheFooterNamesFileVault) {
    struct Trust {
        std::optional<std::string> word;
        bool trusted;
    };
    for (const auto& t : {Trust{"trusted", true}, Trust{"Trusted", false}, Trust{"TRUSTED", false},
                          Trust{"untrusted", false}, Trust{std::nullopt, false}}) {
        ThisMacPane::Inputs in;
        in.trust = t.word;
        const auto r = row(describe(in), "Secrets", "Jobs that use secrets");
        EXPECT_EQ(r.detail, t.trusted ? "This Mac is Trusted: deploys and other jobs with secrets may run here."
                                      : "This Mac runs jobs that use no secrets, so these go to a Trusted machine or "
                                        "GitHub-hosted.")
            << t.word.value_or("none");
        EXPECT_EQ(control<Page::Value>(r), (Page::Value{t.trusted ? "This Mac too" : "Trusted machines only", false}));
    }

    struct FileVault {
        std::optional<bool> on;
        const char* sentence;
    };
    for (const auto& f : {FileVault{true, "It needs FileVault, which is on."},
                          FileVault{false, "It needs FileVault, which is off."},
                          FileVault{std::nullopt, "It needs FileVault."}}) {
        ThisMacPane::Inputs in;
        in.fileVaultOn = f.on;
        in.machineURL = "https://dashboard.example/fleet/studio";
        const auto footer = test::section(describe(in), "Secrets").footer;
        ASSERT_TRUE(footer);
        EXPECT_EQ(footer->text, std::string("An account owner can mark this Mac Trusted. ") + f.sentence);
        ASSERT_TRUE(footer->button);
        EXPECT_EQ(footer->button->title, "Open in Dashboard\u2026");
        EXPECT_EQ(footer->button->style, Page::Button::Style::link);
        EXPECT_EQ(footer->button->press,
                  (PaneCommands{PaneCommand::OpenLink{"https://dashboard.example/fleet/studio"}}));
    }
}

TEST(ThisMacPane, DisconnectOpensTheMachinesDashboardPage) {
    ThisMacPane::Inputs in;
    in.machineURL = "https://dashboard.example/fleet/studio";
    const auto r = row(describe(in), "Disconnect", "Disconnect this Mac");
    EXPECT_EQ(r.detail, "Removes it from the Fleet. Running jobs finish first. Done on the dashboard, or with "
                        "quillmarsh runner remove.");
    const auto& button = control<Page::Button>(r);
    EXPECT_EQ(button.title, "Disconnect\u2026");
    EXPECT_EQ(button.style, Page::Button::Style::destructive);
    EXPECT_TRUE(button.enabled);
    EXPECT_EQ(button.press, (PaneCommands{PaneCommand::OpenLink{"https://dashboard.example/fleet/studio"}}));
}

TEST(ThisMacPane, InputsAreCopiedFromTheModel) {
    test::Harness h;
    test::serveSamples(*h.agent);
    EXPECT_EQ(ThisMacPane::inputs(*h.model).machineURL, "https://dashboard.quillmarsh.dev")
        << "the dashboard root while no account is known";
    h.refreshAndWait();
    const auto in = ThisMacPane::inputs(*h.model);
    EXPECT_EQ(in.mode, Mode::primary);
    EXPECT_EQ(in.runsJobs, RunsJobs::whenPluggedIn);
    EXPECT_FALSE(in.idleOnly);
    EXPECT_EQ(in.stayAwake, StayAwake::pluggedIn);
    EXPECT_EQ(in.poolConsent, true);
    EXPECT_FALSE(in.awaitingPoolConsent);
    EXPECT_TRUE(in.useMoreWhenAway);
    EXPECT_EQ(in.host, HostInfo::parse(test::sampleAnswer("host.json")));
    EXPECT_EQ(in.capacity, 2);
    EXPECT_FALSE(in.statusLaptop);
    EXPECT_EQ(in.trust, "trusted");
    EXPECT_EQ(in.fileVaultOn, std::nullopt) << "not read yet";
    EXPECT_EQ(in.machineURL, "https://dashboard.quillmarsh.example/fleet/studio-mac-2");
}

} // namespace
} // namespace quillmarsh
