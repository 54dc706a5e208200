// The status menu's plan: which rows it has for a given state, when it must be rebuilt, the
// update and pause rows, the Alt layer, quitting and the job rows' content. No widgets.
#include "StatusMenu/JobRowContent.h"
#include "StatusMenu/MenuPlan.h"
#include "StatusMenu/MenuRowMatch.h"
#include "StatusMenu/MenuSignature.h"
#include "StatusMenu/OptionLayer.h"
#include "StatusMenu/QuitDecision.h"
#include "Support/LondonTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using test::london;
using test::londonTime;
using Layer = MenuEntry::Layer;
using Kind = MenuEntry::Kind;

RunningJob job(std::string id, std::string name = "build", std::string repository = "acme/site") {
    RunningJob j;
    j.jobId = std::move(id);
    j.name = std::move(name);
    j.workflow = "CI";
    j.repository = std::move(repository);
    j.started = true;
    j.elapsedSeconds = 120;
    j.expectedSeconds = 600;
    return j;
}

MenuInputs agent(std::vector<RunningJob> running = {}) {
    MenuInputs in;
    in.agentAvailable = true;
    in.running = std::move(running);
    in.now = londonTime(2026, 12, 10, 10, 0);
    in.calendar = london();
    return in;
}

// "title" for rows Qt draws, "-" for separators, "[info]" and "[job N]" for row views, with
// the layer appended where the row is not always shown.
std::vector<std::string> outline(const std::vector<MenuEntry>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) {
        std::string text;
        switch (row.kind) {
        case Kind::separator: text = "-"; break;
        case Kind::agentInfo: text = "[info]"; break;
        case Kind::job: text = "[job " + std::to_string(row.tag) + "]"; break;
        default: text = row.title; break;
        }
        if (row.layer == Layer::primary) text += " (primary)";
        if (row.layer == Layer::alternate) text += " (alternate)";
        if (row.layer == Layer::optionLayer) text += " (option)";
        out.push_back(text);
    }
    return out;
}

const MenuEntry* find(const std::vector<MenuEntry>& rows, const std::string& identifier) {
    auto it = std::find_if(rows.begin(), rows.end(), [&](const MenuEntry& e) { return e.identifier == identifier; });
    return it == rows.end() ? nullptr : &*it;
}

TEST(MenuPlanTest, AgentMenuRowsFollowJobsPauseConsentAndUpdate) {
    struct Case {
        const char* name;
        MenuInputs in;
        std::vector<std::string> rows;
    };
    MenuInputs twoJobs = agent({job("1"), job("2")});
    MenuInputs paused = agent({job("1")});
    paused.pauseInForce = PauseOption::untilResume;
    MenuInputs consent = agent();
    consent.awaitingPoolConsent = true;
    consent.update = UpdateState::ready("1.4.0");
    MenuInputs pausedIdle = agent();
    pausedIdle.pauseInForce = PauseOption::oneHour;

    const std::vector<Case> cases = {
        {"no jobs: no separator after the info row, no stop alternate", agent(),
         {"[info] (option)", "Open Dashboard", "-", "Pause", "Settings\u2026 (primary)",
          "Copy Diagnostics (alternate)", "-", "Quit Quillmarsh"}},
        {"two jobs: rows, separator, stop alternate in place of Pause", twoJobs,
         {"[info] (option)", "[job 0]", "[job 1]", "-", "Open Dashboard", "-", "Pause (primary)",
          "Stop Running Jobs\u2026 (alternate)", "Settings\u2026 (primary)", "Copy Diagnostics (alternate)", "-",
          "Quit Quillmarsh"}},
        {"paused with a job: Resume, and Stop still its alternate", paused,
         {"[info] (option)", "[job 0]", "-", "Open Dashboard", "-", "Resume Jobs (primary)",
          "Stop Running Jobs\u2026 (alternate)", "Settings\u2026 (primary)", "Copy Diagnostics (alternate)", "-",
          "Quit Quillmarsh"}},
        {"paused without jobs: Resume always shown", pausedIdle,
         {"[info] (option)", "Open Dashboard", "-", "Resume Jobs", "Settings\u2026 (primary)",
          "Copy Diagnostics (alternate)", "-", "Quit Quillmarsh"}},
        {"consent offer and a ready update", consent,
         {"[info] (option)", "Join Organisation's Fleet\u2026", "Open Dashboard", "Update available (1.4.0)", "-",
          "Pause", "Settings\u2026 (primary)", "Copy Diagnostics (alternate)", "-", "Quit Quillmarsh"}},
    };
    for (const auto& c : cases) EXPECT_EQ(outline(MenuPlan::rows(c.in)), c.rows) << c.name;
}

