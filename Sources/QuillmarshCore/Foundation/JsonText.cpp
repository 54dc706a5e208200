#include "Foundation/JsonText.h"

#include "Foundation/DecodeError.h"
#include "Foundation/Text.h"

#include <charconv>
#include <cstdint>
#include <algorithm>
#include <limits>
#include <string>

namespace quillmarsh {

namespace {

// A strict recursive-descent reader of RFC 8259 JSON into nlohmann::json. It reads each byte
// once and builds the value directly; nlohmann's own lexer keeps a copy of every token for its
// error messages, which doubles the cost of reading the agent's answers on every refresh.
// Numbers map to nlohmann's kinds as its parser does: integers to int64, larger ones to uint64,
// anything else (fractions, exponents, integers beyond 64 bits) to double. Duplicate keys keep
// the last value.
class Reader {
public:
    Reader(std::string_view text, std::size_t maxValues)
        : p_(text.data()), end_(text.data() + text.size()), valuesLeft_(maxValues) {}

    nlohmann::json document() {
        skipSpace();
        nlohmann::json value = this->value(0);
        skipSpace();
        if (p_ != end_) fail("unexpected text after the value");
        return value;
    }

private:
    [[noreturn]] void fail(const char* problem) const {
        throw DecodeError(std::string("the answer is not valid JSON: ") + problem);
    }

    void skipSpace() {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }

    void expectWord(std::string_view word) {
        if (static_cast<std::size_t>(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word)
            fail("unexpected character");
        p_ += word.size();
    }

    nlohmann::json value(int depth) {
        if (p_ == end_) fail("unexpected end");
        if (valuesLeft_ == 0) throw DecodeError("the answer holds more values than it may");
        --valuesLeft_;
        switch (*p_) {
        case '{': return object(depth + 1);
        case '[': return array(depth + 1);
        case '"': return nlohmann::json(string());
        case 't': expectWord("true"); return nlohmann::json(true);
        case 'f': expectWord("false"); return nlohmann::json(false);
        case 'n': expectWord("null"); return nlohmann::json(nullptr);
        default: return number();
        }
    }

    nlohmann::json object(int depth) {
        if (depth > JsonText::maxDepth) fail("nesting too deep");
        ++p_;  // '{'
        nlohmann::json out = nlohmann::json::object();
        skipSpace();
        if (p_ != end_ && *p_ == '}') {
            ++p_;
            return out;
        }
        while (true) {
            skipSpace();
            if (p_ == end_ || *p_ != '"') fail("expected a key");
            std::string key = string();
            skipSpace();
            if (p_ == end_ || *p_ != ':') fail("expected ':'");
            ++p_;
            skipSpace();
            out[std::move(key)] = value(depth);
            skipSpace();
            if (p_ == end_) fail("unexpected end");
            if (*p_ == ',') {
                ++p_;
                continue;
            }
            if (*p_ == '}') {
                ++p_;
                return out;
            }
            fail("expected ',' or '}'");
        }
    }

    nlohmann::json array(int depth) {
        if (depth > JsonText::maxDepth) fail("nesting too deep");
        ++p_;  // '['
        nlohmann::json out = nlohmann::json::array();
        skipSpace();
        if (p_ != end_ && *p_ == ']') {
            ++p_;
            return out;
        }
        while (true) {
            skipSpace();
            out.push_back(value(depth));
            skipSpace();
            if (p_ == end_) fail("unexpected end");
            if (*p_ == ',') {
                ++p_;
                continue;
            }
            if (*p_ == ']') {
                ++p_;
                return out;
            }
            fail("expected ',' or ']'");
        }
    }

    unsigned hex4() {
        if (end_ - p_ < 4) fail("short \\u escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *p_++;
            value <<= 4;
            if (c >= '0' && c <= '9') value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') value |= static_cast<unsigned>(c - 'A' + 10);
            else fail("bad \\u escape");
        }
        return value;
    }

    std::string string() {
        ++p_;  // opening quote
        std::string out;
        const char* run = p_;
        while (true) {
            if (p_ == end_) fail("unterminated string");
            const auto c = static_cast<unsigned char>(*p_);
            if (c == '"') {
                out.append(run, p_);
                ++p_;
                break;
            }
            if (c < 0x20) fail("control character in a string");
            if (c != '\\') {
                ++p_;
                continue;
            }
            out.append(run, p_);
            ++p_;
            if (p_ == end_) fail("unterminated string");
            const char e = *p_++;
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                char32_t code = hex4();
                if (code >= 0xD800 && code <= 0xDBFF) {
                    if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') fail("lone surrogate");
                    p_ += 2;
                    const unsigned low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF) fail("lone surrogate");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    fail("lone surrogate");
                }
                Text::appendUTF8(out, code);
                break;
            }
            default: fail("bad escape");
            }
            run = p_;
        }
        if (!Text::isValidUTF8(out)) fail("invalid UTF-8 in a string");
        return out;
    }

