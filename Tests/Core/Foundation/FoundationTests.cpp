#include "Foundation/DecodeError.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "Foundation/NumberText.h"
#include "Foundation/Saturating.h"
#include "Foundation/Text.h"
#include "Time/Calendar.h"
#include "Time/DateText.h"
#include "Words/MenuModel.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quillmarsh;

TEST(JsonTextTest, RejectsWhatIsNotOneValidValue) {
    for (const char* bad : {"", "{", "{} x", "{\"a\":\"\xff\"}", "[1,]", "nul"}) {
        EXPECT_THROW(JsonText::parse(bad), DecodeError) << bad;
    }
    EXPECT_THROW(JsonText::parse(std::string("1\0", 2)), DecodeError);  // no stop at NUL
    EXPECT_THROW(JsonText::parse(std::string(1000, '[') + std::string(1000, ']')), DecodeError);
    EXPECT_NO_THROW(JsonText::parse(" {\"a\": [1, 2]} \n"));
}

TEST(JsonTextTest, ReadsValuesAsTheReferenceParserDoes) {
    // Texts both parsers must accept, compared value for value with nlohmann's own reading.
    for (const char* good : {R"({"a":1,"a":2})", R"([-0, 0, 9223372036854775807, 9223372036854775808,
            18446744073709551616, -9223372036854775809, 1.5e3, 1E-400, 0.1])",
                             R"("\u00e9\ud83d\ude00\"\\\/\b\f\n\r\t")", "\"caf\xC3\xA9\"", "  true ", "null"}) {
        SCOPED_TRACE(good);
        EXPECT_EQ(JsonText::parse(good), nlohmann::json::parse(good));
    }
    EXPECT_TRUE(JsonText::parse("5").is_number_integer());
    EXPECT_TRUE(JsonText::parse("18446744073709551615").is_number_unsigned());
    EXPECT_TRUE(JsonText::parse("18446744073709551616").is_number_float());
    for (const char* bad : {"01", "1.", ".5", "-", "1e", "+1", "1e400", "-1e400", "\"\\ud800\"", "\"\\udc00x\"",
                            "\"\\u12G4\"", "\"a\tb\"", "\"\\x\"", "{\"a\" 1}", "{1:2}", "[1 2]", "tru", "\"abc"}) {
        EXPECT_THROW(JsonText::parse(bad), DecodeError) << bad;
    }
}

TEST(JsonObjectTest, FieldsAreReadByExactKind) {
    const auto json = JsonText::parse(R"({"s":"x","i":5,"f":5.5,"u":18446744073709551615,"big":9223372036854775807,
        "b":true,"n":null,"l":["a","b"],"o":{"k":1}})");
    const JsonObject o(json, "Test");
    EXPECT_EQ(o.string("s"), "x");
    EXPECT_EQ(o.integer("i"), 5);
    EXPECT_EQ(o.integer("big"), std::numeric_limits<std::int64_t>::max());
    EXPECT_THROW(o.integer("f"), DecodeError);
    EXPECT_THROW(o.integer("u"), DecodeError);
    EXPECT_THROW(o.integer("s"), DecodeError);
    EXPECT_DOUBLE_EQ(o.number("f"), 5.5);
    EXPECT_EQ(o.optionalString("n"), std::nullopt);
    EXPECT_EQ(o.optionalString("missing"), std::nullopt);
    EXPECT_THROW(o.string("n"), DecodeError);
    EXPECT_THROW(o.optionalString("i"), DecodeError);
    EXPECT_EQ(o.integerOr("n", 7), 7);
    EXPECT_TRUE(o.boolean("b"));
    EXPECT_THROW(o.boolean("i"), DecodeError);
    EXPECT_EQ(o.stringsOr("n"), std::vector<std::string>{});
    EXPECT_EQ(o.strings("l"), (std::vector<std::string>{"a", "b"}));
    EXPECT_THROW(o.strings("o"), DecodeError);
    EXPECT_EQ(o.object("o", [](const nlohmann::json& v) { return JsonObject(v, "O").integer("k"); }), 1);
    EXPECT_THROW(JsonObject(json["l"], "L"), DecodeError);
}

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
        const auto date = MenuModel::parseRFC3339(c.text);
        if (!c.ms) {
            EXPECT_FALSE(date) << c.text;
        } else {
            ASSERT_TRUE(date) << c.text;
            EXPECT_EQ(date->millisecondsSince1970(), *c.ms) << c.text;
        }
    }
}

