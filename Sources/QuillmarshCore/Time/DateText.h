#pragma once

#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Time/Locale.h"

#include <string>

namespace quillmarsh {

// Date formatting through ICU, a new formatter on every call, in the given calendar
// (its time zone) and locale. Texts are UTF-8 exactly as ICU writes them (ICU 72 puts
// U+202F before "AM"/"PM" in en_US and writes "Sept" in en_GB).
class DateText {
public:
    // The locale's short time style ("14:05", "2:05 PM").
    static std::string shortTime(Date date, const Calendar& calendar, const Locale& locale);
    // The locale's date style: 0 full, 1 long, 2 medium, 3 short; optionally with the short time.
    static std::string dateStyle(Date date, int style, bool withShortTime, const Calendar& calendar,
                                 const Locale& locale);
    // A fixed ICU pattern ("d MMM", "yyyy-MM-dd HH:mm").
    static std::string pattern(Date date, const std::string& pattern, const Calendar& calendar,
                               const Locale& locale);
    // The locale's best pattern for a skeleton ("jmm", "MMMd"), as a localized template.
    static std::string localizedTemplate(Date date, const std::string& skeleton, const Calendar& calendar,
                                         const Locale& locale);
    // The pattern that localizedTemplate would use.
    static std::string bestPattern(const std::string& skeleton, const Locale& locale);
};

} // namespace quillmarsh
