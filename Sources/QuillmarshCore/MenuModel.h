#pragma once

#include "Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// The menu's and windows' wording: pure static functions of records, time, calendar and locale.
class MenuModel {
public:
    // RFC 3339 reader: "yyyy-MM-ddTHH:mm:ss" with optional fractional seconds (any number of
    // digits, kept to the millisecond), then "Z" or "±hh:mm". A date without a time fails.
    static std::optional<Date> parseRFC3339(std::string_view text);
    // RFC 3339 writer: whole seconds (floored), UTC written as Z.
    static std::string rfc3339(Date date);
};

} // namespace quillmarsh