TEST(RFC3339Test, WritesWholeSecondsInUTC) {
    EXPECT_EQ(MenuModel::rfc3339(Date::fromMilliseconds(60999)), "1970-01-01T00:01:00Z");
    EXPECT_EQ(MenuModel::rfc3339(Date::fromMilliseconds(-1)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(MenuModel::rfc3339(Date::referenceDate()), "2001-01-01T00:00:00Z");
    EXPECT_EQ(MenuModel::rfc3339(*MenuModel::parseRFC3339("0001-01-01T00:00:00Z")), "0001-01-01T00:00:00Z");
}

TEST(CalendarTest, WallTimesAcrossClockChanges) {
    const Calendar london("Europe/London");
    // 2024-03-31 01:30 does not exist in London: it resolves to the next valid time, 02:00 BST.
    const auto skipped = london.date(2024, 3, 31, 1, 30, 0);
    ASSERT_TRUE(skipped);
    EXPECT_EQ(MenuModel::rfc3339(*skipped), "2024-03-31T01:00:00Z");
    // 2024-10-27 01:30 happens twice: the first (BST, 00:30Z) is taken.
    const auto repeated = london.date(2024, 10, 27, 1, 30, 0);
    ASSERT_TRUE(repeated);
    EXPECT_EQ(MenuModel::rfc3339(*repeated), "2024-10-27T00:30:00Z");
    const Date noon = *MenuModel::parseRFC3339("2024-03-31T12:00:00Z");
    EXPECT_EQ(MenuModel::rfc3339(london.startOfDay(noon)), "2024-03-31T00:00:00Z");
    EXPECT_EQ(MenuModel::rfc3339(*london.bySettingHour(18, 0, 0, noon)), "2024-03-31T17:00:00Z");
    EXPECT_EQ(MenuModel::rfc3339(*london.byAddingDays(1, london.startOfDay(noon))), "2024-03-31T23:00:00Z");  // 1 April, 00:00 BST
    EXPECT_EQ(london.daysBetween(noon, *london.byAddingDays(3, noon)), 3);
    EXPECT_TRUE(london.isSameDay(noon, london.startOfDay(noon)));
}

TEST(DateTextTest, FormatsWithICU) {
    const Calendar utc = Calendar::utc();
    const Date d = *MenuModel::parseRFC3339("2024-09-05T14:05:00Z");
    EXPECT_EQ(DateText::shortTime(d, utc, Locale::enGB()), "14:05");
    EXPECT_EQ(DateText::shortTime(d, utc, Locale("en_US")), "2:05\u202FPM");
    EXPECT_EQ(DateText::pattern(d, "d MMM", utc, Locale::enGB()), "5 Sept");
    EXPECT_EQ(DateText::localizedTemplate(d, "MMMd", utc, Locale("en_US")), "Sep 5");
}

TEST(NumberTextTest, LocaleFreeNumbers) {
    EXPECT_EQ(NumberText::fixed(1.25, 1), "1.2");  // exact binary value, as printf rounds it
    EXPECT_EQ(NumberText::fixed(2.5, 0), "2");
    EXPECT_EQ(NumberText::shortestWithFraction(60.0), "60.0");
    EXPECT_EQ(NumberText::shortestWithFraction(60.25), "60.25");
    EXPECT_EQ(NumberText::shortestWithFraction(1700000000.0), "1700000000.0");
    EXPECT_EQ(NumberText::roundHalfAwayFromZero(2.5), 3);
    EXPECT_EQ(NumberText::roundHalfAwayFromZero(-2.5), -3);
    EXPECT_EQ(NumberText::roundHalfAwayFromZero(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Saturating::add(std::numeric_limits<std::int64_t>::max(), 1), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Saturating::subtract(std::numeric_limits<std::int64_t>::min(), 1), std::numeric_limits<std::int64_t>::min());
}

TEST(TextTest, TrimmingAndPercentEncoding) {
    EXPECT_EQ(Text::trimmingWhitespace(" \t a b\u00A0 "), "a b");
    EXPECT_EQ(Text::trimmingWhitespace("\na\n"), "\na\n");
    EXPECT_EQ(Text::trimmingWhitespaceAndNewlines("\r\n a \u2028"), "a");
    EXPECT_EQ(Text::percentEncodePath("Studio A/B"), "Studio%20A/B");
    EXPECT_EQ(Text::percentEncodeQueryValue("acme/app+1&x=é"), "acme%2Fapp%2B1%26x%3D%C3%A9");
    EXPECT_FALSE(Text::isValidUTF8("\xC0\x80"));
    EXPECT_FALSE(Text::isValidUTF8("\xED\xA0\x80"));
    EXPECT_TRUE(Text::isValidUTF8("caf\xC3\xA9"));
}
