#pragma once

#include <cstdint>
#include <string>

namespace quillmarsh {

// Locale-free number texts (std::to_chars; never printf, since the app calls setlocale).
class NumberText {
public:
    static std::string integer(std::int64_t value);
    // Like "%.Nf": the exact binary value rounded to N fractional digits.
    static std::string fixed(double value, int fractionDigits);
    // The shortest decimal that reads back to the same double ("60.25", "60").
    static std::string shortest(double value);
    // The shortest round-trip decimal in positional notation, always with a fractional part
    // ("60.0", "60.25", "1700000000.0").
    static std::string shortestWithFraction(double value);
    // Rounding half away from zero, saturated to the int64 range (NaN gives 0).
    static std::int64_t roundHalfAwayFromZero(double value);
};

} // namespace quillmarsh