TEST(MenuPlanTest, RowsCarryTheirIdentifiersActionsAndShortcuts) {
    const auto rows = MenuPlan::rows(agent({job("7", "lint", "acme/tools")}));
    const MenuEntry& jobRow = rows[1];
    EXPECT_EQ(jobRow.title, "lint tools");
    EXPECT_EQ(jobRow.action, MenuAction::openJob);
    EXPECT_EQ(jobRow.argument, "acme/tools");
    EXPECT_TRUE(jobRow.identifier.empty());

    ASSERT_NE(find(rows, "option-info"), nullptr);
    EXPECT_FALSE(find(rows, "option-info")->enabled);
    EXPECT_EQ(find(rows, "stop-jobs")->action, MenuAction::stopRunningJobs);
    EXPECT_EQ(find(rows, "settings")->shortcut, "Ctrl+,");
    EXPECT_EQ(find(rows, "diagnostics")->shortcut, "Ctrl+Alt+,");
    EXPECT_EQ(find(rows, "diagnostics")->tooltip,
              "Copies \"quillmarsh doctor\": run it in Terminal to check this Mac.");
    EXPECT_EQ(rows.back().shortcut, "Ctrl+Q");
    EXPECT_EQ(rows.back().action, MenuAction::quit);

    const MenuEntry* pause = find(rows, "pause");
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->kind, Kind::submenu);
    ASSERT_EQ(pause->submenu.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pause->submenu[static_cast<std::size_t>(i)].identifier, "pause-" + std::to_string(i));
        EXPECT_EQ(pause->submenu[static_cast<std::size_t>(i)].tag, i);
        EXPECT_EQ(pause->submenu[static_cast<std::size_t>(i)].action, MenuAction::choosePause);
    }
}

TEST(MenuPlanTest, FirstRunMenuOffersSetUpAndKeepsTheUpdateRow) {
    MenuInputs in;  // no agent answers
    in.running = {job("1")};  // whatever the model still holds is not shown
    in.update = UpdateState::installing("2.0.0");
    const auto rows = MenuPlan::rows(in);
    EXPECT_EQ(outline(rows), (std::vector<std::string>{"Set Up This Mac\u2026", "Set Up in Terminal\u2026",
                                                        "Updating\u2026", "-", "How It Works", "Quit Quillmarsh"}));
    EXPECT_EQ(rows[0].identifier, "set-up");
    EXPECT_EQ(rows[0].tooltip, "Opens the dashboard's setup in your browser.");
    EXPECT_EQ(rows[1].identifier, "set-up-terminal");
    EXPECT_EQ(rows[1].action, MenuAction::showFirstRun);
    EXPECT_FALSE(rows[2].enabled);
    EXPECT_EQ(rows[2].action, MenuAction::none);
    EXPECT_EQ(rows[4].action, MenuAction::openHowItWorks);
}

