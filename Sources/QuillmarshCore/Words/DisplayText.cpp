#include "Words/DisplayText.h"

#include <algorithm>

namespace quillmarsh {

namespace {

constexpr std::string_view ellipsis = "\u2026";

// The longest start of text within limit bytes that does not end inside a UTF-8 character.
std::string_view wholeCharacters(std::string_view text, std::size_t limit) {
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

} // namespace

std::string DisplayText::bounded(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::string out(wholeCharacters(text, limit));
    out += ellipsis;
    return out;
}

std::string DisplayText::boundedLines(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    // The next line feed and the next carriage return at or after `at`, each looked for again only
    // once it has been passed, so the walk costs one pass over the text.
    std::size_t lineFeed = 0, carriageReturn = 0;
    const auto lineEnd = [&](std::size_t at) {
        if (lineFeed != std::string_view::npos && lineFeed < at) lineFeed = text.find('\n', at);
        if (carriageReturn != std::string_view::npos && carriageReturn < at) carriageReturn = text.find('\r', at);
        return std::min(lineFeed, carriageReturn);
    };
    lineFeed = text.find('\n');
    carriageReturn = text.find('\r');

    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = lineEnd(at);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = text.substr(at, stop - at);
        if (line.size() <= limit) {
            out += line;
        } else {
            out += wholeCharacters(line, limit);
            out += ellipsis;
        }
        if (end == std::string_view::npos) break;
        out += text[end];
        at = end + 1;
    }
    return out;
}

} // namespace quillmarsh
