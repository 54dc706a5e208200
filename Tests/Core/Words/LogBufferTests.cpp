#include "Records/JobLog.h"
#include "Words/LogBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace quillmarsh;

namespace {

JobLog chunk(std::int64_t start, std::int64_t next, std::string text, std::string source = "runner") {
    return JobLog{start, next, 0, std::move(text), true, std::move(source)};
}

std::string lines(int count, const char* ending = "\n") {
    std::string out;
    for (int i = 1; i <= count; ++i) out += "line " + std::to_string(i) + ending;
    return out;
}

} // namespace

TEST(LogBufferTest, AppendsAtTheCursorAndReplacesOtherwise) {
    LogBuffer buffer(4000);
    // A first chunk with no text: nothing changes but the cursor and the source.
    EXPECT_FALSE(buffer.apply(chunk(0, 0, "", "file")));
    EXPECT_EQ(buffer.text(), "");
    EXPECT_EQ(buffer.next(), 0);
    EXPECT_EQ(buffer.source(), "file");

    EXPECT_TRUE(buffer.apply(chunk(0, 6, "\x1b[32mone\n\x1b[0m")));
    EXPECT_EQ(buffer.text(), "one\n");
    EXPECT_EQ(buffer.source(), "runner");
    EXPECT_TRUE(buffer.apply(chunk(6, 10, "two\n")));
    EXPECT_EQ(buffer.text(), "one\ntwo\n");
    // Nothing new at the cursor only moves the cursor.
    EXPECT_FALSE(buffer.apply(chunk(10, 11, "")));
    EXPECT_EQ(buffer.text(), "one\ntwo\n");
    EXPECT_EQ(buffer.next(), 11);
    // A chunk from elsewhere replaces the text; the same text is no change.
    EXPECT_FALSE(buffer.apply(chunk(0, 20, "one\ntwo\n")));
    EXPECT_EQ(buffer.next(), 20);
    EXPECT_TRUE(buffer.apply(chunk(3, 30, "fresh")));
    EXPECT_EQ(buffer.text(), "fresh");

    // A sequence split between chunks is cleaned chunk by chunk, so it stays.
    LogBuffer split(10);
    split.apply(chunk(0, 1, "a\x1b[3"));
    split.apply(chunk(1, 2, "1mb"));
    EXPECT_EQ(split.text(), "a\x1b[31mb");

    // The change is judged before trimming: a longer text that trims to the old one changed it.
    LogBuffer small(1);
    small.apply(chunk(0, 1, "b\n"));
    EXPECT_TRUE(small.apply(chunk(5, 6, "a\nb\n")));
    EXPECT_EQ(small.text(), "b\n");
}

TEST(LogBufferTest, KeepsTheLastLineFeedsOfTheLimit) {
    struct Case {
        std::string text;
        std::int64_t limit;
        std::string kept;
    } cases[] = {
        {lines(4), 3, "line 2\nline 3\nline 4\n"},
        {lines(4) + "five", 3, "line 2\nline 3\nline 4\nfive"},
        {lines(3) + "four", 3, lines(3) + "four"},
        {lines(3), 3, lines(3)},
        {"no line feed", 3, "no line feed"},
        {lines(2), 0, ""},
        {lines(2) + "tail", 0, "tail"},
        {"\n\n\n\n", 2, "\n\n"},
        // CR LF lines count like any other, so a Windows-style log is cut too.
        {lines(4, "\r\n"), 3, "line 2\r\nline 3\r\nline 4\r\n"},
        {lines(4, "\r\n") + "five\r", 2, "line 3\r\nline 4\r\nfive\r"},
    };
    for (const auto& c : cases) {
        LogBuffer replaced(c.limit);
        replaced.apply(chunk(0, 1, c.text));
        EXPECT_EQ(replaced.text(), c.kept) << c.text << " limit " << c.limit;

        // The same text arriving one character at a time keeps the same tail.
        LogBuffer appended(c.limit);
        appended.apply(chunk(0, 0, ""));
        for (std::size_t i = 0; i < c.text.size(); ++i) {
            appended.apply(chunk(static_cast<std::int64_t>(i), static_cast<std::int64_t>(i + 1), c.text.substr(i, 1)));
        }
        EXPECT_EQ(appended.text(), c.kept) << c.text << " limit " << c.limit << " appended";
    }
}

TEST(LogBufferTest, ALongLogStaysWithinItsLimit) {
    LogBuffer buffer(4000);
    std::int64_t cursor = 0;
    buffer.apply(chunk(0, 0, ""));
    for (int round = 0; round < 300; ++round) {
        const std::string text = lines(50, round % 2 ? "\r\n" : "\n");
        buffer.apply(chunk(cursor, cursor + 1, text));
        ++cursor;
        ASSERT_LE(std::count(buffer.text().begin(), buffer.text().end(), '\n'), 4000);
    }
    EXPECT_EQ(std::count(buffer.text().begin(), buffer.text().end(), '\n'), 4000);
    EXPECT_EQ(buffer.text().substr(buffer.text().size() - 9), "line 50\r\n");

    // Copies compare by their text, whatever was cut before it.
    LogBuffer same(4000);
    same.apply(chunk(7, cursor, std::string(buffer.text())));
    EXPECT_EQ(same, buffer);
    same.setLineLimit(10);
    EXPECT_NE(same, buffer);
}
