#include "Model/SystemClock.h"

#include <QTimeZone>
#include <QTimer>

#include <chrono>
#include <cmath>

namespace quillmarsh {

namespace {

class QtTimer final : public Clock::Timer {
public:
    QtTimer(double seconds, std::function<void()> fire) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(static_cast<int>(std::lround(seconds * 1000.0)));
        QObject::connect(&timer_, &QTimer::timeout, [fire = std::move(fire)] { fire(); });
        timer_.start();
    }

private:
    QTimer timer_;
};

} // namespace

Date SystemClock::now() const {
    using namespace std::chrono;
    return Date::fromMilliseconds(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

Calendar SystemClock::calendar() const {
    return Calendar(QTimeZone::systemTimeZoneId().toStdString());
}

std::unique_ptr<Clock::Timer> SystemClock::repeat(double seconds, std::function<void()> fire) {
    return std::make_unique<QtTimer>(seconds, std::move(fire));
}

} // namespace quillmarsh
