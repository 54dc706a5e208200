#include "Settings/Panes/GeneralPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using Setting = PaneCommand::Setting;
using test::control;
using test::row;

Page describe(const GeneralPane::Inputs& in) { return GeneralPane::describe(in, PaneViewState()); }

TEST(GeneralPane, TwoSectionsWithTheirRowsInOrder) {
    const auto page = describe({});
    EXPECT_EQ(page.title, "General");
    EXPECT_EQ(test::blockKeys(page), (std::vector<std::string>{"App", "Notify me when"}));
    EXPECT_EQ(test::section(page, "App").header, "App");
    EXPECT_EQ(test::rowKeys(page, "App"), (std::vector<std::string>{"Open at login", "Show in menu bar"}));
    EXPECT_EQ(test::rowKeys(page, "Notify me when"),
              (std::vector<std::string>{"A job fails", "This Mac takes a break", "A machine goes offline",
                                        "An image or update is ready"}));
    for (const auto& key : {"App", "Notify me when"}) {
        EXPECT_EQ(test::section(page, key).note, std::nullopt);
        EXPECT_EQ(test::section(page, key).footer, std::nullopt);
    }
    EXPECT_EQ(page.alert, std::nullopt);
}

TEST(GeneralPane, OpenAtLoginFollowsTheInstalledAppAndTheLoginItem) {
    struct Case {
        const char* name;
        bool installed, enabled;
        bool on, switchEnabled;
        std::optional<std::string> detail;
    };
    const Case cases[] = {
        // A bare executable: off, disabled and saying why, whatever the login item says.
        {"not installed", false, true, false, false, "Available in the installed app."},
        {"not installed, no item", false, false, false, false, "Available in the installed app."},
        {"installed, enabled", true, true, true, true, std::nullopt},
        // Also a login item that waits for the user's approval: not enabled, so off.
        {"installed, not enabled", true, false, false, true, std::nullopt},
    };
    for (const auto& c : cases) {
        GeneralPane::Inputs in;
        in.installed = c.installed;
        in.openAtLogin = c.enabled;
        const auto login = row(describe(in), "App", "Open at login");
        EXPECT_EQ(login.detail, c.detail) << c.name;
        const auto& toggle = control<Page::Switch>(login);
        EXPECT_EQ(toggle.on, c.on) << c.name;
        EXPECT_EQ(toggle.enabled, c.switchEnabled) << c.name;
        EXPECT_EQ(toggle.turnOn, (PaneCommands{PaneCommand::SetOpenAtLogin{true}})) << c.name;
        EXPECT_EQ(toggle.turnOff, (PaneCommands{PaneCommand::SetOpenAtLogin{false}})) << c.name;
    }
}

TEST(GeneralPane, ShowInMenuBarSaysHowToBringItBackOnlyWhileOff) {
    GeneralPane::Inputs in;
    in.showInMenuBar = false;
    const auto off = describe(in);
    EXPECT_EQ(row(off, "App", "Show in menu bar").detail, "Open Quillmarsh again to bring it back.");
    EXPECT_FALSE(control<Page::Switch>(row(off, "App", "Show in menu bar")).on);
    in.showInMenuBar = true;
    const auto on = describe(in);
    EXPECT_EQ(row(on, "App", "Show in menu bar").detail, std::nullopt);
    EXPECT_TRUE(control<Page::Switch>(row(on, "App", "Show in menu bar")).on);
}

TEST(GeneralPane, EachSettingSwitchShowsItsValueAndSendsOnlyItsSetting) {
    struct Case {
        const char* section;
        const char* title;
        Setting setting;
        bool GeneralPane::Inputs::*field;
        std::optional<std::string> detail;
    };
    const Case cases[] = {
        {"App", "Show in menu bar", Setting::showInMenuBar, &GeneralPane::Inputs::showInMenuBar, std::nullopt},
        {"Notify me when", "A job fails", Setting::notifyJobFails, &GeneralPane::Inputs::notifyJobFails, std::nullopt},
        {"Notify me when", "This Mac takes a break", Setting::notifyBreak, &GeneralPane::Inputs::notifyBreak,
         "Memory or heat. New jobs go to your other machines meanwhile."},
        {"Notify me when", "A machine goes offline", Setting::notifyOffline, &GeneralPane::Inputs::notifyOffline,
         "Any machine in your Fleet."},
        {"Notify me when", "An image or update is ready", Setting::notifyImage, &GeneralPane::Inputs::notifyImage,
         std::nullopt},
    };
    for (const auto& c : cases) {
        for (bool value : {false, true}) {
            GeneralPane::Inputs in;
            in.showInMenuBar = in.notifyJobFails = in.notifyBreak = in.notifyOffline = in.notifyImage = !value;
            in.*c.field = value;
            const auto r = row(describe(in), c.section, c.title);
            EXPECT_EQ(r.title, c.title);
            if (c.setting != Setting::showInMenuBar) {
                EXPECT_EQ(r.detail, c.detail) << c.title;
            }
            const auto& toggle = control<Page::Switch>(r);
            EXPECT_EQ(toggle.on, value) << c.title;
            EXPECT_TRUE(toggle.enabled) << c.title;
            EXPECT_EQ(toggle.turnOn, (PaneCommands{PaneCommand::SetSetting{c.setting, true}})) << c.title;
            EXPECT_EQ(toggle.turnOff, (PaneCommands{PaneCommand::SetSetting{c.setting, false}})) << c.title;
        }
    }
}

TEST(GeneralPane, InputsAreTheModelsSettingsAndItsLoginItem) {
    test::Harness bare;
    test::serveSamples(*bare.agent);
    bare.refreshAndWait();
    EXPECT_EQ(GeneralPane::inputs(*bare.model), GeneralPane::Inputs{})
        << "not installed, and the registered defaults: all on but a machine going offline";

    test::TempFolder config;
    AppModel::Environment environment;
    environment.bundleExecutable = "/opt/Quillmarsh.app/Contents/MacOS/Quillmarsh";
    environment.autostartFolder = config / "autostart";
    test::Harness h(std::make_unique<test::FakeAgent>(), environment);
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    h.model->setOpenAtLogin(true);
    h.model->setShowInMenuBar(false);
    h.model->setNotifyJobFails(false);
    h.model->setNotifyBreak(false);
    h.model->setNotifyOffline(true);
    h.model->setNotifyImage(false);
    GeneralPane::Inputs expected;
    expected.installed = true;
    expected.openAtLogin = true;
    expected.showInMenuBar = false;
    expected.notifyJobFails = false;
    expected.notifyBreak = false;
    expected.notifyOffline = true;
    expected.notifyImage = false;
    EXPECT_EQ(GeneralPane::inputs(*h.model), expected);
}

} // namespace
} // namespace quillmarsh
