#pragma once

#include <cstdint>
#include <limits>

namespace quillmarsh {

// Arithmetic on agent-supplied integers: results clamp to the int64 range instead of overflowing.
class Saturating {
public:
    static constexpr std::int64_t add(std::int64_t a, std::int64_t b) {
        std::int64_t out;
        if (!__builtin_add_overflow(a, b, &out)) return out;
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    static constexpr std::int64_t subtract(std::int64_t a, std::int64_t b) {
        std::int64_t out;
        if (!__builtin_sub_overflow(a, b, &out)) return out;
        return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    }
    static constexpr std::int64_t multiply(std::int64_t a, std::int64_t b) {
        std::int64_t out;
        if (!__builtin_mul_overflow(a, b, &out)) return out;
        return (a < 0) != (b < 0) ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    }
};

} // namespace quillmarsh
