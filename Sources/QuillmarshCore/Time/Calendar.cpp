#include "Time/Calendar.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <cmath>

namespace quillmarsh {

namespace {

std::unique_ptr<icu::Calendar> makeGregorian(const std::string& timeZoneId) {
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone* zone = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZoneId));
    auto calendar = std::make_unique<icu::GregorianCalendar>(zone, icu::Locale::getRoot(), status);
    // Proleptic Gregorian: no Julian switch, as the wire's years 1…9999 expect.
    calendar->setGregorianChange(-INFINITY, status);
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    calendar->setLenient(true);
    return calendar;
}

UDate toUDate(Date date) { return static_cast<UDate>(date.millisecondsSince1970()); }
Date fromUDate(UDate value) { return Date::fromMilliseconds(static_cast<std::int64_t>(std::llround(value))); }

} // namespace

Calendar::Calendar(const std::string& timeZoneId) : calendar_(makeGregorian(timeZoneId)) {}
Calendar::Calendar(const Calendar& other) : calendar_(other.calendar_->clone()) {}
Calendar& Calendar::operator=(const Calendar& other) {
    if (this != &other) calendar_.reset(other.calendar_->clone());
    return *this;
}
Calendar::Calendar(Calendar&&) noexcept = default;
Calendar& Calendar::operator=(Calendar&&) noexcept = default;
Calendar::~Calendar() = default;

std::unique_ptr<icu::Calendar> Calendar::makeICU() const { return std::unique_ptr<icu::Calendar>(calendar_->clone()); }

std::string Calendar::timeZoneId() const {
    icu::UnicodeString id;
    calendar_->getTimeZone().getID(id);
    std::string out;
    id.toUTF8String(out);
    return out;
}

Calendar::Components Calendar::components(Date date) const {
    auto calendar = makeICU();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(date), status);
    Components c;
    c.year = calendar->get(UCAL_EXTENDED_YEAR, status);
    c.month = calendar->get(UCAL_MONTH, status) + 1;
    c.day = calendar->get(UCAL_DATE, status);
    c.hour = calendar->get(UCAL_HOUR_OF_DAY, status);
    c.minute = calendar->get(UCAL_MINUTE, status);
    c.second = calendar->get(UCAL_SECOND, status);
    c.weekday = calendar->get(UCAL_DAY_OF_WEEK, status);
    return c;
}

std::optional<Date> Calendar::date(int year, int month, int day, int hour, int minute, int second) const {
    auto calendar = makeICU();
    UErrorCode status = U_ZERO_ERROR;
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, year);
    calendar->set(UCAL_MONTH, month - 1);
    calendar->set(UCAL_DATE, day);
    calendar->set(UCAL_HOUR_OF_DAY, hour);
    calendar->set(UCAL_MINUTE, minute);
    calendar->set(UCAL_SECOND, second);
    const UDate value = calendar->getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return fromUDate(value);
}

Date Calendar::startOfDay(Date date) const {
    const Components c = components(date);
    return this->date(c.year, c.month, c.day, 0, 0, 0).value_or(date);
}

std::optional<Date> Calendar::bySettingHour(int hour, int minute, int second, Date day) const {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
    const Components c = components(startOfDay(day));
    return date(c.year, c.month, c.day, hour, minute, second);
}

std::optional<Date> Calendar::byAddingDays(int days, Date date) const {
    auto calendar = makeICU();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(date), status);
    calendar->add(UCAL_DATE, days, status);
    const UDate value = calendar->getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return fromUDate(value);
}

bool Calendar::isSameDay(Date a, Date b) const {
    const Components x = components(a);
    const Components y = components(b);
    return x.year == y.year && x.month == y.month && x.day == y.day;
}

int Calendar::daysBetween(Date a, Date b) const {
    auto calendar = makeICU();
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(startOfDay(a)), status);
    const int days = calendar->fieldDifference(toUDate(startOfDay(b)), UCAL_DATE, status);
    return U_FAILURE(status) ? 0 : days;
}

} // namespace quillmarsh
