#include "Vocabulary/Mode.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace quillmarsh;

TEST(ModeTest, RawValuesRoundTripExactly) {
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
    for (const char* bad : {"Primary", "PRIMARY", " primary", ""}) EXPECT_EQ(fromRaw<Mode>(bad), std::nullopt) << bad;
}
