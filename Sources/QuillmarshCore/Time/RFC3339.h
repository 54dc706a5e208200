#pragma once

#include "Time/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// RFC 3339 time stamps, as the agent writes them, in the proleptic Gregorian calendar.
class RFC3339 {
public:
    // Reads "yyyy-MM-ddTHH:mm:ss" with optional fractional seconds (any number of digits, kept to
    // the millisecond), then "Z" or "±hh:mm" (hours 00…23, minutes 00…59). A date without a time,
    // a lower-case "t" or "z", or any other text fails.
    static std::optional<Date> parse(std::string_view text);
    // Writes whole seconds (floored), UTC written as Z.
    static std::string format(Date date);
};

} // namespace quillmarsh