    nlohmann::json number() {
        const char* start = p_;
        bool integral = true;
        if (p_ != end_ && *p_ == '-') ++p_;
        if (p_ == end_) fail("unexpected end");
        if (*p_ == '0') {
            ++p_;
        } else if (*p_ >= '1' && *p_ <= '9') {
            while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        } else {
            fail("unexpected character");
        }
        if (p_ != end_ && *p_ == '.') {
            integral = false;
            ++p_;
            if (p_ == end_ || *p_ < '0' || *p_ > '9') fail("digits expected after '.'");
            while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
            integral = false;
            ++p_;
            if (p_ != end_ && (*p_ == '+' || *p_ == '-')) ++p_;
            if (p_ == end_ || *p_ < '0' || *p_ > '9') fail("digits expected in the exponent");
            while (p_ != end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        }
        if (integral) {
            if (*start == '-') {
                std::int64_t value;
                const auto r = std::from_chars(start, p_, value);
                if (r.ec == std::errc() && r.ptr == p_) return nlohmann::json(value);
            } else {
                std::uint64_t value;
                const auto r = std::from_chars(start, p_, value);
                if (r.ec == std::errc() && r.ptr == p_) {
                    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                        return nlohmann::json(static_cast<std::int64_t>(value));
                    return nlohmann::json(value);
                }
            }
        }
        double value = 0;
        const auto r = std::from_chars(start, p_, value);
        if (r.ptr != p_) fail("bad number");
        if (r.ec == std::errc::result_out_of_range) {
            // Too large for a double is refused, as nlohmann's parser does; too small reads as 0.
            if (overflows(start, p_)) fail("number out of range");
            value = 0.0;
        }
        return nlohmann::json(value);
    }

    // Whether a number that does not fit a double is too large (rather than too small): its
    // decimal magnitude, the integer digits after leading zeros plus the exponent, is positive.
    static bool overflows(const char* start, const char* end) {
        const char* p = start;
        if (*p == '-') ++p;
        long magnitude = 0;
        bool leading = true;
        for (; p != end && *p >= '0' && *p <= '9'; ++p) {
            if (*p != '0') leading = false;
            if (!leading) ++magnitude;
        }
        if (leading && p != end && *p == '.') {
            for (++p; p != end && *p == '0'; ++p) --magnitude;
        }
        while (p != end && *p != 'e' && *p != 'E') ++p;
        long exponent = 0;
        if (p != end) {
            ++p;
            const bool negative = *p == '-';
            if (*p == '+' || *p == '-') ++p;
            for (; p != end; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1L << 40);
            if (negative) exponent = -exponent;
        }
        return magnitude + exponent > 0;
    }

    const char* p_;
    const char* end_;
    std::size_t valuesLeft_;
};

} // namespace

nlohmann::json JsonText::parse(std::string_view text, std::size_t maxValues) {
    return Reader(text, maxValues).document();
}

} // namespace quillmarsh
