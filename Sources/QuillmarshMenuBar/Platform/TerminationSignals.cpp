#include "Platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace quillmarsh {

namespace {

// The pipe's ends; the handler reaches them through these.
int readEnd = -1;
int writeEnd = -1;

constexpr int handled[] = {SIGTERM, SIGINT};

void onSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (readEnd >= 0) throw std::logic_error("TerminationSignals: one per process");
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("TerminationSignals: pipe failed");
    readEnd = fds[0];
    writeEnd = fds[1];
    notifier_ = std::make_unique<QSocketNotifier>(readEnd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPending);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : handled) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (int signal : handled) std::signal(signal, SIG_DFL);
    notifier_.reset();
    ::close(readEnd);
    ::close(writeEnd);
    readEnd = writeEnd = -1;
}

void TerminationSignals::readPending() {
    unsigned char bytes[16];
    for (;;) {
        const ssize_t got = ::read(readEnd, bytes, sizeof bytes);
        if (got > 0) {
            for (ssize_t i = 0; i < got; ++i) emit received(bytes[i]);
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return;  // empty (EAGAIN) or closed
    }
}

} // namespace quillmarsh
