#include "Support/LondonTime.h"
#include "Words/WindowWords.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillmarsh;
using test::london;
using test::londonTime;

TEST(WindowWordsTest, AgoCountsSecondsThenCalendarDays) {
    const Date now = londonTime(2026, 12, 10, 10, 0);
    struct Case {
        Date date;
        Date now;
        const char* expected;
    } cases[] = {
        {now.adding(-59.9), now, "just now"},
        {now.adding(30), now, "just now"},  // a date in the future
        {now.adding(-60), now, "1 min ago"},
        {now.adding(-3599), now, "59 min ago"},
        {now.adding(-3600), now, "1 h ago"},
        {londonTime(2026, 12, 9, 23, 0), londonTime(2026, 12, 10, 4, 0), "5 h ago"},    // last night still in hours
        {londonTime(2026, 12, 9, 23, 0), londonTime(2026, 12, 10, 5, 30), "yesterday"},  // 6.5 h and one day back
        {londonTime(2026, 12, 10, 0, 30), londonTime(2026, 12, 10, 23, 0), "22 h ago"},  // the same day
        {londonTime(2026, 12, 8, 9, 0), now, "2 days ago"},
        {londonTime(2026, 12, 4, 9, 0), now, "6 days ago"},
        {londonTime(2026, 3, 4, 9, 0), now, "4 Mar"},
        {londonTime(2026, 9, 14, 9, 0), now, "14 Sep"},  // the POSIX locale, not en_GB's "Sept"
        {londonTime(2025, 12, 28, 9, 0), now, "28 Dec 25"},
        // Clocks go forward at 01:00 on 29 March: 23:30 to 05:00 is 4.5 h.
        {londonTime(2026, 3, 28, 23, 30), londonTime(2026, 3, 29, 5, 0), "4 h ago"},
        {londonTime(2026, 3, 28, 23, 30), londonTime(2026, 3, 29, 6, 0), "5 h ago"},
        {londonTime(2026, 3, 28, 23, 30), londonTime(2026, 3, 29, 6, 30), "yesterday"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowWords::ago(c.date, c.now, london()), c.expected)
            << c.date.millisecondsSince1970() << " " << c.now.millisecondsSince1970();
    }
    // Days and years are counted in the calendar's time zone: 23:30 in London on 31 Dec is
    // already the next year in Tokyo.
    const Date newYearsEve = londonTime(2025, 12, 31, 23, 30);
    EXPECT_EQ(WindowWords::ago(newYearsEve, londonTime(2026, 1, 20, 12, 0), london()), "31 Dec 25");
    EXPECT_EQ(WindowWords::ago(newYearsEve, londonTime(2026, 1, 20, 12, 0), Calendar("Asia/Tokyo")), "1 Jan");
}

TEST(WindowWordsTest, TextHelpers) {
    const std::pair<const char*, const char*> capitals[] = {
        {"", ""}, {"just now", "Just now"}, {"5 min ago", "5 min ago"}, {"éclair mIX", "Éclair mIX"}};
    for (const auto& [in, out] : capitals) EXPECT_EQ(WindowWords::capitalized(in), out) << in;

    const std::pair<const char*, const char*> words[] = {
        {"", ""}, {"standby", "Standby"}, {"hOT  spare\tnode", "Hot  Spare\tNode"}, {"dotnet", "Dotnet"}};
    for (const auto& [in, out] : words) EXPECT_EQ(WindowWords::capitalizedWords(in), out) << in;

    const std::pair<std::optional<std::string>, std::optional<std::string>> refs[] = {
        {std::nullopt, std::nullopt},
        {"", std::nullopt},
        {"refs/heads/main", "main"},
        {"refs/heads/feature/x", "feature/x"},
        {"refs/tags/v1.2", "v1.2"},
        {"refs/pull/42/merge", "pull request 42"},
        {"refs/pull//7", "pull request 7"},
        {"refs/pull/", std::nullopt},
        {"main", "main"},
    };
    for (const auto& [in, out] : refs) EXPECT_EQ(WindowWords::ref(in), out) << in.value_or("(none)");

    EXPECT_EQ(WindowWords::vmKind("macos-15-arm64"), "macOS VM");
    EXPECT_EQ(WindowWords::vmKind("self-hosted-macos"), "macOS VM");
    EXPECT_EQ(WindowWords::vmKind("macOS"), "Linux VM");
    EXPECT_EQ(WindowWords::vmKind("ubuntu-latest"), "Linux VM");
}

TEST(WindowWordsTest, StripANSIRemovesOnlyControlSequences) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain text", "plain text"},
        {"\x1b[1;31mred\x1b[0m done", "red done"},
        {"\x1b[?25lhidden\x1b[K", "hidden"},
        {"lone \x1b here", "lone \x1b here"},
        {"\x1b]0;title\x07", "\x1b]0;title\x07"},
        {"cut \x1b[1;3", "cut \x1b[1;3"},  // the rest of the sequence comes in the next chunk
        {"\x1b\x1b[2mx", "\x1bx"},
        {"\x1b[31", "\x1b[31"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(WindowWords::stripANSI(in), out) << in;

    // A long log chunk of sequences is handled without deep recursion.
    std::string big;
    for (int i = 0; i < 200000; ++i) big += "\x1b[0;32mok\n";
    const std::string stripped = WindowWords::stripANSI(big);
    EXPECT_EQ(stripped.size(), 200000u * 3);
}
