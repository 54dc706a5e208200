#include "Foundation/Text.h"

namespace quillmarsh {

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not valid.
std::size_t sequenceLength(std::string_view text, std::size_t i, char32_t& out) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    std::size_t length;
    char32_t c;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, c = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, c = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, c = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    out = c;
    return length;
}

template <class Keep>
std::string trimming(std::string_view text, Keep isTrimmed) {
    const std::u32string chars = Text::decodeUTF8(text);
    std::size_t begin = 0;
    std::size_t end = chars.size();
    while (begin < end && isTrimmed(chars[begin])) ++begin;
    while (end > begin && isTrimmed(chars[end - 1])) --end;
    if (begin == 0 && end == chars.size() && Text::isValidUTF8(text)) return std::string(text);
    return Text::encodeUTF8(std::u32string_view(chars).substr(begin, end - begin));
}

template <class Allowed>
std::string percentEncode(std::string_view text, Allowed allowed) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        const bool alnum = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
        if (alnum || (b < 0x80 && allowed(static_cast<char>(b)))) {
            out += ch;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        }
    }
    return out;
}

} // namespace

bool Text::isWhitespace(char32_t c) {
    switch (c) {
    case 0x09: case 0x20: case 0xA0: case 0x1680: case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

bool Text::isWhitespaceOrNewline(char32_t c) {
    return isWhitespace(c) || (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

std::string Text::trimmingWhitespace(std::string_view text) { return trimming(text, isWhitespace); }

std::string Text::joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (const std::string& part : parts) {
        if (!out.empty()) out += separator;
        out += part;
    }
    return out;
}

std::string Text::lowercasedASCII(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Text::escapedControls(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    auto escape = [&](unsigned code) {
        out += "\\u00";
        out += hex[code >> 4];
        out += hex[code & 0xf];
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (byte < 0x20 || byte == 0x7f) {
            escape(byte);
        } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
            // U+0080…U+009F: the two-byte form C2 80…C2 9F.
            escape(next);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string Text::hexEncoded(std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += hex[byte >> 4];
        out += hex[byte & 0xf];
    }
    return out;
}

std::optional<std::string> Text::hexDecoded(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

int Text::hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Text::trimmingWhitespaceAndNewlines(std::string_view text) {
    return trimming(text, isWhitespaceOrNewline);
}

std::string Text::percentEncodePath(std::string_view text) {
    return percentEncode(text, [](char c) { return std::string_view("!$&'()*+,-./:=@_~").find(c) != std::string_view::npos; });
}

std::string Text::percentEncodeQueryValue(std::string_view text) {
    return percentEncode(text, [](char c) { return std::string_view("!$'()*,-.:;?@_~").find(c) != std::string_view::npos; });
}

bool Text::isValidUTF8(std::string_view text) {
    char32_t c;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = sequenceLength(text, i, c);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::u32string Text::decodeUTF8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    char32_t c;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = sequenceLength(text, i, c);
        if (length == 0) {
            out += U'\uFFFD';
            ++i;
        } else {
            out += c;
            i += length;
        }
    }
    return out;
}

void Text::appendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Text::encodeUTF8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char32_t c : text) appendUTF8(out, c);
    return out;
}

std::vector<std::string> Text::split(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

} // namespace quillmarsh
