#include "Vocabulary/MenuIcon.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

TEST(MenuIconTest, AccessibilityValueByLook) {
    struct Case {
        MenuIcon icon;
        const char* expected;
    };
    const Case cases[] = {
        {{IconLook::needsAttention, "Offline, reconnecting"}, "Needs attention, offline, reconnecting"},
        {{IconLook::holdingBack, "Cooling down"}, "Holding back, cooling down"},
        {{IconLook::holdingBack, "Éco mode"}, "Holding back, éco mode"},
        {{IconLook::holdingBack, "ABC"}, "Holding back, aBC"},
        {{IconLook::holdingBack, ""}, "Holding back, "},
        {{IconLook::paused, "Paused until 18:00"}, "Paused until 18:00"},
        {{IconLook::running, "Running 2 jobs"}, "Running 2 jobs"},
        {{IconLook::idle, "Anything at all"}, "Ready"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.icon.accessibilityValue(), c.expected) << c.icon.tooltip;
}

TEST(MenuIconTest, LookNamesAndNotSetUp) {
    EXPECT_EQ(name(IconLook::needsAttention), "Needs attention");
    EXPECT_EQ(name(IconLook::paused), "Paused");
    EXPECT_EQ(name(IconLook::running), "Running");
    EXPECT_EQ(name(IconLook::holdingBack), "Holding back");
    EXPECT_EQ(name(IconLook::idle), "Ready");
    EXPECT_EQ(MenuIcon::notSetUp(), (MenuIcon{IconLook::idle, "Quillmarsh, not set up on this Mac"}));
    EXPECT_NE(MenuIcon::notSetUp(), (MenuIcon{IconLook::idle, "Ready"}));
}
