#include "App/ScreenshotMode.h"

#include "Model/AppModel.h"
#include "Settings/AppWindowController.h"
#include "Settings/PaneSelection.h"
#include "Settings/Rendering.h"
#include "Settings/SettingsWindow.h"

#include <QBuffer>
#include <QDir>
#include <QSaveFile>
#include <QTimer>

namespace quillmarsh {

ScreenshotMode::ScreenshotMode(AppModel& model, QString folder, Environment environment, QObject* parent)
    : QObject(parent), model_(model), folder_(std::move(folder)), environment_(std::move(environment)) {}

void ScreenshotMode::start() {
    environment_.settings();
    // The data an open window would ask for.
    model_.prepareWindow();
    waitForAvatar(0);
}

// Precise, so no step comes before its delay is over (a coarse timer may fire 5 % early).
void ScreenshotMode::after(std::chrono::milliseconds delay, std::function<void()> step) {
    QTimer::singleShot(delay, Qt::PreciseTimer, this, std::move(step));
}

void ScreenshotMode::waitForAvatar(int waited) {
    if (!model_.avatar() && model_.agentAvailable() && waited < ScreenshotPlan::avatarRounds) {
        after(ScreenshotPlan::roundDelay, [this, waited] { waitForAvatar(waited + 1); });
        return;
    }
    writeStep(0);
}

void ScreenshotMode::writeStep(int step) {
    // A folder that cannot be made shows as failed writes.
    QDir().mkpath(folder_);
    if (step == ScreenshotPlan::firstRunStep) {
        writeFirstRun();
        return;
    }
    const std::optional<AppPane> pane = ScreenshotPlan::paneAt(step);
    if (!pane) {
        environment_.quit(failed_ ? 1 : 0);
        return;
    }
    AppWindowController& settings = environment_.settings();
    model_.setVisiblePane(*pane);
    settings.select(*pane);
    if (step == ScreenshotPlan::jobDetailStep) {
        writeJobDetail();
        return;
    }
    after(ScreenshotPlan::selectDelay(*pane), [this, pane = *pane, step] { writePane(pane, step + 1, 0); });
}

void ScreenshotMode::writePane(AppPane pane, int next, int waited) {
    const ScreenshotPlan::Loaded loaded{model_.windowJobs().has_value(),
                                        model_.fleet().has_value() || model_.fleetProblem().has_value(),
                                        model_.caches().has_value()};
    if (!ScreenshotPlan::isReady(pane, loaded) && model_.agentAvailable() && waited < ScreenshotPlan::dataRounds) {
        after(ScreenshotPlan::roundDelay, [this, pane, next, waited] { writePane(pane, next, waited + 1); });
        return;
    }
    after(waited == 0 ? std::chrono::milliseconds(0) : ScreenshotPlan::settleDelay, [this, pane, next] {
        const std::string name = ScreenshotPlan::fileName(pane);
        if (writePicture(environment_.settings().window(), name)) {
            const SettingsWindow& window = environment_.settings().window();
            environment_.print(ScreenshotPlan::paneLine(name, window.width(), window.height()));
        }
        writeStep(next);
    });
}

void ScreenshotMode::writeJobDetail() {
    AppWindowController& settings = environment_.settings();
    const std::optional<JobRow> row =
        ScreenshotPlan::detailRow(model_.paneJobs(), model_.host(), model_.clock().now(), model_.clock().calendar());
    if (!row) {
        writeStep(ScreenshotPlan::firstRunStep);
        return;
    }
    settings.selection().setOpened(*row);
    settings.selection().setJob(row->id);
    after(ScreenshotPlan::detailDelay, [this, id = row->id] {
        if (writePicture(environment_.settings().window(), ScreenshotPlan::jobDetailFile))
            environment_.print(ScreenshotPlan::jobDetailLine(id));
        environment_.settings().selection().setJob(std::nullopt);
        writeStep(ScreenshotPlan::firstRunStep);
    });
}

void ScreenshotMode::writeFirstRun() {
    QWidget& window = environment_.firstRun();
    if (writePicture(window, ScreenshotPlan::firstRunFile))
        environment_.print(ScreenshotPlan::paneLine(ScreenshotPlan::firstRunFile, window.width(), window.height()));
    writeStep(ScreenshotPlan::lastStep);
}

bool ScreenshotMode::writePicture(QWidget& window, const std::string& name) {
    const QString path = QDir(folder_).filePath(QString::fromStdString(name));
    const std::optional<QImage> image = Rendering::bitmap(window, ScreenshotPlan::scale);
    QByteArray png;
    QBuffer buffer(&png);
    if (!image || !buffer.open(QIODevice::WriteOnly) || !image->save(&buffer, "PNG")) {
        qWarning("Quillmarsh: could not draw %s", qPrintable(path));
        failed_ = true;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit()) {
        qWarning("Quillmarsh: could not write %s: %s", qPrintable(path), qPrintable(file.errorString()));
        failed_ = true;
        return false;
    }
    return true;
}

} // namespace quillmarsh
