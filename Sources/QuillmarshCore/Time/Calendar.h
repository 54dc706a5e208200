#pragma once

#include "Time/Date.h"

#include <unicode/calendar.h>

#include <memory>
#include <optional>
#include <string>


namespace quillmarsh {

// The Gregorian calendar in one time zone. Wall times skipped by a clock change resolve to
// the next valid time; repeated wall times resolve to the first. Every call works on its own
// clone of the ICU calendar, so a Calendar is a value that can be shared freely.
class Calendar {
public:
    explicit Calendar(const std::string& timeZoneId);  // unknown ids give GMT, as ICU does
    static Calendar utc() { return Calendar("UTC"); }
    Calendar(const Calendar& other);
    Calendar& operator=(const Calendar& other);
    Calendar(Calendar&&) noexcept;
    Calendar& operator=(Calendar&&) noexcept;
    ~Calendar();

    struct Components {
        int year = 1;
        int month = 1;   // 1…12
        int day = 1;     // 1…31
        int hour = 0;
        int minute = 0;
        int second = 0;
        int weekday = 1; // 1 = Sunday … 7 = Saturday
        bool operator==(const Components&) const = default;
    };

    std::string timeZoneId() const;
    Components components(Date date) const;

    // The date for a wall time; none when ICU cannot resolve it.
    std::optional<Date> date(int year, int month, int day, int hour, int minute, int second) const;
    // The first moment of date's day.
    Date startOfDay(Date date) const;
    // The given wall time on date's day (the day's start with the hour set), skipped times
    // moving forward; none when no such time exists.
    std::optional<Date> bySettingHour(int hour, int minute, int second, Date day) const;
    // date moved by whole calendar days, keeping its wall time where it exists.
    std::optional<Date> byAddingDays(int days, Date date) const;
    bool isSameDay(Date a, Date b) const;
    // Whole calendar days from a's day to b's day (negative when b is earlier).
    int daysBetween(Date a, Date b) const;

    // A fresh ICU calendar for formatters (owned by the caller).
    std::unique_ptr<icu::Calendar> makeICU() const;

private:
    std::unique_ptr<icu::Calendar> calendar_;
};

} // namespace quillmarsh
