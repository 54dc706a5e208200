#include "Foundation/DecodeError.h"
#include "Foundation/JsonText.h"

#include <gtest/gtest.h>

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

TEST(JsonTextTest, ValueBudgetCountsEveryValueBuilt) {
    // "[{},{},…]" with n elements: the array and n objects.
    auto objects = [](std::size_t n) {
        std::string text = "[";
        for (std::size_t i = 0; i < n; ++i) text += i ? ",{}" : "{}";
        return text + "]";
    };
    struct Case {
        std::string text;
        std::size_t values;  // exactly what the text builds: fits this budget, not one less
    } const cases[] = {
        {"null", 1},
        {"[]", 1},
        {"[1,2.5,\"x\",true,false,null]", 7},
        {R"({"a":1,"b":"x"})", 3},      // keys are not values
        {R"({"a":1,"a":2})", 3},        // a duplicate key still built its value
        {"[[[[{}]]]]", 5},
        {objects(999'999), 1'000'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(JsonText::parse(c.text, c.values), JsonText::parse(c.text));
        EXPECT_THROW(JsonText::parse(c.text, c.values - 1), DecodeError);
    }
    EXPECT_THROW(JsonText::parse(objects(1'000'000), 1'000'000), DecodeError);
    EXPECT_EQ(JsonText::parse(objects(1'000'000)).size(), 1'000'000u);  // no budget without one
}
