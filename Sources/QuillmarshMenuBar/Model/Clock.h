#pragma once

#include "Time/Calendar.h"
#include "Time/Date.h"

#include <functional>
#include <memory>

namespace quillmarsh {

// Where the model reads the time and gets its repeating timers, so tests drive both.
class Clock {
public:
    // A repeating timer; destroying it stops it.
    class Timer {
    public:
        virtual ~Timer() = default;
    };

    virtual ~Clock() = default;
    virtual Date now() const = 0;
    // The user's current calendar (the system time zone).
    virtual Calendar calendar() const = 0;
    // Calls fire on the calling thread's event loop every interval seconds, also while a menu
    // is being tracked, until the returned timer is destroyed.
    virtual std::unique_ptr<Timer> repeat(double seconds, std::function<void()> fire) = 0;
};

} // namespace quillmarsh
