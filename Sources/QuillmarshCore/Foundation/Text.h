#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// UTF-8 text helpers with the platform's character sets.
class Text {
public:
    // White space as the platform's "whitespaces" set: tab and the Unicode space separators (Zs).
    static bool isWhitespace(char32_t c);
    // The above plus the line breaks U+000A…U+000D, U+0085, U+2028, U+2029.
    static bool isWhitespaceOrNewline(char32_t c);

    static std::string trimmingWhitespace(std::string_view text);
    static std::string trimmingWhitespaceAndNewlines(std::string_view text);

    // Percent-encoding: every byte outside the allowed ASCII set becomes "%XX" (upper-case hex).
    // URL-path set: letters, digits and ! $ & ' ( ) * + , - . / : = @ _ ~
    static std::string percentEncodePath(std::string_view text);
    // URL-query set less & = + / : letters, digits and ! $ ' ( ) * , - . : ; ? @ _ ~
    static std::string percentEncodeQueryValue(std::string_view text);

    static bool isValidUTF8(std::string_view text);
    // Decodes UTF-8 into code points; invalid bytes become U+FFFD.
    static std::u32string decodeUTF8(std::string_view text);
    static std::string encodeUTF8(std::u32string_view text);
    static void appendUTF8(std::string& out, char32_t c);

    // A-Z mapped to a-z; every other byte as it is.
    static std::string lowercasedASCII(std::string_view text);
    // The text safe to print on one line of a terminal or a log: each control character, C0
    // (U+0000…U+001F), DEL and C1 (U+0080…U+009F, as UTF-8), written as "\u" and four lower-case
    // hex digits ("\u000a", "\u001b"), so a text from elsewhere can neither end or forge a printed
    // line nor reach the terminal as an escape sequence.
    // Every other byte, a backslash included, stays as it is.
    static std::string escapedControls(std::string_view text);

    // Bytes as lower-case hexadecimal, two digits each: any bytes survive a text-only channel.
    static std::string hexEncoded(std::string_view bytes);
    // The bytes back from hexadecimal (either case); none for an odd length or a non-digit.
    static std::optional<std::string> hexDecoded(std::string_view text);
    // The value of one hexadecimal digit (either case), -1 for any other character.
    static int hexDigitValue(char c);

    // The parts one after another with separator between them; the separator only ever follows
    // text, so empty parts at the start leave no trace.
    static std::string joined(const std::vector<std::string>& parts, std::string_view separator);

    // Splits on a separator, keeping empty pieces.
    static std::vector<std::string> split(std::string_view text, char separator);
};

} // namespace quillmarsh
