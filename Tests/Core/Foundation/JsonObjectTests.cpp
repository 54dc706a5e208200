#include "Foundation/DecodeError.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

using namespace quillmarsh;

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

TEST(JsonObjectTest, IntegersWrittenAsWholeFloatsAreIntegers) {
    struct Case {
        const char* number;
        std::optional<std::int64_t> value;  // none: refused
    } const cases[] = {
        {"1.0", 1},
        {"1e2", 100},
        {"1E+2", 100},
        {"-0.0", 0},
        {"-3e0", -3},
        {"2.50e1", 25},
        {"9223372036854774784.0", 9223372036854774784},    // the largest double below 2^63
        {"-9223372036854774784.0", -9223372036854774784},  // and above -2^63
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},  // an integer text, as before
        {"1.5", std::nullopt},
        {"-0.5", std::nullopt},
        {"1e-1", std::nullopt},
        {"1e300", std::nullopt},
        {"-1e300", std::nullopt},
        {"9.3e18", std::nullopt},
        {"9223372036854775807.0", std::nullopt},  // rounds to 2^63
        {"9223372036854775808.0", std::nullopt},  // 2^63
        // -2^63 as a double: what integer texts below INT64_MIN round to.
        {"-9223372036854775809", std::nullopt},
        {"-9223372036854775808.0", std::nullopt},
        {"-9223372036854777856.0", std::nullopt},  // the next double below -2^63
        {"18446744073709551615", std::nullopt},   // unsigned beyond int64
        {"18446744073709551616", std::nullopt},   // beyond 64 bits, read as a double
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        const auto json = JsonText::parse(std::string(R"({"n":)") + c.number + "}");
        const JsonObject o(json, "Test");
        if (c.value) {
            EXPECT_EQ(o.integer("n"), *c.value);
            EXPECT_EQ(o.optionalInteger("n"), c.value);
            EXPECT_EQ(o.integerOr("n", 7), *c.value);
        } else {
            EXPECT_THROW(o.integer("n"), DecodeError);
            EXPECT_THROW(o.integerOr("n", 7), DecodeError);
        }
    }
    // What JSON text cannot hold either, built by hand.
    const nlohmann::json odd = {{"nan", std::numeric_limits<double>::quiet_NaN()},
                                {"inf", std::numeric_limits<double>::infinity()},
                                {"-inf", -std::numeric_limits<double>::infinity()}};
    const JsonObject o(odd, "Odd");
    for (const char* key : {"nan", "inf", "-inf"}) EXPECT_THROW(o.integer(key), DecodeError) << key;
}
