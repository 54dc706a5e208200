#include "Settings/Panes/AboutPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"

#include <QDir>

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using Style = Page::Button::Style;
using test::control;
using test::row;

Page describe(const AboutPane::Inputs& in, const PaneViewState& view = {}) { return AboutPane::describe(in, view); }

AboutPane::Inputs installed(UpdateState update = UpdateState::idle()) {
    AboutPane::Inputs in;
    in.update = std::move(update);
    in.currentVersion = "1.4.0";
    in.agentAvailable = true;
    in.agent = AboutPane::AgentVersion{"1.3.0", "1.3.0", false};
    in.canUpdateAgent = true;
    in.logsFolder = "/Users/ada/.quillmarsh/logs";
    in.homeFolder = "/Users/ada";
    return in;
}

AboutPane::AgentVersion outdatedAgent() { return {"1.2.0", "1.3.0", true}; }

TEST(AboutPane, HeaderThenUpdatesTroubleshootingAndLinks) {
    const auto page = describe(installed());
    EXPECT_EQ(page.title, "About");
    EXPECT_EQ(test::blockKeys(page), (std::vector<std::string>{"header", "Updates", "Troubleshooting", "Links"}));
    EXPECT_EQ(std::get<Page::AppHeader>(page.blocks[0]), (Page::AppHeader{"header", "Quillmarsh", "Version 1.4.0"}));
    EXPECT_EQ(test::rowKeys(page, "Updates"), (std::vector<std::string>{"Quillmarsh for Mac", "Quillmarsh agent"}));
    EXPECT_EQ(test::rowKeys(page, "Troubleshooting"), (std::vector<std::string>{"Logs", "Diagnostics"}));
    for (const auto& key : {"Updates", "Troubleshooting", "Links"}) {
        EXPECT_EQ(test::section(page, key).note, std::nullopt);
    }
    EXPECT_EQ(test::section(page, "Updates").footer, std::nullopt);
    EXPECT_EQ(test::section(page, "Links").footer, std::nullopt);

    auto development = installed();
    development.currentVersion.reset();
    EXPECT_EQ(std::get<Page::AppHeader>(describe(development).blocks[0]).subtitle, "Development build");
}

TEST(AboutPane, AppUpdateRowFollowsTheUpdaterState) {
    struct Case {
        const char* name;
        UpdateState update;
        bool hasVersion;
        bool agentUpdate;
        Page::Button button;
        std::string detail;
    };
    const auto check = [](bool enabled) {
        Page::Button b;
        b.title = "Check for Updates\u2026";
        b.enabled = enabled;
        b.press = {PaneCommand::CheckForUpdates{}};
        return b;
    };
    const auto install = [](const char* title, Style style) {
        Page::Button b;
        b.title = title;
        b.style = style;
        b.press = {PaneCommand::InstallUpdate{}};
        return b;
    };
    const std::string ready =
        "Version 1.5.0 is ready. It installs when you choose Update available in the menu, or when the app next quits. "
        "Jobs are not affected.";
    const Case cases[] = {
        {"idle", UpdateState::idle(), true, false, check(true), "Version 1.4.0, up to date."},
        {"idle, development build", UpdateState::idle(), false, false, check(false), "Available in the installed app."},
        {"failed", UpdateState::failed("1.5.0", "The signature did not match."), true, false, check(true),
         "Version 1.5.0 could not be installed: The signature did not match. It is tried again at the next check."},
        {"failed, development build", UpdateState::failed("1.5.0", "x"), false, false, check(false),
         "Available in the installed app."},
        {"checking", UpdateState::checking(), true, false, check(false), "Checking\u2026"},
        {"downloading", UpdateState::downloading("1.5.0"), true, false, check(false), "Downloading version 1.5.0\u2026"},
        {"installing", UpdateState::installing("1.5.0"), true, false, check(false), "Installing version 1.5.0\u2026"},
        {"ready", UpdateState::ready("1.5.0"), true, false, install("Update and Relaunch", Style::prominent), ready},
        {"ready while the agent has an update", UpdateState::ready("1.5.0"), true, true,
         install("Update and Relaunch", Style::plain), ready},
        {"manual", UpdateState::manual("1.5.0", "This copy cannot replace itself."), true, false,
         install("Download\u2026", Style::standard),
         "Version 1.5.0 is available. This copy cannot replace itself. Download it and replace this copy."},
    };
    for (const auto& c : cases) {
        auto in = installed(c.update);
        if (!c.hasVersion) in.currentVersion.reset();
        if (c.agentUpdate) in.agent = outdatedAgent();
        const auto r = row(describe(in), "Updates", "Quillmarsh for Mac");
        EXPECT_EQ(r.detail, c.detail) << c.name;
        EXPECT_EQ(control<Page::Button>(r), c.button) << c.name;
    }
}

