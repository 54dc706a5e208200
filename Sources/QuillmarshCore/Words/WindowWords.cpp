#include "Words/WindowWords.h"

#include "Foundation/NumberText.h"
#include "Foundation/Text.h"
#include "Time/DateText.h"
#include "Time/Locale.h"

#include <unicode/unistr.h>

#include <cmath>
#include <cstring>

namespace quillmarsh {

namespace {

constexpr char escape = '\x1b';

// The byte length of the UTF-8 sequence that starts at text[0] (1 for a stray byte).
std::size_t firstCharacterLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8) length = 4;
    else if (lead >= 0xE0) length = lead < 0xF0 ? 3 : 1;
    else if (lead >= 0xC2) length = 2;
    if (length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

std::string upper(std::string_view text) {
    std::string out;
    icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
        .toUpper(icu::Locale::getRoot())
        .toUTF8String(out);
    return out;
}

std::string lower(std::string_view text) {
    std::string out;
    icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
        .toLower(icu::Locale::getRoot())
        .toUTF8String(out);
    return out;
}

} // namespace

std::string WindowWords::ago(Date date, Date now, const Calendar& calendar) {
    const double interval = now.timeIntervalSince(date);
    // Whole seconds, cut toward zero; intervals beyond int64 cannot occur with Date's range.
    const auto seconds = static_cast<std::int64_t>(std::trunc(interval));
    if (seconds < 60) return "just now";
    if (seconds < 3600) return NumberText::integer(seconds / 60) + " min ago";
    const int days = calendar.daysBetween(date, now);
    if (seconds < 21600 || days <= 0) return NumberText::integer(seconds / 3600) + " h ago";
    if (days == 1) return "yesterday";
    if (days <= 6) return NumberText::integer(days) + " days ago";
    const bool sameYear = calendar.components(date).year == calendar.components(now).year;
    return DateText::pattern(date, sameYear ? "d MMM" : "d MMM yy", calendar, Locale::posix());
}

std::string WindowWords::capitalized(std::string_view text) {
    if (text.empty()) return {};
    const std::size_t first = firstCharacterLength(text);
    return upper(text.substr(0, first)) + std::string(text.substr(first));
}

std::string WindowWords::capitalizedWords(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = firstCharacterLength(text.substr(i));
        const std::u32string decoded = Text::decodeUTF8(text.substr(i, length));
        if (!decoded.empty() && Text::isWhitespaceOrNewline(decoded[0])) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        std::size_t end = i + length;
        while (end < text.size()) {
            const std::size_t next = firstCharacterLength(text.substr(end));
            const std::u32string c = Text::decodeUTF8(text.substr(end, next));
            if (!c.empty() && Text::isWhitespaceOrNewline(c[0])) break;
            end += next;
        }
        out += upper(text.substr(i, length));
        out += lower(text.substr(i + length, end - i - length));
        i = end;
    }
    return out;
}

std::optional<std::string> WindowWords::ref(const std::optional<std::string>& ref) {
    if (!ref || ref->empty()) return std::nullopt;
    const std::string_view text = *ref;
    for (std::string_view prefix : {std::string_view("refs/heads/"), std::string_view("refs/tags/")}) {
        if (text.starts_with(prefix)) return std::string(text.substr(prefix.size()));
    }
    if (text.starts_with("refs/pull/")) {
        for (const std::string& piece : Text::split(text.substr(10), '/')) {
            if (!piece.empty()) return "pull request " + piece;
        }
        return std::nullopt;
    }
    return *ref;
}

std::string WindowWords::vmKind(std::string_view label) {
    return label.find("macos") != std::string_view::npos ? "macOS VM" : "Linux VM";
}

std::string WindowWords::stripANSI(std::string_view text) {
    std::size_t at = text.find(escape);
    if (at == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    while (at != std::string_view::npos) {
        std::size_t end = at + 1;
        bool matched = false;
        if (end < text.size() && text[end] == '[') {
            ++end;
            while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == ';' || text[end] == '?'))
                ++end;
            if (end < text.size() &&
                ((text[end] >= 'A' && text[end] <= 'Z') || (text[end] >= 'a' && text[end] <= 'z'))) {
                matched = true;
                ++end;
            }
        }
        if (matched) {
            out.append(text.substr(copied, at - copied));
            copied = end;
            at = text.find(escape, end);
        } else {
            at = text.find(escape, at + 1);
        }
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace quillmarsh
