#pragma once

#include "App/LaunchOptions.h"
#include "Model/AppModel.h"
#include "Platform/StatusItem.h"

#include <QAction>
#include <QMetaObject>
#include <QObject>

#include <memory>
#include <optional>
#include <string>

namespace quillmarsh {

class AppUpdater;
class AppWindowController;
class Defaults;
class FirstRunWindowController;
class Notifier;
class ScreenshotMode;
class StatusItemController;

// The app's composition root. At launch it builds, in this order, the agent client, the updater
// (which it owns), the model, the status menu's controller and the notifier, starts the model and
// carries out the launch switches. It then opens the settings and first-run windows on request,
// reopens the app when asked (a second launch), and installs a staged update when the app quits.
// Everything here runs on the main thread; the callbacks it hands out hold it weakly.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    // What the delegate reaches outside; the defaults are the real ones.
    struct Environment {
        std::string socketPath;        // AgentClient::defaultSocketPath() when empty
        Defaults* defaults = nullptr;  // the user's settings (SettingsDefaults) when none
        std::unique_ptr<StatusItem> statusItem;  // StatusItem::create() when none
        // The model's surroundings; the bundle's identity and program are filled in from the
        // running bundle when it has them.
        AppModel::Environment model;
    };

    explicit AppDelegate(LaunchOptions options);
    AppDelegate(LaunchOptions options, Environment environment);
    ~AppDelegate() override;

    // Builds the app and runs the launch switches.
    void applicationDidFinishLaunching();
    // Installs a staged update; runs on every clean quit.
    void applicationWillTerminate();
    // The app was launched again: the status item shows again (and stays shown), then the settings
    // window comes up when the agent answers, else the first-run window.
    void applicationShouldHandleReopen();

    // The first-run window, reused until it closed itself for an agent that answers; then a new
    // one with fresh readiness checks.
    void showFirstRun();
    // The settings window, at the pane of that lower-case title when one matches.
    void openSettings(const std::optional<std::string>& pane);
    // The settings window on its current pane.
    void showSettings();

    // The settings window's controller, made on first use without showing the window.
    AppWindowController& settingsController();
    // The first-run window's controller without showing its window: the one kept, or a new one
    // (fresh readiness checks) when there is none or it closed itself for the agent.
    FirstRunWindowController& firstRunController();

    // Set at launch, never cleared.
    AppModel* model() const { return model_.get(); }
    StatusItemController* statusItem() const { return statusItem_.get(); }
    AppUpdater* updater() const { return updater_.get(); }
    AppWindowController* settings() const { return settings_.get(); }
    FirstRunWindowController* firstRun() const { return firstRun_.get(); }
    // "Settings…" (Ctrl+,) and "Quit Quillmarsh" (Ctrl+Q), on every window of the app.
    QAction& settingsAction() { return settingsAction_; }
    QAction& quitAction() { return quitAction_; }

private:
    void buildActions();
    void addActions(QWidget& window);
    void firstTick();
    void clickStatusItem();
    // Whether a desktop's tray shows the status item.
    bool hasTray() const;
    // Without a tray the app opens a window in its place, unless the launch shows something itself.
    bool windowStandsInForTray() const;

    LaunchOptions options_;
    Environment environment_;
    std::unique_ptr<Defaults> ownDefaults_;
    QAction settingsAction_;
    QAction quitAction_;
    // Declared in the order they are built, so they go in the reverse one: the windows and the
    // status menu before the model they hold, the model before the updater it uses.
    std::unique_ptr<AppUpdater> updater_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<StatusItemController> statusItem_;
    std::unique_ptr<Notifier> notifier_;
    std::unique_ptr<AppWindowController> settings_;
    std::unique_ptr<FirstRunWindowController> firstRun_;
    std::unique_ptr<ScreenshotMode> screenshots_;
    QMetaObject::Connection launchCheck_;
};

} // namespace quillmarsh
