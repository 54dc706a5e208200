#pragma once

#include "EventLoop.h"
#include "Foundation/UniqueFd.h"

#include <csignal>
#include <map>
#include <memory>
#include <vector>

namespace quillmarsh {

// The tool's main loop: poll over registered descriptors, a signalfd for the signals handed to
// onSignal (the caller blocks them with blockSignals before any thread starts), a timer heap on the
// monotonic clock and an eventfd-woken queue for blocks posted from other threads.
class MainLoop final : public EventLoop {
public:
    MainLoop();
    ~MainLoop() override;
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    // The signals that end a long-running command in an orderly way (a run's "cancelled", an
    // install's clean-up) instead of killing the process with its work half done.
    static constexpr int stopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2};

    // Blocks the stop signals for the calling thread (and every thread it starts later), so they
    // wait for the loop, and ignores the write signals (ignoreWriteSignals).
    static void blockSignals();
    // Ignores SIGPIPE and SIGXFSZ for the whole process: a write to a closed socket or pipe, or
    // past the file-size limit (ulimit -f, LimitFSIZE=, quotas), then fails with EPIPE or EFBIG,
    // which the writer handles, instead of ending the process without its last line.
    static void ignoreWriteSignals();

    std::int64_t nowMs() const override;
    void after(std::int64_t delayMs, Block block) override;
    void onSignal(int signal, Block block) override;
    Poster poster() override;

    // Calls `block` on the loop while `fd` is readable (or hung up), until unwatch.
    void watch(int fd, Block block);
    void unwatch(int fd);
    void watchWritable(int fd, Block block) override;
    void unwatchWritable(int fd) override;

    // Runs until stop() (tests) or for good (the tool ends through exit).
    void run();
    void stop();

private:
    struct Queue;
    struct Timer {
        std::int64_t due;
        std::uint64_t seq;
        Block block;
    };
    void runDue();
    void drainQueue();
    void readSignals();

    std::shared_ptr<Queue> queue_;
    UniqueFd signalFd_;
    std::map<int, Block> signalBlocks_;
    std::map<int, std::shared_ptr<Block>> watched_;
    std::map<int, std::shared_ptr<Block>> writable_;
    std::vector<Timer> timers_; // a min-heap on (due, seq)
    std::uint64_t nextSeq_ = 0;
    bool stopped_ = false;
};

} // namespace quillmarsh
