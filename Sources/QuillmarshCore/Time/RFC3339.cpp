#include "Time/RFC3339.h"

#include <cstdint>

namespace quillmarsh {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool isLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(std::int64_t y, unsigned m) {
    static constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}
    bool digits(int count, int& out) {
        out = 0;
        for (int i = 0; i < count; ++i) {
            if (pos_ >= text_.size() || text_[pos_] < '0' || text_[pos_] > '9') return false;
            out = out * 10 + (text_[pos_++] - '0');
        }
        return true;
    }
    bool literal(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool atEnd() const { return pos_ == text_.size(); }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    void advance() { ++pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

std::optional<Date> RFC3339::parse(std::string_view text) {
    Reader r(text);
    int year, month, day, hour, minute, second;
    if (!r.digits(4, year) || !r.literal('-') || !r.digits(2, month) || !r.literal('-') || !r.digits(2, day))
        return std::nullopt;
    if (!r.literal('T') || !r.digits(2, hour) || !r.literal(':') || !r.digits(2, minute) || !r.literal(':') ||
        !r.digits(2, second))
        return std::nullopt;
    std::int64_t millis = 0;
    if (r.literal('.')) {
        int digitCount = 0;
        int scale = 100;
        while (r.peek() >= '0' && r.peek() <= '9') {
            if (scale > 0) {
                millis += (r.peek() - '0') * scale;
                scale /= 10;
            }
            r.advance();
            ++digitCount;
        }
        if (digitCount == 0) return std::nullopt;
    }
    int offsetMinutes = 0;
    if (!r.literal('Z')) {
        const char sign = r.peek();
        if (sign != '+' && sign != '-') return std::nullopt;
        r.advance();
        int oh, om;
        if (!r.digits(2, oh) || !r.literal(':') || !r.digits(2, om) || oh > 23 || om > 59) return std::nullopt;
        offsetMinutes = (oh * 60 + om) * (sign == '-' ? -1 : 1);
    }
    if (!r.atEnd()) return std::nullopt;
    if (year < 1 || month < 1 || month > 12 || day < 1 || static_cast<unsigned>(day) > daysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - offsetMinutes * 60;
    return Date::fromMilliseconds(seconds * 1000 + millis);
}

std::string RFC3339::format(Date date) {
    std::int64_t ms = date.millisecondsSince1970();
    std::int64_t seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);  // floor
    std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    const std::int64_t secondOfDay = seconds - days * 86400;
    std::int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    const int hh = static_cast<int>(secondOfDay / 3600);
    const int mm = static_cast<int>(secondOfDay / 60 % 60);
    const int ss = static_cast<int>(secondOfDay % 60);
    // Years outside 0…9999 cannot be written in four digits; they are written as they are.
    std::string out;
    std::string year = std::to_string(y < 0 ? -y : y);
    if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
    if (y < 0) year.insert(0, 1, '-');
    const auto two = [](int v) {
        return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    };
    out = year + "-" + two(static_cast<int>(m)) + "-" + two(static_cast<int>(d)) + "T" + two(hh) + ":" + two(mm) + ":" +
          two(ss) + "Z";
    return out;
}

} // namespace quillmarsh
