#pragma once

#include "Model/Clock.h"

namespace quillmarsh {

// The real clock: the system time, the system time zone and QTimer.
class SystemClock final : public Clock {
public:
    Date now() const override;
    Calendar calendar() const override;
    std::unique_ptr<Timer> repeat(double seconds, std::function<void()> fire) override;
};

} // namespace quillmarsh
