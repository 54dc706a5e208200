#include "Time/RFC3339.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(RFC3339Test, ReadsWithAndWithoutFractionalSeconds) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> ms;
    } cases[] = {
        {"1970-01-01T00:01:00Z", 60000},
        {"1970-01-01T00:01:00.25Z", 60250},
        {"1970-01-01T00:01:00.123456789Z", 60123},
        {"1970-01-01T01:01:00+01:00", 60000},
        {"1969-12-31T23:01:00-01:00", 60000},
        // Offsets run from -23:59 to +23:59; "-00:00" is UTC, and only an upper-case "Z" is.
        {"1970-01-02T00:00:00+23:59", 60000},
        {"1969-12-31T00:02:00-23:59", 60000},
        {"1970-01-01T00:01:00-00:00", 60000},
        {"1970-01-01T00:01:00z", std::nullopt},
        {"1970-01-01T00:01:00+24:00", std::nullopt},
        {"1970-01-01T00:01:00-99:99", std::nullopt},
        {"1970-01-01T00:01:00+23:60", std::nullopt},
        {"1970-01-01T00:01:00+0100", std::nullopt},
        {"2001-01-01T00:00:00Z", 978307200000},
        {"0001-01-01T00:00:00Z", -62135596800000},
        {"9999-12-31T23:59:59Z", 253402300799000},
        {"2024-02-29T12:00:00Z", 1709208000000},
        {"2023-02-29T12:00:00Z", std::nullopt},
        {"2024-01-01", std::nullopt},
        {"2024-01-01T00:00:00", std::nullopt},
        {"2024-01-01T00:00:00.Z", std::nullopt},
        {"2024-01-01T24:00:00Z", std::nullopt},
        {"2024-01-01T00:00:00Zx", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto date = RFC3339::parse(c.text);
        if (!c.ms) {
            EXPECT_FALSE(date) << c.text;
        } else {
            ASSERT_TRUE(date) << c.text;
            EXPECT_EQ(date->millisecondsSince1970(), *c.ms) << c.text;
        }
    }
}

TEST(RFC3339Test, WritesWholeSecondsInUTC) {
    EXPECT_EQ(RFC3339::format(Date::fromMilliseconds(60999)), "1970-01-01T00:01:00Z");
    EXPECT_EQ(RFC3339::format(Date::fromMilliseconds(-1)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(RFC3339::format(Date::referenceDate()), "2001-01-01T00:00:00Z");
    EXPECT_EQ(RFC3339::format(*RFC3339::parse("0001-01-01T00:00:00Z")), "0001-01-01T00:00:00Z");
}
