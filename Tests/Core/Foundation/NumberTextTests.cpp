#include "Foundation/NumberText.h"
#include "Foundation/Saturating.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quillmarsh;

TEST(NumberTextTest, LocaleFreeNumbers) {
    EXPECT_EQ(NumberText::fixed(1.25, 1), "1.2");  // exact binary value, as printf rounds it
    EXPECT_EQ(NumberText::fixed(2.5, 0), "2");
    EXPECT_EQ(NumberText::shortestWithFraction(60.0), "60.0");
    EXPECT_EQ(NumberText::shortestWithFraction(60.25), "60.25");
    EXPECT_EQ(NumberText::shortestWithFraction(1700000000.0), "1700000000.0");
    EXPECT_EQ(NumberText::roundHalfAwayFromZero(2.5), 3);
    EXPECT_EQ(NumberText::roundHalfAwayFromZero(-2.5), -3);
    EXPECT_EQ(NumberText::roundHalfAwayFromZero(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Saturating::add(std::numeric_limits<std::int64_t>::max(), 1), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Saturating::subtract(std::numeric_limits<std::int64_t>::min(), 1), std::numeric_limits<std::int64_t>::min());
}
