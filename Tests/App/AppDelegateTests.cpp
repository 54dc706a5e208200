// The application delegate in process, against a fake agent on a real socket, on offscreen: the
// launch check, the reopen, the settings window by pane name, the updater's quiet test, the
// desktop without a tray and the app-wide shortcuts.
#include "App/AppDelegate.h"
#include "FirstRun/FirstRunWindow.h"
#include "FirstRun/FirstRunWindowController.h"
#include "MenuBar/Model/AppModelHarness.h"
#include "Model/MemoryDefaults.h"
#include "Platform/HeadlessStatusItem.h"
#include "Settings/AppWindowController.h"
#include "Settings/PaneSelection.h"
#include "Settings/SettingsWindow.h"
#include "StatusMenu/StatusItemController.h"
#include "Support/FakeAgent.h"
#include "Support/TempFolder.h"
#include "Support/TestApplication.h"
#include "Updater/AppUpdater.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

// A status item that a desktop's tray shows: the headless one's state, but on show.
class TrayItem final : public HeadlessStatusItem {
public:
    bool isHeadless() const override { return false; }
};

int visibleFirstRunWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<FirstRunWindow*>(widget) && widget->isVisible()) ++count;
    return count;
}

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() { test::ensureApp(); }

    // The sample agent answers on its socket.
    void serveAgent() { test::serveSamples(agent_); }
    // Marks the agent's home as registered, as the agent's set-up leaves it.
    void registerMac() { folder_.write("home/agent.json", "{}"); }

    // Launches with the options, a tray item unless trayless, and waits for the end of the first
    // refresh and the launch check after it.
    AppDelegate& launch(const LaunchOptions& options, bool tray = true) {
        AppDelegate::Environment environment;
        environment.socketPath = socketPath();
        environment.defaults = &defaults_;
        if (tray) environment.statusItem = std::make_unique<TrayItem>();
        environment.model.identityCache = folder_.string() + "/identity";
        environment.model.fetch = [](const std::string&) -> std::string { throw std::runtime_error("offline"); };
        delegate_ = std::make_unique<AppDelegate>(options, std::move(environment));
        delegate_->applicationDidFinishLaunching();
        EXPECT_TRUE(test::spinUntil([&] { return delegate_->model()->tick() > 0; }));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return *delegate_;
    }

    // The fake agent's socket while it serves, else one in a home without an agent.
    std::string socketPath() const {
        return served_ ? agent_.socketPath() : folder_.string() + "/home/agent.sock";
    }

    test::TempFolder folder_{"qm-app"};
    test::FakeAgent agent_;
    bool served_ = true;
    MemoryDefaults defaults_;
    std::unique_ptr<AppDelegate> delegate_;
};

TEST_F(AppDelegateTest, TheFirstRunWindowComesUpOnlyForAMacThatIsNotSetUp) {
    served_ = false;
    AppDelegate& app = launch({});
    EXPECT_FALSE(app.model()->agentAvailable());
    ASSERT_NE(app.firstRun(), nullptr);
    EXPECT_TRUE(app.firstRun()->window().isVisible());
    EXPECT_EQ(visibleFirstRunWindows(), 1);
}

TEST_F(AppDelegateTest, ARegisteredMacWhoseAgentIsDownGetsNoFirstRunWindow) {
    served_ = false;
    registerMac();
    AppDelegate& app = launch({});
    EXPECT_FALSE(app.model()->agentAvailable());
    EXPECT_EQ(app.firstRun(), nullptr);
    EXPECT_EQ(app.settings(), nullptr);
}

TEST_F(AppDelegateTest, FirstRunSwitchShowsTheWindowEvenForAnAnsweringAgentAndOneWindowStays) {
    serveAgent();
    LaunchOptions options;
    options.firstRun = true;
    AppDelegate& app = launch(options);
    EXPECT_TRUE(app.model()->agentAvailable());
    ASSERT_NE(app.firstRun(), nullptr);
    // It closed itself for the agent at once, and was shown after.
    EXPECT_TRUE(app.firstRun()->closedForAgent());
    EXPECT_TRUE(app.firstRun()->window().isVisible());

    // The next request makes a new window with fresh checks, in place of the old one.
    const FirstRunWindowController* first = app.firstRun();
    app.showFirstRun();
    EXPECT_NE(app.firstRun(), first);
    EXPECT_TRUE(app.firstRun()->window().isVisible());
    EXPECT_EQ(visibleFirstRunWindows(), 1);
}

TEST_F(AppDelegateTest, AFirstRunWindowThatWasOnlyHiddenIsReused) {
    served_ = false;
    AppDelegate& app = launch({});
    const FirstRunWindowController* first = app.firstRun();
    ASSERT_NE(first, nullptr);
    app.firstRun()->window().close();
    app.showFirstRun();
    EXPECT_EQ(app.firstRun(), first);
    EXPECT_TRUE(app.firstRun()->window().isVisible());
}

