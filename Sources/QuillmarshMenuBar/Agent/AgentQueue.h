#pragma once

#include "MainThreadPort.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace quillmarsh {

// The model's serial agent queue: one worker thread that runs work items one at a time, first
// posted first run, never merged. Each item's result is handed back to the thread of the context
// object with a queued call, so results arrive in the order the items were posted.
//
// Destroying the queue drops the items that have not started and every result not yet delivered.
// A worker that is idle is joined; one that is inside an item (which may wait up to 60 s on the
// agent's socket) is left to finish on its own and never touches the queue's owner again.
class AgentQueue {
public:
    AgentQueue(std::string label, QObject* context);
    ~AgentQueue();
    AgentQueue(const AgentQueue&) = delete;
    AgentQueue& operator=(const AgentQueue&) = delete;

    // The bundle identifier followed by ".agent"; the worker thread carries its first 15 bytes.
    const std::string& label() const { return label_; }

    // Runs work() on the worker, then done(result) on the context's thread.
    template <class Work, class Done>
    void post(Work work, Done done) {
        submit([work = std::move(work), done = std::move(done)](const Deliver& deliver) mutable {
            auto result = std::make_shared<decltype(work())>(work());
            deliver([result, done]() mutable { done(std::move(*result)); });
        });
    }

    // Runs work() on the worker with nothing to hand back.
    void post(std::function<void()> work);

    // How many items were ever posted.
    std::uint64_t posted() const { return posted_; }

private:
    using Deliver = std::function<void(std::function<void()>)>;
    using Item = std::function<void(const Deliver&)>;
    struct State;

    void submit(Item item);
    static void run(std::shared_ptr<State> state, Deliver deliver);

    std::string label_;
    MainThreadPort port_;
    std::shared_ptr<State> state_;
    std::uint64_t posted_ = 0;
};

} // namespace quillmarsh
