#pragma once

#include "App/ScreenshotPlan.h"

#include <QObject>
#include <QString>

class QWidget;

#include <functional>
#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;
class AppWindowController;

// --screenshots FOLDER: pictures of the settings window, one per pane in sidebar order and one of
// a job's detail, and one of the first-run window, then the app quits. A chain of delayed steps on the main thread: prepare the
// model as an open window would and wait for the account's avatar, then for each pane select it,
// wait, wait for its data while the agent answers, draw the window at twice its size and write
// the PNG; the first-run window last, on the same renderer. Each picture is committed whole (a temporary file renamed into place) before its
// "wrote" line goes to standard output; a picture that cannot be drawn or written is logged on
// standard error, and the app then ends with status 1 once the chain is done.
class ScreenshotMode final : public QObject {
    Q_OBJECT

public:
    struct Environment {
        // The settings window's controller, made on first use without showing the window.
        std::function<AppWindowController&()> settings;
        // The first-run window, made on first use without showing it.
        std::function<QWidget&()> firstRun;
        std::function<void(const std::string&)> print;  // a line on standard output, flushed
        std::function<void(int status)> quit;           // ends the app with that status
    };

    ScreenshotMode(AppModel& model, QString folder, Environment environment, QObject* parent = nullptr);

    // Prepares the model and starts the chain.
    void start();

private:
    void waitForAvatar(int waited);
    void writeStep(int step);
    void writePane(AppPane pane, int next, int waited);
    void writeJobDetail();
    void writeFirstRun();
    // Draws the window and commits it as folder/name; false, logged, when it cannot.
    bool writePicture(QWidget& window, const std::string& name);
    void after(std::chrono::milliseconds delay, std::function<void()> step);

    AppModel& model_;
    QString folder_;
    Environment environment_;
    bool failed_ = false;
};

} // namespace quillmarsh
