#include "Vocabulary/AwaySetting.h"
#include "Vocabulary/Mode.h"
#include "Vocabulary/RunsJobs.h"
#include "Vocabulary/StayAwake.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(MenuVocabularyTest, RawValuesRoundTripExactly) {
    const std::tuple<Mode, const char*, const char*> modes[] = {
        {Mode::primary, "primary", "Primary"}, {Mode::backup, "backup", "Backup"}, {Mode::off, "off", "Off"}};
    ASSERT_EQ(allCases<Mode>().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& [mode, raw, text] = modes[i];
        EXPECT_EQ(allCases<Mode>()[i], mode);
        EXPECT_EQ(rawValue(mode), raw);
        EXPECT_EQ(label(mode), text);
        EXPECT_EQ(fromRaw<Mode>(raw), mode);
    }
    const std::tuple<StayAwake, const char*, const char*> stays[] = {{StayAwake::never, "never", "Never"},
                                                                     {StayAwake::pluggedIn, "plugged_in", "While plugged in"},
                                                                     {StayAwake::always, "always", "Always"}};
    ASSERT_EQ(allCases<StayAwake>().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& [value, raw, text] = stays[i];
        EXPECT_EQ(allCases<StayAwake>()[i], value);
        EXPECT_EQ(rawValue(value), raw);
        EXPECT_EQ(label(value), text);
        EXPECT_EQ(fromRaw<StayAwake>(raw), value);
    }
    for (const char* bad : {"Primary", "PRIMARY", " primary", ""}) EXPECT_EQ(fromRaw<Mode>(bad), std::nullopt) << bad;
    for (const char* bad : {"pluggedIn", "plugged-in", "Never"}) EXPECT_EQ(fromRaw<StayAwake>(bad), std::nullopt) << bad;
}

TEST(MenuVocabularyTest, RunsJobsFromThePolicyFlags) {
    EXPECT_EQ(runsJobs(false, false), RunsJobs::always);
    EXPECT_EQ(runsJobs(false, true), RunsJobs::always);
    EXPECT_EQ(runsJobs(true, false), RunsJobs::whenPluggedIn);
    EXPECT_EQ(runsJobs(true, true), RunsJobs::whenPluggedInAndNotInUse);
    EXPECT_EQ(allCases<RunsJobs>(),
              (std::array{RunsJobs::whenPluggedIn, RunsJobs::always, RunsJobs::whenPluggedInAndNotInUse}));
}

TEST(MenuVocabularyTest, AwaySetting) {
    EXPECT_TRUE(AwaySetting::isOn(std::nullopt));
    EXPECT_TRUE(AwaySetting::isOn(true));
    EXPECT_FALSE(AwaySetting::isOn(false));
    EXPECT_EQ(AwaySetting::patch(false).dump(), R"({"use_more_when_away":false})");
    EXPECT_EQ(AwaySetting::patch(true).dump(), R"({"use_more_when_away":true})");
    EXPECT_EQ(AwaySetting::key, "use_more_when_away");
    EXPECT_EQ(AwaySetting::title, "Use more of this Mac when I'm away");
}
