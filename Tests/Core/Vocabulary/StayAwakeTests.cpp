#include "Vocabulary/StayAwake.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace quillmarsh;

TEST(StayAwakeTest, RawValuesRoundTripExactly) {
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
    for (const char* bad : {"pluggedIn", "plugged-in", "Never"}) EXPECT_EQ(fromRaw<StayAwake>(bad), std::nullopt) << bad;
}
