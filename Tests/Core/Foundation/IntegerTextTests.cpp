#include "Foundation/IntegerText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

using quillmarsh::IntegerText;

TEST(IntegerText, AcceptsOnlyASignThenDigitsWithinRange) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    const struct {
        std::string_view text;
        std::optional<std::int64_t> parsed, digits;
    } cases[] = {
        {"0", 0, 0},
        {"007", 7, 7},
        {"42", 42, 42},
        {"+42", 42, std::nullopt},
        {"-42", -42, std::nullopt},
        {"9223372036854775807", max, max},
        {"-9223372036854775808", min, std::nullopt},
        {"9223372036854775808", std::nullopt, std::nullopt},
        {"-9223372036854775809", std::nullopt, std::nullopt},
        {"99999999999999999999999", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"+", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"+-1", std::nullopt, std::nullopt},
        {"--1", std::nullopt, std::nullopt},
        {" 1", std::nullopt, std::nullopt},
        {"1 ", std::nullopt, std::nullopt},
        {"1.0", std::nullopt, std::nullopt},
        {"0x10", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"٣", std::nullopt, std::nullopt},  // a digit, but not an ASCII one
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IntegerText::parse(c.text), c.parsed) << '"' << c.text << '"';
        EXPECT_EQ(IntegerText::parseDigits(c.text), c.digits) << '"' << c.text << '"';
    }
}

TEST(IntegerText, ReadsHexadecimalInEitherCase) {
    const struct {
        std::string_view text;
        std::optional<std::int64_t> parsed;
    } cases[] = {
        {"1a", 26},
        {"1A", 26},
        {"+ff", 255},
        {"-10", -16},
        {"7fffffffffffffff", std::numeric_limits<std::int64_t>::max()},
        {"-8000000000000000", std::numeric_limits<std::int64_t>::min()},
        {"8000000000000000", std::nullopt},
        {"0x1a", std::nullopt},
        {"1g", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(IntegerText::parse(c.text, 16), c.parsed) << '"' << c.text << '"';
}
