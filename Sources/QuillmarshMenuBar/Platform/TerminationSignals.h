#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace quillmarsh {

// SIGTERM and SIGINT as an event of the main thread. The handler only writes the signal's number
// into a pipe (the one thing a handler may safely do); the event loop reads it and emits
// received(), so the app quits through its ordinary path: a staged update still installs. One per
// process; the handlers go back to the defaults when it goes.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signal);

private:
    void readPending();

    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace quillmarsh
