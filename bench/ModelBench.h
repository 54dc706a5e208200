#pragma once

// What the benchmarks of the app's model and its views share: an updater that does nothing, and
// one whole refresh of a model, waited for on a local event loop.
#include "Model/AppModel.h"
#include "Updater/UpdaterPort.h"

#include <QApplication>
#include <QEventLoop>
#include <QObject>

#include <optional>
#include <string>

namespace quillmarsh::bench {

class NoUpdater final : public UpdaterPort {
public:
    void start() override {}
    void setOnChange(OnChange) override {}
    void install() override {}
    std::string base() const override { return "https://downloads.example"; }
    std::optional<std::string> currentVersion() const override { return std::nullopt; }
    void check() override {}
};

// The benchmark program's one application, on the offscreen platform; it lives until the
// process ends.
inline QApplication& offscreenApp() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

inline void refreshOnce(AppModel& model) {
    QEventLoop loop;
    auto connection = QObject::connect(&model, &AppModel::tickWillChange, &loop, &QEventLoop::quit,
                                       Qt::QueuedConnection);
    model.refresh();
    loop.exec();
    QObject::disconnect(connection);
}

} // namespace quillmarsh::bench
