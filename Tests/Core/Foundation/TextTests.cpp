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

TEST(TextTest, LowercasingTouchesOnlyASCII) {
    EXPECT_EQ(Text::lowercasedASCII("This Mac \xC3\x89"), "this mac \xC3\x89");
}

TEST(TextTest, EscapedControlsWritesEveryControlCharacterAsAUnicodeEscape) {
    struct Case {
        std::string text, escaped;
    } const cases[] = {
        {"", ""},
        {"acme-robotics studio-mac-2", "acme-robotics studio-mac-2"},
        {"\nerror: forged", "\\u000aerror: forged"},
        {"job-1\nwrote app-x.png 1 x 1", "job-1\\u000awrote app-x.png 1 x 1"},
        {"a\rb\tc\x1b[2Kd\x7f", "a\\u000db\\u0009c\\u001b[2Kd\\u007f"},
        {"\x1b[2J", "\\u001b[2J"},
        {std::string("a\0b", 3), "a\\u0000b"},
        {"\t\r\x1f", "\\u0009\\u000d\\u001f"},
        {"\x7f", "\\u007f"},
        // C1 as UTF-8: the first, NEL, CSI and the last; the next character is text again.
        {"\xC2\x80 \xC2\x85 \xC2\x9B" "0m \xC2\x9F", "\\u0080 \\u0085 \\u009b0m \\u009f"},
        {"\xC2\xA0" "caf\xC3\xA9 \xE2\x80\xA6 \xF0\x9F\x98\x80", "\xC2\xA0" "caf\xC3\xA9 \xE2\x80\xA6 \xF0\x9F\x98\x80"},
        // A backslash is no control: text that looks escaped stays as it is.
        {"C:\\u000a\\", "C:\\u000a\\"},
        // Bytes that are not UTF-8 are left alone; only the encoded C1 characters are controls.
        {"\x9B\xC2", "\x9B\xC2"},
        {"\xC2\xC2\x9B", "\xC2\\u009b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Text::escapedControls(c.text), c.escaped);
    }
}

TEST(TextTest, HexCarriesAnyBytesAndRefusesWhatIsNotHex) {
    const std::string bytes("\x00\xff/caf\xc3\xa9\xfe", 9);
    EXPECT_EQ(Text::hexEncoded(bytes), "00ff2f636166c3a9fe");
    EXPECT_EQ(Text::hexDecoded("00FF2f636166C3A9fe"), bytes);
    EXPECT_EQ(Text::hexDecoded(""), std::string());
    for (const char* bad : {"0", "0g", "zz", " 00", "00 "}) EXPECT_EQ(Text::hexDecoded(bad), std::nullopt) << bad;
}
