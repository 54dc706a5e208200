#include "Vocabulary/PauseOption.h"

#include "Time/RFC3339.h"

namespace quillmarsh {

std::optional<PauseOption> pauseOption(int index) {
    const auto cases = allCases<PauseOption>();
    if (index < 0 || index >= static_cast<int>(cases.size())) return std::nullopt;
    return cases[static_cast<std::size_t>(index)];
}

std::string_view label(PauseOption option) {
    switch (option) {
    case PauseOption::oneHour: return "For 1 Hour";
    case PauseOption::untilEvening: return "Until This Evening";
    case PauseOption::untilTomorrow: return "Until Tomorrow";
    case PauseOption::untilResume: return "Until I Resume";
    }
    return "Until I Resume";
}

std::optional<Date> until(PauseOption option, Date now, const Calendar& calendar) {
    switch (option) {
    case PauseOption::oneHour: return now.adding(3600);
    case PauseOption::untilEvening: return calendar.bySettingHour(18, 0, 0, calendar.startOfDay(now));
    case PauseOption::untilTomorrow: {
        const auto tomorrow = calendar.byAddingDays(1, calendar.startOfDay(now));
        if (!tomorrow) return std::nullopt;
        return calendar.bySettingHour(9, 0, 0, *tomorrow);
    }
    case PauseOption::untilResume: return std::nullopt;
    }
    return std::nullopt;
}

bool isAvailable(PauseOption option, Date now, const Calendar& calendar) {
    if (option != PauseOption::untilEvening) return true;
    const auto end = until(option, now, calendar);
    return !end || end->timeIntervalSince(now) > 3600;
}

std::optional<PauseOption> inForce(bool paused, const std::optional<std::string>& until, Date now,
                                   const Calendar& calendar) {
    if (!paused) return std::nullopt;
    if (!until || until->empty()) return PauseOption::untilResume;
    const auto end = RFC3339::parse(*until);
    if (!end) return PauseOption::untilResume;
    const Calendar::Components c = calendar.components(*end);
    const bool sameDay = calendar.isSameDay(*end, now);
    if (c.minute == 0 && c.hour == 18 && sameDay) return PauseOption::untilEvening;
    if (c.minute == 0 && c.hour == 9) return sameDay ? PauseOption::oneHour : PauseOption::untilTomorrow;
    return PauseOption::oneHour;
}

} // namespace quillmarsh
