#include "Time/Date.h"

#include <cmath>
#include <limits>

namespace quillmarsh {

namespace {

std::int64_t clampedMilliseconds(double ms) {
    constexpr double lo = static_cast<double>(std::numeric_limits<std::int64_t>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<std::int64_t>::max());
    if (std::isnan(ms)) return 0;
    if (ms <= lo) return std::numeric_limits<std::int64_t>::min();
    if (ms >= hi) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(std::llround(ms));
}

} // namespace

Date Date::fromSecondsSince1970(double seconds) {
    return Date(clampedMilliseconds(seconds * 1000.0));
}

Date Date::adding(double seconds) const {
    return Date(clampedMilliseconds(static_cast<double>(ms_) + seconds * 1000.0));
}

} // namespace quillmarsh