TEST_F(AppDelegateTest, ReopeningShowsTheHiddenItemForGoodAndTheWindowForTheAgentsState) {
    serveAgent();
    defaults_.setValue(QStringLiteral("showInMenuBar"), false);
    AppDelegate& app = launch({});
    ASSERT_NE(app.statusItem()->statusItem(), nullptr);
    EXPECT_FALSE(app.statusItem()->statusItem()->isVisible());
    EXPECT_EQ(app.settings(), nullptr);

    app.applicationShouldHandleReopen();
    EXPECT_TRUE(app.statusItem()->statusItem()->isVisible());
    EXPECT_EQ(defaults_.value(QStringLiteral("showInMenuBar")), QVariant(true));
    ASSERT_NE(app.settings(), nullptr);
    EXPECT_TRUE(app.settings()->window().isVisible());
    EXPECT_EQ(app.firstRun(), nullptr);
}

TEST_F(AppDelegateTest, ReopeningWithoutAnAgentShowsTheFirstRunWindow) {
    served_ = false;
    registerMac();
    AppDelegate& app = launch({});
    EXPECT_EQ(app.firstRun(), nullptr);
    app.applicationShouldHandleReopen();
    ASSERT_NE(app.firstRun(), nullptr);
    EXPECT_TRUE(app.firstRun()->window().isVisible());
    EXPECT_EQ(app.settings(), nullptr);
}

TEST_F(AppDelegateTest, SettingsOpenAtAPaneNamedInLowerCaseOnly) {
    serveAgent();
    AppDelegate& app = launch({});
    app.openSettings(std::string("this mac"));
    ASSERT_NE(app.settings(), nullptr);
    EXPECT_TRUE(app.settings()->window().isVisible());
    EXPECT_EQ(app.settings()->selection().pane(), AppPane::thisMac);

    app.openSettings(std::string("About"));
    EXPECT_EQ(app.settings()->selection().pane(), AppPane::thisMac);
    app.showSettings();
    EXPECT_EQ(app.settings()->selection().pane(), AppPane::thisMac);
    app.openSettings(std::string("caches"));
    EXPECT_EQ(app.settings()->selection().pane(), AppPane::caches);
}

TEST_F(AppDelegateTest, TheUpdaterIsQuietOnlyWhileNeitherTheMenuNorTheSettingsAreOpen) {
    serveAgent();
    AppDelegate& app = launch({});
    EXPECT_TRUE(app.updater()->isQuiet());
    app.showSettings();
    EXPECT_FALSE(app.updater()->isQuiet());
    app.settings()->window().close();
    EXPECT_TRUE(app.updater()->isQuiet());

    app.statusItem()->popUp();
    ASSERT_TRUE(app.statusItem()->isMenuOpen());
    EXPECT_FALSE(app.updater()->isQuiet());
    app.statusItem()->menu().hide();
    ASSERT_TRUE(test::spinUntil([&] { return !app.statusItem()->isMenuOpen(); }));
    EXPECT_TRUE(app.updater()->isQuiet());

    // Once the delegate is gone, nothing installs on its own.
    const auto quiet = app.updater()->isQuiet;
    delegate_.reset();
    EXPECT_FALSE(quiet());
}

TEST_F(AppDelegateTest, WithoutATrayTheAppOpensWhatAReopenWouldButKeepsTheSetting) {
    serveAgent();
    defaults_.setValue(QStringLiteral("showInMenuBar"), false);
    AppDelegate& app = launch({}, false);
    ASSERT_NE(app.settings(), nullptr);
    EXPECT_TRUE(app.settings()->window().isVisible());
    EXPECT_EQ(defaults_.value(QStringLiteral("showInMenuBar")), QVariant(false));
}

TEST_F(AppDelegateTest, WithoutATrayAMacThatIsNotSetUpGetsTheFirstRunWindowOnce) {
    served_ = false;
    AppDelegate& app = launch({}, false);
    ASSERT_NE(app.firstRun(), nullptr);
    EXPECT_TRUE(app.firstRun()->window().isVisible());
    EXPECT_EQ(visibleFirstRunWindows(), 1);
    EXPECT_EQ(app.settings(), nullptr);
}

TEST_F(AppDelegateTest, CtrlCommaOnTheFirstRunWindowOpensTheSettingsWhichCarryTheSameActions) {
    served_ = false;
    AppDelegate& app = launch({});
    ASSERT_NE(app.firstRun(), nullptr);
    FirstRunWindow& window = app.firstRun()->window();
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
    ASSERT_NE(app.settings(), nullptr);
    EXPECT_TRUE(app.settings()->window().isVisible());

    // The settings window carries the same two actions.
    const QList<QAction*> actions = app.settings()->window().actions();
    EXPECT_TRUE(actions.contains(&app.settingsAction()));
    EXPECT_TRUE(actions.contains(&app.quitAction()));
    EXPECT_EQ(app.quitAction().shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
}

TEST_F(AppDelegateTest, OptionLayerKeepsTheAgentRowShown) {
    serveAgent();
    LaunchOptions options;
    options.optionLayer = true;
    AppDelegate& app = launch(options);
    EXPECT_TRUE(app.statusItem()->optionLayerForced());
    EXPECT_TRUE(app.statusItem()->optionShown());
}

} // namespace
} // namespace quillmarsh
