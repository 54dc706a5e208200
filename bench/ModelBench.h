#pragma once

// What the benchmarks of the app's model and its views share: an updater that does nothing, and
// one whole refresh of a model, waited for on a local event loop.
#include "Model/AppModel.h"
#include "Updater/UpdaterPort.h"

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

inline void refreshOnce(AppModel& model) {
    QEventLoop loop;
    auto connection = QObject::connect(&model, &AppModel::tickWillChange, &loop, &QEventLoop::quit,
                                       Qt::QueuedConnection);
    model.refresh();
    loop.exec();
    QObject::disconnect(connection);
}

} // namespace quillmarsh::bench
