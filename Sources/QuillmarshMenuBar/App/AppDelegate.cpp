#include "App/AppDelegate.h"

#include "Agent/AgentClient.h"
#include "App/AppRules.h"
#include "App/ScreenshotMode.h"
#include "FirstRun/FirstRunWindow.h"
#include "FirstRun/FirstRunWindowController.h"
#include "FirstRun/LocalChecks.h"
#include "Model/AppModel.h"
#include "Model/SettingsDefaults.h"
#include "Notifications/Notifier.h"
#include "Platform/AppBundle.h"
#include "Platform/DesktopEntry.h"
#include "Platform/FreedesktopNotifications.h"
#include "Platform/StatusItem.h"
#include "Settings/AppWindowController.h"
#include "Settings/SettingsWindow.h"
#include "StatusMenu/MarkIcon.h"
#include "StatusMenu/StatusItemController.h"
#include "Update/AppUpdate.h"
#include "Updater/AppUpdater.h"
#include "Updater/UpdateModes.h"

#include <QApplication>
#include <QDBusConnection>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>

namespace quillmarsh {

namespace {

// The name of the program inside a bundle: <bundle>/Contents/MacOS/Quillmarsh.
constexpr const char* bundleProgram = "/Contents/MacOS/Quillmarsh";

// The installed app's desktop entry and icons, so launchers and notification servers know it;
// written off the main thread, as the icons are drawn and written at eight sizes.
void installDesktopEntry(const std::string& identifier, const std::string& program) {
    QThreadPool::globalInstance()->start([entry = DesktopEntry(DesktopEntry::defaultFolder(), identifier), program] {
        try {
            entry.install(program, [](int size) {
                return MarkIcon::appIcon(size, 1.0);
            });
        } catch (const std::exception& error) {
            std::fprintf(stderr, "Quillmarsh: the desktop does not list the app: %s\n", error.what());
        }
    });
}

} // namespace

AppDelegate::AppDelegate(LaunchOptions options) : AppDelegate(std::move(options), Environment()) {}

AppDelegate::AppDelegate(LaunchOptions options, Environment environment)
    : options_(std::move(options)), environment_(std::move(environment)) {
    if (environment_.socketPath.empty()) environment_.socketPath = AgentClient::defaultSocketPath();
    if (!environment_.defaults) {
        ownDefaults_ = std::make_unique<SettingsDefaults>();
        environment_.defaults = ownDefaults_.get();
    }
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching() {
    // 1. The app-wide actions, which every window of the app carries.
    buildActions();

    // 2.–4. The agent client, the updater and the model, with what the running bundle gives:
    // notifications and "Open at login" need the installed app's identity and program.
    const AppBundle bundle = AppBundle::main();
    AgentClient client(environment_.socketPath);
    updater_ = std::make_unique<AppUpdater>(bundle, AppUpdate::downloadsBase(UpdateModes::processEnvironment()));
    AppModel::Environment modelEnvironment = std::move(environment_.model);
    if (bundle.identifier) {
        modelEnvironment.bundleIdentifier = *bundle.identifier;
        modelEnvironment.bundleExecutable = bundle.path + bundleProgram;
    }
    model_ = std::make_unique<AppModel>(std::move(client), *updater_, *environment_.defaults, modelEnvironment);
    if (bundle.identifier) installDesktopEntry(*bundle.identifier, bundle.path + bundleProgram);

    // 5. The status menu; its callbacks reach the delegate only while it lives.
    QPointer<AppDelegate> self(this);
    StatusItemController::Environment menuEnvironment;
    menuEnvironment.item = std::move(environment_.statusItem);
    statusItem_ = std::make_unique<StatusItemController>(
        *model_, true,
        [self] {
            if (self) self->showFirstRun();
        },
        [self](const std::optional<std::string>& pane) {
            if (self) self->openSettings(pane);
        },
        std::move(menuEnvironment));

    // 6. --option-layer: the agent information row stays shown.
    if (options_.optionLayer) statusItem_->forceOptionLayer();

    // 7. The notifier; only the installed app, which has an identity, posts notices.
    Notifier::Environment notifierEnvironment;
    if (bundle.identifier) {
        notifierEnvironment.bundleIdentifier = *bundle.identifier;
        notifierEnvironment.center =
            std::make_unique<FreedesktopNotifications>(QDBusConnection::sessionBus(), *bundle.identifier);
    }
    notifier_ = std::make_unique<Notifier>(*model_, std::move(notifierEnvironment));

    // 8. The status item shows as the user last chose.
    if (StatusItem* item = statusItem_->statusItem()) item->setVisible(model_->showInMenuBar());

    // 9. The updater installs on its own only while nobody looks at the menu or the settings.
    updater_->isQuiet = [self] {
        if (!self) return false;
        std::optional<bool> settingsVisible;
        if (self->settings_) settingsVisible = self->settings_->window().isVisible();
        return AppRules::isQuiet(self->statusItem_->isMenuOpen(), settingsVisible);
    };

    // 10. The refresh loop.
    model_->start();

    // 11. At the end of the first refresh, success or not: the first-run window when asked for or
    // when this Mac is not set up.
    launchCheck_ = connect(model_.get(), &AppModel::tickWillChange, this, [this](qint64 tick) {
        if (tick <= 0) return;
        disconnect(launchCheck_);
        // The tick is announced before it is stored; the check reads the model after the refresh.
        QMetaObject::invokeMethod(this, &AppDelegate::firstTick, Qt::QueuedConnection);
    });
    if (windowStandsInForTray())
        qWarning("Quillmarsh: this desktop has no system tray, so the status item cannot show; "
                 "the app opens its window instead");

    // 12.–15. The development switches. Their delays use precise timers: a coarse one may fire
    // up to 5 % early.
    if (options_.settings) showSettings();
    if (options_.screenshotsFolder) {
        const QString folder = QString::fromStdString(*options_.screenshotsFolder);
        QTimer::singleShot(2000, Qt::PreciseTimer, this, [this, folder] {
            ScreenshotMode::Environment environment;
            environment.settings = [this]() -> AppWindowController& { return settingsController(); };
            environment.firstRun = [this]() -> QWidget& { return firstRunController().window(); };
            environment.print = [](const std::string& line) {
                std::fprintf(stdout, "%s\n", line.c_str());
                std::fflush(stdout);
            };
            environment.quit = [](int status) { QCoreApplication::exit(status); };
            screenshots_ = std::make_unique<ScreenshotMode>(*model_, folder, std::move(environment));
            screenshots_->start();
        });
    }
    if (options_.menuMetrics) QTimer::singleShot(2000, Qt::PreciseTimer, this, &AppDelegate::clickStatusItem);
    if (options_.openMenu) QTimer::singleShot(1500, Qt::PreciseTimer, this, &AppDelegate::clickStatusItem);
}

void AppDelegate::firstTick() {
    if (AppRules::showsFirstRun(options_.firstRun, model_->agentAvailable(), model_->isRegistered())) showFirstRun();
    // Without a tray the app would be invisible: it opens what a reopen opens.
    if (windowStandsInForTray()) {
        if (AppRules::reopenWindow(model_->agentAvailable()) == AppRules::Window::settings) showSettings();
        else showFirstRun();
    }
}

bool AppDelegate::hasTray() const {
    const StatusItem* item = statusItem_->statusItem();
    return item != nullptr && !item->isHeadless();
}

bool AppDelegate::windowStandsInForTray() const { return !hasTray() && !options_.showsItself(); }

void AppDelegate::clickStatusItem() {
    if (StatusItem* item = statusItem_->statusItem()) item->performClick();
}

void AppDelegate::applicationWillTerminate() {
    if (updater_) updater_->installAtQuit();
}

void AppDelegate::applicationShouldHandleReopen() {
    model_->setShowInMenuBar(true);
    if (StatusItem* item = statusItem_->statusItem()) item->setVisible(true);
    if (AppRules::reopenWindow(model_->agentAvailable()) == AppRules::Window::settings) showSettings();
    else showFirstRun();
}

void AppDelegate::showFirstRun() { firstRunController().show(); }

FirstRunWindowController& AppDelegate::firstRunController() {
    if (!firstRun_ || firstRun_->closedForAgent()) {
        // A window that closed itself for the agent may have been shown again since (--first-run
        // while the agent answers): it goes before its successor comes.
        if (firstRun_) firstRun_->window().close();
        firstRun_ = std::make_unique<FirstRunWindowController>(
            *model_, LocalChecks::run(), LocalChecks::isLaptop(),
            QString::fromStdString(LocalChecks::ghLogin().value_or(std::string())));
        addActions(firstRun_->window());
    }
    return *firstRun_;
}

AppWindowController& AppDelegate::settingsController() {
    if (!settings_) {
        settings_ = std::make_unique<AppWindowController>(*model_, *environment_.defaults);
        addActions(settings_->window());
    }
    return *settings_;
}

void AppDelegate::openSettings(const std::optional<std::string>& pane) {
    AppWindowController& settings = settingsController();
    settings.show();
    if (const std::optional<AppPane> named = AppRules::paneNamed(pane)) settings.select(*named);
}

void AppDelegate::showSettings() { openSettings(std::nullopt); }

void AppDelegate::buildActions() {
    settingsAction_.setText(QStringLiteral("Settings…"));
    settingsAction_.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(&settingsAction_, &QAction::triggered, this, &AppDelegate::showSettings);
    quitAction_.setText(QStringLiteral("Quit Quillmarsh"));
    quitAction_.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(&quitAction_, &QAction::triggered, this, [] { QCoreApplication::quit(); });
}

void AppDelegate::addActions(QWidget& window) {
    window.addAction(&settingsAction_);
    window.addAction(&quitAction_);
}

} // namespace quillmarsh
