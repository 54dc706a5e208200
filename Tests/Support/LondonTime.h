#pragma once

#include "Time/Calendar.h"
#include "Time/Date.h"

namespace quillmarsh::test {

// The calendar most wording tests read times in: Europe/London, which has a summer time, so a test
// can cross a clock change.
inline const Calendar& london() {
    static const Calendar calendar("Europe/London");
    return calendar;
}

// A wall-clock time in London.
inline Date londonTime(int year, int month, int day, int hour, int minute, int second = 0) {
    return *london().date(year, month, day, hour, minute, second);
}

} // namespace quillmarsh::test
