#include "Vocabulary/AwaySetting.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(AwaySettingTest, AbsentIsOnAndThePatchNamesTheKey) {
    EXPECT_TRUE(AwaySetting::isOn(std::nullopt));
    EXPECT_TRUE(AwaySetting::isOn(true));
    EXPECT_FALSE(AwaySetting::isOn(false));
    EXPECT_EQ(AwaySetting::patch(false).dump(), R"({"use_more_when_away":false})");
    EXPECT_EQ(AwaySetting::patch(true).dump(), R"({"use_more_when_away":true})");
    EXPECT_EQ(AwaySetting::title, "Use more of this Mac when I'm away");
}
