#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace quillmarsh::test {

// A FIFO with no writer, for code that must not wait on one. Should the code under test block in
// open() all the same, a watchdog fails the test after a long grace, then keeps opening the FIFO
// for writing and closing it again until the object goes: each blocked reader gets end of file,
// so the test ends on its results instead of hanging.
class Fifo {
public:
    explicit Fifo(std::string path) : path_(std::move(path)) {
        if (::mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed for " + path_);
        watchdog_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (gone_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; })) return;
            ADD_FAILURE() << "something waited on the FIFO " << path_;
            do {
                const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) ::close(fd);
            } while (!gone_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; }));
        });
    }
    ~Fifo() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        gone_.notify_all();
        watchdog_.join();
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::mutex mutex_;
    std::condition_variable gone_;
    bool done_ = false;
    std::thread watchdog_;
};

} // namespace quillmarsh::test
