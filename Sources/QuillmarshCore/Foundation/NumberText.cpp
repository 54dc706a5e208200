#include "Foundation/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace quillmarsh {

std::string NumberText::integer(std::int64_t value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string NumberText::fixed(double value, int fractionDigits) {
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, fractionDigits);
    if (result.ec != std::errc()) return shortest(value);
    return std::string(buffer, result.ptr);
}

std::string NumberText::shortest(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string NumberText::shortestWithFraction(double value) {
    if (!std::isfinite(value)) return shortest(value);
    // Fixed notation: the plain shortest form would write round values with an exponent
    // (1700000000 as "1.7e+09").
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
}

std::int64_t NumberText::roundHalfAwayFromZero(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = std::round(value);
    if (rounded >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
    if (rounded <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(rounded);
}

} // namespace quillmarsh
