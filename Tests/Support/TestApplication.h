#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QWidget>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace quillmarsh::test {

// The one application object of the test program, made on first use: a QApplication, so the
// widget tests share it, on the offscreen platform unless the environment names another.
inline QCoreApplication& ensureApp() {
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "MenuBarTests";
        static char* argv[] = {name, nullptr};
        // Never destroyed: a QGuiApplication torn down among the exit handlers, after statics it
        // uses are gone, crashes. The pointer stays reachable, so leak checks do not count it.
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
        // Idle pool threads end at once, so the per-thread state that libraries keep (OpenSSL's
        // error queue after an HTTPS client ran there) is released before the program ends.
        QThreadPool::globalInstance()->setExpiryTimeout(0);
    }
    return *QCoreApplication::instance();
}

// The pool belongs to the application object, which is never destroyed, so nothing would join its
// threads: a task still running when the program ends (an identity load that a test no longer
// waits for) would decode an image while the exit handlers tear Qt down, and a thread on its way
// out still holds the per-thread state the leak check then counts. After the last test, before
// main returns, every task is finished and every thread joined.
class ThreadPoolJoin final : public ::testing::Environment {
public:
    void TearDown() override {
        if (QCoreApplication::instance() != nullptr) QThreadPool::globalInstance()->waitForDone();
    }
};
inline ::testing::Environment* const threadPoolJoin = ::testing::AddGlobalTestEnvironment(new ThreadPoolJoin);

// Runs the event loop until done() holds; false when it still does not after a generous limit
// (a guard against a hang, not a timing check).
inline bool spinUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// A left click in the middle of the widget, as the window system delivers it.
inline void click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace quillmarsh::test
