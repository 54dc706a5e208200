#pragma once

#include <unistd.h>

#include <utility>

namespace quillmarsh {

// Sole owner of one file descriptor: closed when the owner goes, or at reset(). Move-only, so a
// descriptor is closed exactly once, also on every early return and exception.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Gives the descriptor up without closing it (to a new owner, or across exec).
    int release() noexcept { return std::exchange(fd_, -1); }

    // Closes the descriptor held, if any, and holds fd instead. close() is not retried on EINTR:
    // on Linux the descriptor is gone either way, and a retry could close a reused number.
    void reset(int fd = -1) noexcept {
        const int old = std::exchange(fd_, fd);
        if (old >= 0) ::close(old);
    }

    // Closes the descriptor now, for a caller that reports close(2)'s answer (some file systems
    // report a failed write only there): false with errno set when it failed. Empty afterwards
    // either way; true when nothing was held.
    bool close() noexcept {
        const int old = release();
        return old < 0 || ::close(old) == 0;
    }

private:
    int fd_ = -1;
};

} // namespace quillmarsh