TEST(AboutPane, AgentRowSaysWhetherItRunsAndOffersItsUpdate) {
    struct Case {
        const char* name;
        bool available;
        std::optional<AboutPane::AgentVersion> agent;
        std::string detail;
        std::string value;  // the Value's text, when not a button
    };
    const Case cases[] = {
        {"up to date", true, AboutPane::AgentVersion{"1.3.0", "1.3.0", false}, "Version 1.3.0, up to date.", "1.3.0"},
        {"not running with a stale status", false, AboutPane::AgentVersion{"1.3.0", "1.3.0", false}, "Not running.",
         "1.3.0"},
        {"no status", true, std::nullopt, "Not running.", ""},
        {"a status without a version", true, AboutPane::AgentVersion{std::nullopt, "1.3.0", false}, "Not running.", ""},
        {"an empty version", true, AboutPane::AgentVersion{"", std::nullopt, false}, "Not running.", ""},
    };
    for (const auto& c : cases) {
        auto in = installed();
        in.agentAvailable = c.available;
        in.agent = c.agent;
        const auto r = row(describe(in), "Updates", "Quillmarsh agent");
        EXPECT_EQ(r.detail, c.detail) << c.name;
        EXPECT_EQ(control<Page::Value>(r), (Page::Value{c.value, false})) << c.name;
    }

    // An agent at 1.2.0 asked for 1.3.0: both versions, the running one first, and its update button.
    for (bool canUpdate : {true, false}) {
        auto in = installed(UpdateState::ready("1.5.0"));
        in.agent = outdatedAgent();
        in.canUpdateAgent = canUpdate;
        const auto r = row(describe(in), "Updates", "Quillmarsh agent");
        EXPECT_EQ(r.detail, "Version 1.2.0. Version 1.3.0 is ready.");
        Page::Button expected;
        expected.title = "Update Now";
        expected.style = Style::prominent;
        expected.enabled = canUpdate;
        expected.help = canUpdate ? "" : "Needs agent 0.1.33";
        expected.press = {PaneCommand::UpdateAgent{}};
        EXPECT_EQ(control<Page::Button>(r), expected) << canUpdate;
    }
}

TEST(AboutPane, TroubleshootingOpensLogsCopiesTheCommandAndShowsTheLastError) {
    auto in = installed();
    const auto page = describe(in);
    const auto& logs = row(page, "Troubleshooting", "Logs");
    EXPECT_EQ(logs.detail, "~/.quillmarsh/logs");
    const auto& open = control<Page::Button>(logs);
    EXPECT_EQ(open.title, "Open Logs\u2026");
    EXPECT_EQ(open.press, (PaneCommands{PaneCommand::OpenFolder{"/Users/ada/.quillmarsh/logs"},
                                        PaneCommand::SetView{"openedLogs", "true"}}));

    const PaneCommands copy = {PaneCommand::CopyText{"quillmarsh doctor"},
                               PaneCommand::FlashView{"copied", "true", "", 2000}};
    const auto& diagnostics = row(page, "Troubleshooting", "Diagnostics");
    EXPECT_EQ(diagnostics.detail, "Copies quillmarsh doctor to paste into a terminal.");
    EXPECT_EQ(control<Page::Button>(diagnostics).title, "Copy Command");
    EXPECT_EQ(control<Page::Button>(diagnostics).press, copy);
    PaneViewState view;
    view.set("copied", "true");
    const auto copied = control<Page::Button>(row(describe(in, view), "Troubleshooting", "Diagnostics"));
    EXPECT_EQ(copied.title, "Copied");
    EXPECT_EQ(copied.press, copy) << "a second press copies again";

    EXPECT_EQ(test::section(page, "Troubleshooting").footer, std::nullopt) << "no footer without an error";
    in.lastError = "The agent refused: <b>busy</b>";
    EXPECT_EQ(test::section(describe(in), "Troubleshooting").footer,
              (Page::Footer{"The agent refused: <b>busy</b>", std::nullopt}));
}

TEST(AboutPane, LogsFolderAbbreviatesOnlyTheHomeFolder) {
    struct Case {
        std::string folder, home, shown;
    };
    const Case cases[] = {
        {"/Users/ada/.quillmarsh/logs", "/Users/ada", "~/.quillmarsh/logs"},
        {"/Users/adam/.quillmarsh/logs", "/Users/ada", "/Users/adam/.quillmarsh/logs"},
        {"/srv/agent/logs", "/Users/ada", "/srv/agent/logs"},
        {"/logs", "/", "/logs"},
    };
    for (const auto& c : cases) {
        auto in = installed();
        in.logsFolder = c.folder;
        in.homeFolder = c.home;
        EXPECT_EQ(row(describe(in), "Troubleshooting", "Logs").detail, c.shown) << c.folder;
    }
}

TEST(AboutPane, LinksOpenTheProductsPages) {
    const auto page = describe(installed());
    const auto& links = test::section(page, "Links");
    const std::vector<Page::CardRow> expected = {
        Page::Link{"Documentation", "Documentation", {PaneCommand::OpenLink{"https://quillmarsh.dev/docs"}}},
        Page::Link{"Send Feedback", "Send Feedback",
                   {PaneCommand::OpenLink{"https://github.com/quillmarsh/quillmarsh/issues/new"}}},
        Page::Link{"Status", "Status", {PaneCommand::OpenLink{"https://quillmarsh.dev/status"}}},
    };
    EXPECT_EQ(links.rows, expected);
}

TEST(AboutPane, InputsAreCopiedFromTheModel) {
    test::Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->canUpdateAgent(); }));
    h.updater.onChange(UpdateState::checking());
    const auto in = AboutPane::inputs(*h.model);
    EXPECT_EQ(in.update, UpdateState::checking());
    EXPECT_EQ(in.currentVersion, std::nullopt) << "the recording updater has no bundle";
    EXPECT_TRUE(in.agentAvailable);
    EXPECT_EQ(in.agent, (AboutPane::AgentVersion{"0.1.42", "0.1.36", false}));
    EXPECT_TRUE(in.canUpdateAgent);
    EXPECT_EQ(in.lastError, std::nullopt);
    EXPECT_EQ(in.logsFolder, h.agent->home() + "/logs");
    EXPECT_EQ(in.homeFolder, QDir::homePath().toStdString());
}

} // namespace
} // namespace quillmarsh