TEST(MenuPlanTest, UpdateRowByState) {
    struct Case {
        UpdateState state;
        std::optional<std::string> title;
        bool enabled;
        std::string tooltip;
    };
    const std::vector<Case> cases = {
        {UpdateState::ready("1.4.0"), "Update available (1.4.0)", true,
         "Installs Quillmarsh for Mac 1.4.0 and relaunches it. Jobs are not affected."},
        {UpdateState::ready(""), "Update available", true,
         "Installs Quillmarsh for Mac  and relaunches it. Jobs are not affected."},
        {UpdateState::manual("1.4.0", "This copy cannot replace itself."), "Update available (1.4.0)", true,
         "This copy cannot replace itself. Opens the download."},
        {UpdateState::installing("1.4.0"), "Updating\u2026", false, ""},
        {UpdateState::downloading("1.4.0"), std::nullopt, false, ""},
        {UpdateState::failed("1.4.0", "bad"), std::nullopt, false, ""},
        {UpdateState::idle(), std::nullopt, false, ""},
        {UpdateState::checking(), std::nullopt, false, ""},
    };
    for (const auto& c : cases) {
        const auto row = MenuPlan::updateRow(c.state);
        ASSERT_EQ(row.has_value(), c.title.has_value()) << static_cast<int>(c.state.kind);
        if (!row) continue;
        EXPECT_EQ(row->title, *c.title);
        EXPECT_EQ(row->identifier, "update");
        EXPECT_EQ(row->enabled, c.enabled);
        EXPECT_EQ(row->action, c.enabled ? MenuAction::installUpdate : MenuAction::none);
        EXPECT_EQ(row->tooltip, c.tooltip);
    }
}

TEST(MenuPlanTest, UntilThisEveningIsOfferedOnlyWhileEveningIsMoreThanAnHourAway) {
    struct Case {
        int hour, minute;
        bool evening;
    };
    for (const Case c : {Case{9, 0, true}, Case{16, 59, true}, Case{17, 0, false}, Case{18, 30, false},
                         Case{23, 59, false}}) {
        const auto rows = MenuPlan::pauseRows(londonTime(2026, 12, 10, c.hour, c.minute), london());
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[0].title, "For 1 Hour");
        EXPECT_EQ(rows[1].title, "Until This Evening");
        EXPECT_EQ(rows[1].enabled, c.evening) << c.hour << ":" << c.minute;
        EXPECT_TRUE(rows[0].enabled && rows[2].enabled && rows[3].enabled);
    }
}

TEST(MenuSignatureTest, ChangesExactlyWithTheMenuStructure) {
    const MenuInputs base = agent({job("1"), job("2")});
    auto changed = [&](auto edit) {
        MenuInputs in = base;
        edit(in);
        return MenuSignature::of(in) != MenuSignature::of(base);
    };
    // In place: progress, times, names, the clock, the update's reason.
    EXPECT_FALSE(changed([](MenuInputs& in) { in.running[0].elapsedSeconds = 500; }));
    EXPECT_FALSE(changed([](MenuInputs& in) { in.running[1].name = "renamed"; }));
    EXPECT_FALSE(changed([](MenuInputs& in) { in.now = in.now.adding(3600); }));
    // Rebuilds: a finished job, reordered jobs, pause, consent, the update row, the agent going.
    EXPECT_TRUE(changed([](MenuInputs& in) { in.running.pop_back(); }));
    EXPECT_TRUE(changed([](MenuInputs& in) { std::swap(in.running[0], in.running[1]); }));
    EXPECT_TRUE(changed([](MenuInputs& in) { in.pauseInForce = PauseOption::untilTomorrow; }));
    EXPECT_TRUE(changed([](MenuInputs& in) { in.awaitingPoolConsent = true; }));
    EXPECT_TRUE(changed([](MenuInputs& in) { in.update = UpdateState::ready("2.0"); }));
    EXPECT_TRUE(changed([](MenuInputs& in) { in.agentAvailable = false; }));

    // Ready and download-only for the same version look alike (the tooltip is refreshed in place).
    MenuInputs ready = base, manual = base;
    ready.update = UpdateState::ready("2.0");
    manual.update = UpdateState::manual("2.0", "why");
    EXPECT_EQ(MenuSignature::of(ready), MenuSignature::of(manual));
    EXPECT_NE(MenuSignature::of(ready), MenuSignature::of(agent({job("1"), job("2")})));
}

