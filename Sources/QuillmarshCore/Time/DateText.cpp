#include "Time/DateText.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>

#include <memory>

namespace quillmarsh {

namespace {

std::string run(icu::DateFormat* format, Date date, const Calendar& calendar) {
    if (!format) return {};
    std::unique_ptr<icu::DateFormat> owned(format);
    owned->adoptCalendar(calendar.makeICU().release());
    icu::UnicodeString text;
    owned->format(static_cast<UDate>(date.millisecondsSince1970()), text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace

std::string DateText::shortTime(Date date, const Calendar& calendar, const Locale& locale) {
    return run(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale.icu()), date, calendar);
}

std::string DateText::dateStyle(Date date, int style, bool withShortTime, const Calendar& calendar,
                                const Locale& locale) {
    const auto dateStyle = static_cast<icu::DateFormat::EStyle>(style);
    icu::DateFormat* format =
        withShortTime ? icu::DateFormat::createDateTimeInstance(dateStyle, icu::DateFormat::kShort, locale.icu())
                      : icu::DateFormat::createDateInstance(dateStyle, locale.icu());
    return run(format, date, calendar);
}

std::string DateText::pattern(Date date, const std::string& pattern, const Calendar& calendar,
                              const Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    auto* format = new icu::SimpleDateFormat(icu::UnicodeString::fromUTF8(pattern), locale.icu(), status);
    if (U_FAILURE(status)) {
        delete format;
        return {};
    }
    return run(format, date, calendar);
}

std::string DateText::bestPattern(const std::string& skeleton, const Locale& locale) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale.icu(), status));
    if (U_FAILURE(status)) return skeleton;
    const icu::UnicodeString best = generator->getBestPattern(icu::UnicodeString::fromUTF8(skeleton), status);
    if (U_FAILURE(status)) return skeleton;
    std::string out;
    best.toUTF8String(out);
    return out;
}

std::string DateText::localizedTemplate(Date date, const std::string& skeleton, const Calendar& calendar,
                                        const Locale& locale) {
    return pattern(date, bestPattern(skeleton, locale), calendar, locale);
}

} // namespace quillmarsh
