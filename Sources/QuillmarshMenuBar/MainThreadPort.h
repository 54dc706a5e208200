#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>

namespace quillmarsh {

// Hands functions from any thread to a QObject's thread, as queued calls in posting order.
// Once the port is destroyed (or closed), later posts are dropped, so background work that
// outlives its owner never touches it.
class MainThreadPort {
public:
    explicit MainThreadPort(QObject* target) : state_(std::make_shared<State>()) { state_->target = target; }
    ~MainThreadPort() { close(); }
    MainThreadPort(const MainThreadPort&) = delete;
    MainThreadPort& operator=(const MainThreadPort&) = delete;

    void close() {
        std::lock_guard lock(state_->mutex);
        state_->target = nullptr;
    }

    // A copyable poster for background work to keep.
    std::function<void(std::function<void()>)> poster() const {
        return [state = state_](std::function<void()> apply) {
            std::lock_guard lock(state->mutex);
            if (state->target != nullptr) {
                QMetaObject::invokeMethod(state->target, std::move(apply), Qt::QueuedConnection);
            }
        };
    }

private:
    struct State {
        std::mutex mutex;
        QObject* target = nullptr;
    };
    std::shared_ptr<State> state_;
};

} // namespace quillmarsh
