#include "Foundation/DecodeError.h"
#include "Records/PolicyView.h"
#include "Support/Fixtures.h"

#include <gtest/gtest.h>

namespace quillmarsh {
namespace {

TEST(PolicyView, DecodesTheSampleAndTreatsNullAsAbsent) {
    const PolicyView p = PolicyView::parse(test::sampleAnswer("policy.json"));
    EXPECT_FALSE(p.paused);
    EXPECT_FALSE(p.idleOnly);
    EXPECT_TRUE(p.pluggedInOnly);
    EXPECT_EQ(p.performance, "balanced");
    EXPECT_EQ(p.poolConsent, true);
    EXPECT_EQ(p.vmMemoryPercent, 75);
    EXPECT_EQ(p.pausedUntil, std::nullopt);
    EXPECT_EQ(p.stayAwake, "plugged_in");
    EXPECT_EQ(p.useMoreWhenAway, true);

    const PolicyView minimal =
        PolicyView::parse(R"({"paused":true,"idle_only":true,"plugged_in_only":false,"extra":[1]})");
    EXPECT_EQ(minimal, (PolicyView{true, true, false, {}, {}, {}, {}, {}, {}}));
}

TEST(PolicyView, RejectsMissingRequiredKeysAndWrongKinds) {
    for (const char* body : {
             R"({"paused":false,"plugged_in_only":true})",
             R"({"paused":false,"idle_only":false})",
             R"({"paused":null,"idle_only":false,"plugged_in_only":true})",
             R"({"paused":"no","idle_only":false,"plugged_in_only":true})",
             R"({"paused":false,"idle_only":false,"plugged_in_only":true,"vm_memory_percent":75.5})",
             R"({"paused":false,"idle_only":false,"plugged_in_only":true,"stay_awake":1})",
             R"([])",
         }) {
        EXPECT_THROW(PolicyView::parse(body), DecodeError) << body;
    }
}

} // namespace
} // namespace quillmarsh
