#include "Time/Calendar.h"
#include "Time/DateText.h"
#include "Time/RFC3339.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(DateTextTest, FormatsWithICU) {
    const Calendar utc = Calendar::utc();
    const Date d = *RFC3339::parse("2024-09-05T14:05:00Z");
    EXPECT_EQ(DateText::shortTime(d, utc, Locale::enGB()), "14:05");
    EXPECT_EQ(DateText::shortTime(d, utc, Locale("en_US")), "2:05\u202FPM");
    EXPECT_EQ(DateText::pattern(d, "d MMM", utc, Locale::enGB()), "5 Sept");
    EXPECT_EQ(DateText::localizedTemplate(d, "MMMd", utc, Locale("en_US")), "Sep 5");
}
