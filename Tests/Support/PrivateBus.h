#pragma once

#include "Support/TempFolder.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

#include <sys/types.h>

namespace quillmarsh::test {

// A message bus of the test's own: a dbus-daemon on a socket in a temporary folder, with a
// configuration that lets every client own any name and activates no services, so nothing of
// the machine's session answers on it. The daemon is stopped and reaped when the object goes.
class PrivateBus {
public:
    // Starts the daemon and waits for it to print its address. Throws when it cannot be started.
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // The dbus-daemon on PATH; none when it is not installed (scripts/setup installs it).
    static std::optional<std::string> daemonProgram();

    // "unix:path=…,guid=…"
    const QString& address() const { return address_; }
    // A new client connection to the bus, under a connection name of its own. Every one is
    // closed before the daemon stops.
    QDBusConnection connect(const QString& label);

private:
    TempFolder folder_{"quillmarsh-bus"};
    pid_t pid_ = -1;
    QString address_;
    QStringList connectionNames_;
};

} // namespace quillmarsh::test
