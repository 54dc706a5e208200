#include "Words/DisplayText.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillmarsh;

namespace {

const std::string ellipsis = "\u2026";

struct Case {
    const char* what;
    std::string text;
    std::size_t limit;
    std::string bounded;
};

} // namespace

TEST(DisplayTextTest, BoundedCutsBetweenWholeCharactersAndEndsInAnEllipsis) {
    const Case cases[] = {
        {"short", "abc", 5, "abc"},
        {"exactly the limit", "abcde", 5, "abcde"},
        {"one byte over", "abcdef", 5, "abcde" + ellipsis},
        {"empty", "", 0, ""},
        // "é" is two bytes, "€" three, "😀" four: a cut never splits one.
        {"inside a two-byte character", "abcd\u00e9", 5, "abcd" + ellipsis},
        {"inside a three-byte character", "ab\u20accd", 4, "ab" + ellipsis},
        {"inside a four-byte character", "a\U0001F600b", 3, "a" + ellipsis},
        {"after a whole character", "a\U0001F600b", 5, "a\U0001F600" + ellipsis},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplayText::bounded(c.text, c.limit), c.bounded) << c.what;
}

TEST(DisplayTextTest, AMegabyteBecomesALabelsWorth) {
    const std::string shown = DisplayText::bounded(std::string(1 << 20, 'x'));
    EXPECT_EQ(shown, std::string(DisplayText::labelBytes, 'x') + ellipsis);
}

TEST(DisplayTextTest, BoundedLinesCutsOnlyTheLongLinesAndKeepsEveryLineEnd) {
    const Case cases[] = {
        {"all short", "ab\ncd\r\nef", 3, "ab\ncd\r\nef"},
        {"long first line", "abcdef\nxy\n", 3, "abc" + ellipsis + "\nxy\n"},
        {"long last line without an end", "xy\nabcdef", 3, "xy\nabc" + ellipsis},
        {"carriage returns end lines too", "abcdef\rabcdef\r\n", 4, "abcd" + ellipsis + "\rabcd" + ellipsis + "\r\n"},
        {"empty lines", "\n\n\n", 1, "\n\n\n"},
        {"a cut inside a character", "a\u00e9\u00e9\n", 4, "a\u00e9" + ellipsis + "\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplayText::boundedLines(c.text, c.limit), c.bounded) << c.what;
}

// The log view appends while the text it is given only grows at its end: a line that grows past
// the limit, and on and on, and then ends.
TEST(DisplayTextTest, BoundedLinesOfAGrowingTextOnlyGrowAtTheEnd) {
    std::string raw = "first line\n";
    std::string before = DisplayText::boundedLines(raw, 8);
    for (const char* more : {"abc", "defgh", "ijkl", "mnop", "\nnext", " line\n", "\r\n", "\U0001F600\U0001F600"}) {
        raw += more;
        const std::string after = DisplayText::boundedLines(raw, 8);
        EXPECT_TRUE(after.starts_with(before)) << "after " << more << ": " << after;
        before = after;
    }
    EXPECT_EQ(before, "first li" + ellipsis + "\nabcdefgh" + ellipsis + "\nnext lin" + ellipsis + "\n\r\n\U0001F600\U0001F600");
}
