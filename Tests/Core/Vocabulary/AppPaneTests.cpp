#include "Vocabulary/AppPane.h"

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

TEST(AppPane, RawValuesAreTheTitlesAndOnlyThoseRoundTrip) {
    const char* titles[] = {"General", "This Mac", "Images", "Jobs", "Machines", "Caches", "About"};
    std::size_t i = 0;
    for (AppPane pane : allCases<AppPane>()) {
        EXPECT_EQ(rawValue(pane), titles[i]);
        EXPECT_EQ(fromRaw<AppPane>(titles[i]), pane);
        ++i;
    }
    EXPECT_EQ(i, 7u);
    for (const char* other : {"", "general", "This mac", "Jobs ", "Settings"}) {
        EXPECT_EQ(fromRaw<AppPane>(other), std::nullopt) << other;
    }
}

TEST(AppPane, OnThisMacIsTheJobGroup) {
    EXPECT_EQ(onThisMacPanes, (std::array<AppPane, 3>{AppPane::jobs, AppPane::machines, AppPane::caches}));
}

} // namespace
} // namespace quillmarsh
