#pragma once

#include <compare>
#include <cstdint>

namespace quillmarsh {

// A point in time with millisecond precision, as milliseconds since 1970-01-01T00:00:00Z.
// Spans far more than the years 1 to 9999 that the wire format can carry. Intervals are
// seconds as double, as the wording rules count them.
class Date {
public:
    constexpr Date() = default;
    static constexpr Date fromMilliseconds(std::int64_t ms) { return Date(ms); }
    static Date fromSecondsSince1970(double seconds);
    // 2001-01-01T00:00:00Z, the platform's reference date.
    static constexpr Date referenceDate() { return Date(978307200000LL); }

    constexpr std::int64_t millisecondsSince1970() const { return ms_; }
    double secondsSince1970() const { return static_cast<double>(ms_) / 1000.0; }

    // Adds seconds, rounded to the millisecond; saturates instead of overflowing.
    Date adding(double seconds) const;
    // self - other, in seconds.
    double timeIntervalSince(Date other) const { return static_cast<double>(ms_ - other.ms_) / 1000.0; }

    constexpr auto operator<=>(const Date&) const = default;

private:
    constexpr explicit Date(std::int64_t ms) : ms_(ms) {}
    std::int64_t ms_ = 0;
};

} // namespace quillmarsh
