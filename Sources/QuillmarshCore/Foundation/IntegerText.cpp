#include "Foundation/IntegerText.h"

#include <charconv>

namespace quillmarsh {

std::optional<std::int64_t> IntegerText::parse(std::string_view text, int base) {
    // from_chars takes "-" but not "+".
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    const bool negative = !text.empty() && text.front() == '-';
    if (text.size() == (negative ? 1u : 0u)) return std::nullopt;
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc() || rest != end) return std::nullopt;
    return value;
}

std::optional<std::int64_t> IntegerText::parseDigits(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    return parse(text);
}

} // namespace quillmarsh
