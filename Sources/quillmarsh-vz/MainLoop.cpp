#include "MainLoop.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace quillmarsh {

struct MainLoop::Queue {
    std::mutex mutex;
    std::deque<Block> blocks;
    UniqueFd wakeFd;
    bool open = true;

    void push(Block block) {
        std::lock_guard lock(mutex);
        if (!open) return;
        blocks.push_back(std::move(block));
        std::uint64_t one = 1;
        // A full counter still leaves the descriptor readable, so a failed write loses nothing.
        [[maybe_unused]] auto n = ::write(wakeFd.get(), &one, sizeof one);
    }
};

namespace {
bool later(const auto& a, const auto& b) {
    return a.due != b.due ? a.due > b.due : a.seq > b.seq;
}
} // namespace

MainLoop::MainLoop() : queue_(std::make_shared<Queue>()) {
    queue_->wakeFd.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!queue_->wakeFd) throw std::system_error(errno, std::generic_category(), "eventfd");
}

MainLoop::~MainLoop() {
    // Under the lock: a poster on another thread that still holds the queue writes to no descriptor
    // once it is closed.
    std::lock_guard lock(queue_->mutex);
    queue_->open = false;
    queue_->blocks.clear();
    queue_->wakeFd.reset();
}

void MainLoop::blockSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : stopSignals) sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    ignoreWriteSignals();
}

void MainLoop::ignoreWriteSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

std::int64_t MainLoop::nowMs() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void MainLoop::after(std::int64_t delayMs, Block block) {
    std::int64_t now = nowMs();
    std::int64_t due = delayMs <= 0 ? now : (delayMs > INT64_MAX - now ? INT64_MAX : now + delayMs);
    timers_.push_back(Timer{due, nextSeq_++, std::move(block)});
    std::push_heap(timers_.begin(), timers_.end(), [](auto& a, auto& b) { return later(a, b); });
}

void MainLoop::onSignal(int signal, Block block) {
    signalBlocks_[signal] = std::move(block);
    sigset_t set;
    sigemptyset(&set);
    for (auto& [sig, _] : signalBlocks_) sigaddset(&set, sig);
    // The signals must stay blocked so that they queue on the descriptor instead of acting.
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // The first call makes the descriptor; later ones change its set in place and return it again.
    int fd = ::signalfd(signalFd_.get(), &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "signalfd");
    if (!signalFd_) signalFd_.reset(fd);
}

EventLoop::Poster MainLoop::poster() {
    std::weak_ptr<Queue> weak = queue_;
    return [weak](Block block) {
        if (auto queue = weak.lock()) queue->push(std::move(block));
    };
}

void MainLoop::watch(int fd, Block block) { watched_[fd] = std::make_shared<Block>(std::move(block)); }

void MainLoop::unwatch(int fd) { watched_.erase(fd); }

void MainLoop::watchWritable(int fd, Block block) { writable_[fd] = std::make_shared<Block>(std::move(block)); }

void MainLoop::unwatchWritable(int fd) { writable_.erase(fd); }

void MainLoop::stop() { stopped_ = true; }

void MainLoop::runDue() {
    auto cmp = [](auto& a, auto& b) { return later(a, b); };
    std::int64_t now = nowMs();
    while (!stopped_ && !timers_.empty() && timers_.front().due <= now) {
        std::pop_heap(timers_.begin(), timers_.end(), cmp);
        Block block = std::move(timers_.back().block);
        timers_.pop_back();
        block();
    }
}

void MainLoop::drainQueue() {
    std::uint64_t count;
    [[maybe_unused]] auto n = ::read(queue_->wakeFd.get(), &count, sizeof count);
    std::deque<Block> blocks;
    {
        std::lock_guard lock(queue_->mutex);
        blocks.swap(queue_->blocks);
    }
    for (auto& block : blocks) {
        if (stopped_) break;
        block();
    }
}

void MainLoop::readSignals() {
    signalfd_siginfo info{};
    while (::read(signalFd_.get(), &info, sizeof info) == ssize_t(sizeof info)) {
        auto found = signalBlocks_.find(int(info.ssi_signo));
        if (found != signalBlocks_.end()) {
            Block block = found->second;
            block();
        }
    }
}

void MainLoop::run() {
    stopped_ = false;
    std::vector<pollfd> fds;
    while (!stopped_) {
        fds.clear();
        fds.push_back({queue_->wakeFd.get(), POLLIN, 0});
        // The signal descriptor may appear while this round's handlers run: remember where it was.
        int polledSignalFd = signalFd_.get();
        if (polledSignalFd >= 0) fds.push_back({polledSignalFd, POLLIN, 0});
        std::size_t firstWatched = fds.size();
        for (auto& [fd, _] : watched_) fds.push_back({fd, POLLIN, 0});
        std::size_t firstWritable = fds.size();
        for (auto& [fd, _] : writable_) fds.push_back({fd, POLLOUT, 0});
        int timeout = -1;
        if (!timers_.empty()) {
            std::int64_t wait = timers_.front().due - nowMs();
            timeout = wait <= 0 ? 0 : int(std::min<std::int64_t>(wait, 60000));
        }
        int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
        if (ready > 0) {
            if (fds[0].revents) drainQueue();
            if (!stopped_ && polledSignalFd >= 0 && fds[1].revents) readSignals();
            for (std::size_t i = firstWatched; i < fds.size() && !stopped_; ++i) {
                if (!fds[i].revents) continue;
                auto& blocks = i < firstWritable ? watched_ : writable_;
                auto found = blocks.find(fds[i].fd);
                if (found == blocks.end()) continue; // unwatched by an earlier handler
                auto block = found->second;          // keeps the block alive while it runs
                (*block)();
            }
        }
        runDue();
    }
}

} // namespace quillmarsh
