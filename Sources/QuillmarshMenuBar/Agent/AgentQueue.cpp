#include "Agent/AgentQueue.h"

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
    bool stopping = false;
    bool busy = false;
    std::thread thread;
};

AgentQueue::AgentQueue(std::string label, QObject* context)
    : label_(std::move(label)), port_(context), state_(std::make_shared<State>()) {
    state_->thread = std::thread(&AgentQueue::run, state_, port_.poster());
    // Linux keeps at most 15 bytes of a thread's name.
    pthread_setname_np(state_->thread.native_handle(), label_.substr(0, 15).c_str());
}

AgentQueue::~AgentQueue() {
    // Results not yet delivered are dropped from here on.
    port_.close();
    bool busy = false;
    {
        std::lock_guard lock(state_->mutex);
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

void AgentQueue::run(std::shared_ptr<State> state, Deliver deliver) {
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
