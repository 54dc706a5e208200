#include "Agent/AgentQueue.h"

#include <QMetaObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace quillmarsh {

struct AgentQueue::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Item> items;
    QObject* context = nullptr;  // none once the queue is gone: results are dropped
    bool stopping = false;
    bool busy = false;
    std::thread thread;
};

AgentQueue::AgentQueue(std::string label, QObject* context)
    : label_(std::move(label)), state_(std::make_shared<State>()) {
    state_->context = context;
    state_->thread = std::thread(&AgentQueue::run, state_);
    // Linux keeps at most 15 bytes of a thread's name.
    pthread_setname_np(state_->thread.native_handle(), label_.substr(0, 15).c_str());
}

AgentQueue::~AgentQueue() {
    bool busy = false;
    {
        std::lock_guard lock(state_->mutex);
        state_->context = nullptr;
        state_->stopping = true;
        state_->items.clear();
        busy = state_->busy;
    }
    state_->wake.notify_all();
    if (busy) state_->thread.detach();
    else state_->thread.join();
}

void AgentQueue::post(std::function<void()> work) {
    submit([work = std::move(work)](const Deliver&) { work(); });
}

void AgentQueue::submit(Item item) {
    ++posted_;
    {
        std::lock_guard lock(state_->mutex);
        state_->items.push_back(std::move(item));
    }
    state_->wake.notify_one();
}

void AgentQueue::run(std::shared_ptr<State> state) {
    const Deliver deliver = [state](std::function<void()> apply) {
        std::lock_guard lock(state->mutex);
        if (state->context == nullptr) return;
        QMetaObject::invokeMethod(state->context, std::move(apply), Qt::QueuedConnection);
    };
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&] { return state->stopping || !state->items.empty(); });
        if (state->stopping) return;
        Item item = std::move(state->items.front());
        state->items.pop_front();
        state->busy = true;
        lock.unlock();
        item(deliver);
        item = nullptr;  // the item's captures go before the next one starts
        lock.lock();
        state->busy = false;
    }
}

} // namespace quillmarsh
