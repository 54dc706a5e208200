#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace quillmarsh {

// What the run's state machine needs of a main loop: a monotonic clock, one-shot timers, blocks posted
// from other threads, signal handlers and writes driven by the loop. MainLoop is the real one; tests drive a loop of their own.
class EventLoop {
public:
    using Block = std::function<void()>;
    // Thread-safe way to post a block back to the loop. It stays valid after the loop is gone: blocks
    // posted then are dropped.
    using Poster = std::function<void(Block)>;

    virtual ~EventLoop() = default;
    // Milliseconds on a monotonic clock.
    virtual std::int64_t nowMs() const = 0;
    // Runs `block` on the loop once, `delayMs` from now (0: behind what is already queued).
    virtual void after(std::int64_t delayMs, Block block) = 0;
    // Runs `block` on the loop whenever `signal` arrives.
    virtual void onSignal(int signal, Block block) = 0;
    virtual Poster poster() = 0;
    // Runs `block` on the loop whenever `fd` can take more bytes (or its peer has gone), until
    // unwatchWritable: a write that would block waits for this instead of holding the loop.
    virtual void watchWritable(int fd, Block block) = 0;
    virtual void unwatchWritable(int fd) = 0;
    void post(Block block) { poster()(std::move(block)); }
};

} // namespace quillmarsh