TEST(MenuSignatureTest, JobIdsWithSeparatorsNeverMakeTwoListsAlike) {
    // Joined with "," these would both read "a,b,c".
    EXPECT_NE(MenuSignature::of(agent({job("a,b"), job("c")})), MenuSignature::of(agent({job("a"), job("b,c")})));
    EXPECT_NE(MenuSignature::of(agent({job("a:b")})), MenuSignature::of(agent({job("a"), job("b")})));
}

TEST(MenuSignatureTest, FirstRunMenuDependsOnlyOnTheUpdateRow) {
    MenuInputs a, b;
    b.running = {job("1")};
    b.pauseInForce = PauseOption::oneHour;
    b.awaitingPoolConsent = true;
    EXPECT_EQ(MenuSignature::of(a), MenuSignature::of(b));
    b.update = UpdateState::installing("3");
    EXPECT_NE(MenuSignature::of(a), MenuSignature::of(b));
}

TEST(MenuPlanTest, LayersShowByAltAndOptionLayer) {
    EXPECT_TRUE(MenuPlan::visible(Layer::always, true, true));
    EXPECT_TRUE(MenuPlan::visible(Layer::primary, false, true));
    EXPECT_FALSE(MenuPlan::visible(Layer::primary, true, false));
    EXPECT_TRUE(MenuPlan::visible(Layer::alternate, true, false));
    EXPECT_FALSE(MenuPlan::visible(Layer::alternate, false, true));
    EXPECT_TRUE(MenuPlan::visible(Layer::optionLayer, false, true));
    EXPECT_FALSE(MenuPlan::visible(Layer::optionLayer, true, false));
}

TEST(OptionLayerTest, AltShowsTheLayerOnlyWhileTheMenuIsOpen) {
    OptionLayer layer;
    EXPECT_FALSE(layer.altChanged(true));  // closed: a held key changes nothing
    EXPECT_FALSE(layer.infoShown());

    EXPECT_TRUE(layer.menuWillOpen(true));  // opened with Alt already held
    EXPECT_TRUE(layer.infoShown() && layer.alternatesShown());
    EXPECT_FALSE(layer.altChanged(true));   // the poll sees no change
    EXPECT_TRUE(layer.altChanged(false));
    EXPECT_FALSE(layer.infoShown() || layer.alternatesShown());
    EXPECT_TRUE(layer.altChanged(true));
    EXPECT_TRUE(layer.menuDidClose());
    EXPECT_FALSE(layer.infoShown() || layer.alternatesShown());
    EXPECT_FALSE(layer.menuWillOpen(false));
}

TEST(OptionLayerTest, AForcedLayerKeepsTheInfoRowButAlternatesFollowTheKey) {
    OptionLayer layer;
    layer.force();
    EXPECT_TRUE(layer.infoShown());
    layer.menuWillOpen(false);
    EXPECT_TRUE(layer.infoShown());
    EXPECT_FALSE(layer.alternatesShown());
    layer.altChanged(true);
    EXPECT_TRUE(layer.alternatesShown());
    layer.menuDidClose();
    EXPECT_TRUE(layer.infoShown());
    EXPECT_FALSE(layer.alternatesShown());
}

TEST(QuitDecisionTest, AsksOnlyWhileTheAgentRunsAndStoresTheCheckBoxWhateverTheAnswer) {
    EXPECT_TRUE(QuitDecision::asks(true, false));
    EXPECT_FALSE(QuitDecision::asks(false, false));  // no agent: quits at once
    EXPECT_FALSE(QuitDecision::asks(true, true));    // "Don't Show Again" was ticked once
    EXPECT_EQ(QuitDecision::after(false, true), (QuitDecision::Outcome{true, false}));
    EXPECT_EQ(QuitDecision::after(true, false), (QuitDecision::Outcome{false, true}));
}

