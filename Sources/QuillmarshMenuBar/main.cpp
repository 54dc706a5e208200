// Quillmarsh: the menu-bar app. One-shot modes print to standard output and end the process;
// anything else starts the app.
#include "Agent/AgentClient.h"
#include "Agent/Probe.h"
#include "App/AppDelegate.h"
#include "App/LaunchOptions.h"
#include "Platform/ReopenChannel.h"
#include "Platform/TerminationSignals.h"
#include "Updater/UpdateModes.h"

#include <QApplication>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
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

    // The app. Its settings are QSettings of this organisation and application:
    // $XDG_CONFIG_HOME/Quillmarsh/Quillmarsh.conf (else ~/.config/…).
    QApplication::setOrganizationName(QStringLiteral("Quillmarsh"));
    QApplication::setApplicationName(QStringLiteral("Quillmarsh"));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmarsh.app"));
    QApplication app(argc, argv);
    // A tray app lives on with no window open; closing an alert must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // SIGTERM and SIGINT quit as the menu's "Quit" does, so a staged update still installs. Set
    // up before anything announces that the app runs.
    quillmarsh::TerminationSignals terminations;
    QObject::connect(&terminations, &quillmarsh::TerminationSignals::received, &app, [] { QCoreApplication::quit(); });

    // --dock changes nothing: there is no Dock, and windows always get a task-bar entry.
    const LaunchOptions options = LaunchOptions::parse(arguments);

    // A plain launch while the app already runs for this agent hands over to it: that one reopens.
    const std::string socketPath = quillmarsh::AgentClient::defaultSocketPath();
    const QString channelName = quillmarsh::ReopenChannel::serverName(socketPath);
    quillmarsh::ReopenChannel channel;
    if (!options.isDevelopment()) {
        if (quillmarsh::ReopenChannel::askToReopen(channelName)) return 0;
        if (!channel.listen(channelName))
            qWarning("Quillmarsh: a second launch cannot reach this app (%s): %s", qPrintable(channelName),
                     qPrintable(channel.errorString()));
    }

    quillmarsh::AppDelegate::Environment environment;
    environment.socketPath = socketPath;
    quillmarsh::AppDelegate delegate(options, std::move(environment));
    QObject::connect(&channel, &quillmarsh::ReopenChannel::reopenRequested, &delegate,
                     &quillmarsh::AppDelegate::applicationShouldHandleReopen);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &quillmarsh::AppDelegate::applicationWillTerminate);

    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
