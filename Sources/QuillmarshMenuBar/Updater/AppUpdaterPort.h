#pragma once

#include "Updater/AppUpdater.h"
#include "Updater/UpdaterPort.h"

namespace quillmarsh {

// The app's self-updater as the model uses it.
class AppUpdaterPort final : public UpdaterPort {
public:
    explicit AppUpdaterPort(AppUpdater& updater) : updater_(updater) {}

    void start() override { updater_.start(); }
    void setOnChange(OnChange onChange) override { updater_.onChange = std::move(onChange); }
    void install() override { updater_.install(); }
    std::string base() const override { return updater_.base(); }
    std::optional<std::string> currentVersion() const override { return updater_.currentVersion(); }
    void check() override { updater_.check(); }

    AppUpdater& updater() const { return updater_; }

private:
    AppUpdater& updater_;
};

} // namespace quillmarsh