TEST(JobRowContentTest, NameRepositoryTimeAndRing) {
    RunningJob starting = job("1", "", "acme/site");
    starting.started = false;
    RunningJob noEstimate = job("2");
    noEstimate.expectedSeconds = 0;
    RunningJob overdue = job("3");
    overdue.elapsedSeconds = 900;
    RunningJob fresh = job("4");
    fresh.elapsedSeconds = 1;

    const JobRowContent a = JobRowContent::of(starting);
    EXPECT_EQ(a.name, "CI");  // the workflow when the name is empty
    EXPECT_EQ(a.repository, "site");
    EXPECT_EQ(a.tooltip, "CI site");
    EXPECT_EQ(a.time, "starting");
    EXPECT_FALSE(a.progress);
    EXPECT_DOUBLE_EQ(JobRowContent::arcSpan(a.progress), -90.0);  // the fixed quarter arc

    EXPECT_FALSE(JobRowContent::of(noEstimate).progress);
    EXPECT_DOUBLE_EQ(*JobRowContent::of(overdue).progress, 0.97);  // never full
    EXPECT_DOUBLE_EQ(*JobRowContent::of(fresh).progress, 0.02);
    EXPECT_DOUBLE_EQ(JobRowContent::arcSpan(0.25), -90.0);
    EXPECT_DOUBLE_EQ(JobRowContent::arcSpan(0.5), -180.0);
    EXPECT_EQ(JobRowContent::of(job("5")).time, "8 min left");
}

TEST(MenuRowMatch, KeepsTheRowsThatStayAndMovesOnlyTheOutOfOrderOnes) {
    constexpr std::size_t none = MenuRowMatch::none;
    using Keys = std::vector<std::string>;
    struct Case {
        const char* what;
        Keys before, after;
        std::vector<std::size_t> source;
        std::vector<bool> stays;
    };
    const std::vector<Case> cases = {
        {"unchanged", {"a", "b", "-", "q"}, {"a", "b", "-", "q"}, {0, 1, 2, 3}, {true, true, true, true}},
        {"a job ends", {"job a", "job b", "-", "q"}, {"job b", "-", "q"}, {1, 2, 3}, {false, true, true, true}},
        {"one ends, one starts", {"job a", "job b", "-"}, {"job b", "job c", "-"}, {1, none, 2}, {false, true, true}},
        {"the last job ends", {"info", "job a", "-", "dash"}, {"info", "dash"}, {0, 3}, {true, false, false, true}},
        {"moved to the front", {"a", "b", "c"}, {"c", "a", "b"}, {2, 0, 1}, {true, true, false}},
        {"reversed", {"a", "b", "c"}, {"c", "b", "a"}, {2, 1, 0}, {true, false, false}},
        {"repeated keys pair in order", {"-", "x", "-", "-"}, {"-", "-", "y"}, {0, 2, none}, {true, false, true, false}},
        {"from nothing", {}, {"a", "b"}, {none, none}, {}},
        {"to nothing", {"a", "b"}, {}, {}, {false, false}},
    };
    for (const auto& c : cases) {
        const MenuRowMatch match = MenuRowMatch::of(c.before, c.after);
        EXPECT_EQ(match.source, c.source) << c.what;
        EXPECT_EQ(match.stays, c.stays) << c.what;
        std::vector<bool> taken(c.before.size(), false);
        for (const std::size_t from : c.source)
            if (from != none) taken[from] = true;
        EXPECT_EQ(match.taken, taken) << c.what;
    }
}

TEST(MenuPlan, KeysNameJobRowsByTheirJobAndOtherRowsByIdentifierOrTitle) {
    auto in = agent({job("a"), job("a"), job("b")});
    EXPECT_EQ(MenuPlan::keys(MenuPlan::rows(in), in.running),
              (std::vector<std::string>{"id option-info", "job a", "job a", "job b", "-", "item Open Dashboard", "-",
                                        "id pause", "id stop-jobs", "id settings", "id diagnostics", "-",
                                        "item Quit Quillmarsh"}));
    MenuInputs none;
    EXPECT_EQ(MenuPlan::keys(MenuPlan::rows(none), none.running),
              (std::vector<std::string>{"id set-up", "id set-up-terminal", "-", "item How It Works",
                                        "item Quit Quillmarsh"}));
}

} // namespace
} // namespace quillmarsh
