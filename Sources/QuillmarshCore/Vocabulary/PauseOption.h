#pragma once

#include "Foundation/RawValue.h"
#include "Time/Calendar.h"
#include "Time/Date.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// The choices of the menu's Pause submenu; a menu item's tag is the case's index.
enum class PauseOption { oneHour, untilEvening, untilTomorrow, untilResume };

template <>
constexpr auto allCases<PauseOption>() {
    return std::array{PauseOption::oneHour, PauseOption::untilEvening, PauseOption::untilTomorrow,
                      PauseOption::untilResume};
}
constexpr int index(PauseOption option) { return static_cast<int>(option); }
// The option with that index in allCases, none when out of range.
std::optional<PauseOption> pauseOption(int index);

// "For 1 Hour", "Until This Evening", "Until Tomorrow", "Until I Resume".
std::string_view label(PauseOption option);

// The end of a pause chosen now: now + 1 h; today at 18:00 (in the past after 18:00);
// tomorrow at 09:00; none for "Until I Resume" or when the calendar has no such time.
std::optional<Date> until(PauseOption option, Date now, const Calendar& calendar);

// Whether the menu offers the choice now: "Until This Evening" only while its end is
// more than an hour away; every other choice always.
bool isAvailable(PauseOption option, Date now, const Calendar& calendar);

// Which choice a running pause matches, for the Pause submenu's check mark: none when not
// paused; "Until I Resume" without a readable end; today at 18:00 is the evening; 09:00 today
// is "For 1 Hour", 09:00 another day is "Until Tomorrow"; any other end is "For 1 Hour".
std::optional<PauseOption> inForce(bool paused, const std::optional<std::string>& until, Date now,
                                   const Calendar& calendar);

} // namespace quillmarsh
