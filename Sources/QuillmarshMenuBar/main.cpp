// Quillmarsh: the menu-bar app. One-shot modes print to standard output and end the process;
// anything else starts the app.
#include "Agent/AgentClient.h"
#include "Agent/Probe.h"
#include "App/AppDelegate.h"
#include "App/LaunchOptions.h"
#include "App/MessageLog.h"
#include "Platform/InstanceClaim.h"
#include "Platform/ReopenChannel.h"
#include "Platform/RuntimeFolder.h"
#include "Platform/TerminationSignals.h"
#include "Updater/UpdateModes.h"

#include <QApplication>

#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv) {
    // Qt's own messages too start with "Quillmarsh: ", from the first one on.
    quillmarsh::MessageLog::install();
    const std::vector<std::string> arguments(argv + 1, argv + argc);

    // One-shot modes, in this order; the first that applies wins. An option counts only when an
    // argument equals it exactly, wherever it stands.
    using quillmarsh::LaunchOptions;
    if (LaunchOptions::has(arguments, "--probe")) {
        quillmarsh::AgentClient client(quillmarsh::AgentClient::defaultSocketPath());
        return quillmarsh::Probe::run(client, std::cout);
    }
    if (LaunchOptions::has(arguments, "--check-update"))
        return quillmarsh::UpdateModes::checkUpdate(quillmarsh::UpdateModes::processEnvironment(), std::cout);
    if (auto verify = quillmarsh::UpdateModes::verifyArguments(arguments))
        return quillmarsh::UpdateModes::verifyApp(verify->first, verify->second, std::cout);

    // --dock changes nothing: there is no Dock, and windows always get a task-bar entry.
    const LaunchOptions options = LaunchOptions::parse(arguments);
    const std::string socketPath = quillmarsh::AgentClient::defaultSocketPath();

    // A plain launch while the app already runs for this agent hands over to it (that one
    // reopens) before anything of the GUI starts, so that it also works from a terminal without a
    // display. Whether this process is the running app is decided in one step, by a lock it then
    // holds for its life. Launches with a development switch always run as their own process.
    using quillmarsh::InstanceClaim;
    std::optional<InstanceClaim> claim;
    if (!options.isDevelopment()) {
        claim = InstanceClaim::claim(quillmarsh::RuntimeFolder::locate(), ::getuid(), socketPath,
                                     std::chrono::seconds(10));
        switch (claim->outcome) {
        case InstanceClaim::Outcome::handedOver:
            return 0;
        case InstanceClaim::Outcome::noAnswer:
            qWarning("Quillmarsh: %s; this launch ends", claim->error.c_str());
            return 1;
        case InstanceClaim::Outcome::alone:
            qWarning("Quillmarsh: a second launch cannot reach this app, it runs on its own: %s",
                     claim->error.c_str());
            break;
        case InstanceClaim::Outcome::running:
            break;
        }
    }

    // The app. Its settings are QSettings of this organisation and application:
    // $XDG_CONFIG_HOME/Quillmarsh/Quillmarsh.conf (else ~/.config/…).
    QApplication::setOrganizationName(QStringLiteral("Quillmarsh"));
    QApplication::setApplicationName(QStringLiteral("Quillmarsh"));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmarsh.app"));
    QApplication app(argc, argv);
    // A tray app lives on with no window open; closing an alert must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // SIGTERM and SIGINT quit as the menu's "Quit" does, so a staged update still installs. Set
    // up before the channel announces that the app runs.
    quillmarsh::TerminationSignals terminations;
    QObject::connect(&terminations, &quillmarsh::TerminationSignals::received, &app, [] { QCoreApplication::quit(); });

    // Later launches reach this app here; a launch that finds the lock held waits for it.
    std::unique_ptr<quillmarsh::ReopenChannel> channel;
    if (claim && claim->outcome == InstanceClaim::Outcome::running) {
        channel = std::make_unique<quillmarsh::ReopenChannel>(std::move(*claim));
        if (!channel->listen())
            qWarning("Quillmarsh: a second launch cannot reach this app: %s", qPrintable(channel->errorString()));
    }

    quillmarsh::AppDelegate::Environment environment;
    environment.socketPath = socketPath;
    quillmarsh::AppDelegate delegate(options, std::move(environment));
    if (channel)
        QObject::connect(channel.get(), &quillmarsh::ReopenChannel::reopenRequested, &delegate,
                         &quillmarsh::AppDelegate::applicationShouldHandleReopen);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &quillmarsh::AppDelegate::applicationWillTerminate);

    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
