#pragma once

#include "Update/UpdateState.h"

#include <functional>
#include <optional>
#include <string>

namespace quillmarsh {

// What the model uses of the self-updater.
class UpdaterPort {
public:
    using OnChange = std::function<void(const UpdateState&)>;

    virtual ~UpdaterPort() = default;
    // Starts the updater's own timers (a copy outside a bundle does nothing).
    virtual void start() = 0;
    // Replaces the callback that the updater calls on the main thread with each new state.
    virtual void setOnChange(OnChange onChange) = 0;
    // Installs a ready, staged update; nothing in any other state.
    virtual void install() = 0;
    // The download base.
    virtual std::string base() const = 0;
    // The running app's version; none outside a bundle.
    virtual std::optional<std::string> currentVersion() const = 0;
    // Starts an update check (the updater decides whether one may run now).
    virtual void check() = 0;
};

} // namespace quillmarsh
