#include "Foundation/DecodeError.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

#include <gtest/gtest.h>

#include <limits>

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
