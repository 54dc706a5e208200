#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillmarsh {

// Strict integers within the int64 range, locale-free. Nothing else is accepted: no white space,
// no "0x", no trailing characters, no empty text; out of range gives none.
class IntegerText {
public:
    // An optional "+" or "-", then one or more ASCII digits of the base (10, or 16 with a-f in
    // either case).
    static std::optional<std::int64_t> parse(std::string_view text, int base = 10);
    // One or more ASCII digits and nothing else (no sign).
    static std::optional<std::int64_t> parseDigits(std::string_view text);
};

} // namespace quillmarsh
