#include "Support/LondonTime.h"
#include "Time/Calendar.h"
#include "Time/RFC3339.h"
#include "Vocabulary/PauseOption.h"

#include <gtest/gtest.h>

using namespace quillmarsh;
using test::london;
using test::londonTime;

TEST(PauseOptionTest, CasesLabelsAndIndices) {
    const auto cases = allCases<PauseOption>();
    const char* labels[] = {"For 1 Hour", "Until This Evening", "Until Tomorrow", "Until I Resume"};
    ASSERT_EQ(cases.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(index(cases[i]), i);
        EXPECT_EQ(pauseOption(i), cases[i]);
        EXPECT_EQ(label(cases[i]), labels[i]);
    }
    EXPECT_EQ(pauseOption(-1), std::nullopt);
    EXPECT_EQ(pauseOption(4), std::nullopt);
}

TEST(PauseOptionTest, UntilGivesEachChoicesEnd) {
    const Date afternoon = londonTime(2026, 12, 10, 14, 30, 15);
    EXPECT_EQ(until(PauseOption::oneHour, afternoon, london()), afternoon.adding(3600));
    EXPECT_EQ(until(PauseOption::untilEvening, afternoon, london()), londonTime(2026, 12, 10, 18, 0));
    EXPECT_EQ(until(PauseOption::untilEvening, londonTime(2026, 12, 10, 19, 0), london()), londonTime(2026, 12, 10, 18, 0));
    EXPECT_EQ(until(PauseOption::untilTomorrow, afternoon, london()), londonTime(2026, 12, 11, 9, 0));
    EXPECT_EQ(until(PauseOption::untilTomorrow, londonTime(2026, 12, 31, 23, 59, 59), london()), londonTime(2027, 1, 1, 9, 0));
    EXPECT_EQ(until(PauseOption::untilResume, afternoon, london()), std::nullopt);
    // Across the clock change the next day is a calendar day, not 24 hours.
    EXPECT_EQ(until(PauseOption::untilTomorrow, londonTime(2026, 3, 28, 23, 30), london()), londonTime(2026, 3, 29, 9, 0));
    EXPECT_EQ(until(PauseOption::untilTomorrow, londonTime(2026, 3, 29, 0, 30), london()), londonTime(2026, 3, 30, 9, 0));
    // The calendar's own zone decides the day: 18:00 in Tokyo.
    const Calendar tokyo("Asia/Tokyo");
    EXPECT_EQ(until(PauseOption::untilEvening, afternoon, tokyo), *tokyo.date(2026, 12, 10, 18, 0, 0));
}

TEST(PauseOptionTest, EveningIsOfferedWhileMoreThanAnHourAway) {
    const std::pair<Date, bool> cases[] = {
        {londonTime(2026, 12, 10, 16, 59, 59), true},
        {londonTime(2026, 12, 10, 17, 0, 0), false},
        {londonTime(2026, 12, 10, 17, 30), false},
        {londonTime(2026, 12, 10, 19, 0), false},
        {londonTime(2026, 12, 10, 0, 0), true},
    };
    for (const auto& [now, expected] : cases) {
        EXPECT_EQ(isAvailable(PauseOption::untilEvening, now, london()), expected) << RFC3339::format(now);
        for (PauseOption other : {PauseOption::oneHour, PauseOption::untilTomorrow, PauseOption::untilResume})
            EXPECT_TRUE(isAvailable(other, now, london()));
    }
}

TEST(PauseOptionTest, InForceMatchesTheRunningPause) {
    const Date now = londonTime(2026, 12, 10, 17, 0);
    struct Case {
        bool paused;
        std::optional<std::string> until;
        std::optional<PauseOption> expected;
    };
    const Case cases[] = {
        {false, "2026-12-10T18:00:00Z", std::nullopt},
        {true, std::nullopt, PauseOption::untilResume},
        {true, "", PauseOption::untilResume},
        {true, "soon", PauseOption::untilResume},
        {true, "2026-12-10T18:00:00Z", PauseOption::untilEvening},       // also when set with "For 1 Hour"
        {true, "2026-12-10T18:00:42.5Z", PauseOption::untilEvening},     // seconds are not looked at
        {true, "2026-12-11T09:00:00Z", PauseOption::untilTomorrow},
        {true, "2026-12-10T09:00:00Z", PauseOption::oneHour},
        {true, "2026-12-11T18:00:00Z", PauseOption::oneHour},
        {true, "2026-12-10T18:01:00Z", PauseOption::oneHour},
        {true, "2026-12-10T17:00:00-01:00", PauseOption::untilEvening},  // 18:00 in London
    };
    for (const auto& c : cases)
        EXPECT_EQ(inForce(c.paused, c.until, now, london()), c.expected) << c.until.value_or("(none)");

    // The hour is read in the calendar's zone: 18:00Z is 19:00 in summer time.
    EXPECT_EQ(inForce(true, "2026-07-10T18:00:00Z", londonTime(2026, 7, 10, 12, 0), london()), PauseOption::oneHour);
    EXPECT_EQ(inForce(true, "2026-07-10T17:00:00Z", londonTime(2026, 7, 10, 12, 0), london()), PauseOption::untilEvening);
}
