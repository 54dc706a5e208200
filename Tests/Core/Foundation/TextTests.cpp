#include "Foundation/Text.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

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
