#include "Time/Calendar.h"
#include "Time/RFC3339.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(CalendarTest, WallTimesAcrossClockChanges) {
    const Calendar london("Europe/London");
    // 2024-03-31 01:30 does not exist in London: it resolves to the next valid time, 02:00 BST.
    const auto skipped = london.date(2024, 3, 31, 1, 30, 0);
    ASSERT_TRUE(skipped);
    EXPECT_EQ(RFC3339::format(*skipped), "2024-03-31T01:00:00Z");
    // 2024-10-27 01:30 happens twice: the first (BST, 00:30Z) is taken.
    const auto repeated = london.date(2024, 10, 27, 1, 30, 0);
    ASSERT_TRUE(repeated);
    EXPECT_EQ(RFC3339::format(*repeated), "2024-10-27T00:30:00Z");
    const Date noon = *RFC3339::parse("2024-03-31T12:00:00Z");
    EXPECT_EQ(RFC3339::format(london.startOfDay(noon)), "2024-03-31T00:00:00Z");
    EXPECT_EQ(RFC3339::format(*london.bySettingHour(18, 0, 0, noon)), "2024-03-31T17:00:00Z");
    EXPECT_EQ(RFC3339::format(*london.byAddingDays(1, london.startOfDay(noon))), "2024-03-31T23:00:00Z");  // 1 April, 00:00 BST
    EXPECT_EQ(london.daysBetween(noon, *london.byAddingDays(3, noon)), 3);
    EXPECT_TRUE(london.isSameDay(noon, london.startOfDay(noon)));
}
