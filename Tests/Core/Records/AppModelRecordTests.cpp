#include "Foundation/DecodeError.h"
#include "Records/ImageReport.h"
#include "Records/PolicyView.h"
#include "Vocabulary/AppPane.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace quillmarsh {
namespace {

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(QUILLMARSH_FIXTURES) + "/agent/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

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

TEST(PolicyView, DecodesTheSampleAndTreatsNullAsAbsent) {
    const PolicyView p = PolicyView::parse(fixture("policy.json"));
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

TEST(ImageReport, DecodesTheSampleInTheAgentsOrder) {
    const ImageReport r = ImageReport::parse(fixture("image.checks.json"));
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.checks.size(), 4u);
    EXPECT_EQ(r.checks[1], (ImageReport::Check{"xcode", "running", "Xcode 16.2", "Installing into the image, step 3 of 6"}));
    EXPECT_EQ(r.checks[2].detail, std::nullopt);
    EXPECT_EQ(r.macos, "15.2");
    EXPECT_EQ(r.xcodes, (std::vector<ImageReport::Xcode>{{"16.2"}, {"16.1"}}));
    ASSERT_EQ(r.runtimes.size(), 3u);
    EXPECT_EQ(r.runtimes[2], (ImageReport::Runtime{"visionos", "2.2"}));
    EXPECT_EQ(r.current, "macos-15.1-xcode-16.1");
    EXPECT_TRUE(r.built);
    EXPECT_EQ(r.freeBytes, 412000000000);
    EXPECT_EQ(r.needBytes, 90000000000);
}

TEST(ImageReport, OneBadFieldFailsTheWholeReport) {
    const std::string good = R"({"ok":true,"checks":[],"xcodes":[],"runtimes":[],"built":false,"free_bytes":1,"need_bytes":2})";
    EXPECT_NO_THROW(ImageReport::parse(good));
    for (const char* body : {
             R"({"ok":true,"checks":[],"xcodes":[],"runtimes":[],"built":false,"free_bytes":1})",
             R"({"ok":true,"xcodes":[],"runtimes":[],"built":false,"free_bytes":1,"need_bytes":2})",
             R"({"ok":true,"checks":[{"id":"a","status":"ok"}],"xcodes":[],"runtimes":[],"built":false,"free_bytes":1,"need_bytes":2})",
             R"({"ok":true,"checks":[],"xcodes":[{}],"runtimes":[],"built":false,"free_bytes":1,"need_bytes":2})",
             R"({"ok":true,"checks":[],"xcodes":[],"runtimes":[{"platform":"ios"}],"built":false,"free_bytes":1,"need_bytes":2})",
             R"({"ok":true,"checks":[],"xcodes":[],"runtimes":[],"built":false,"free_bytes":1.5,"need_bytes":2})",
             R"({"ok":true,"checks":[],"xcodes":[],"runtimes":[],"built":false,"free_bytes":18446744073709551615,"need_bytes":2})",
         }) {
        EXPECT_THROW(ImageReport::parse(body), DecodeError) << body;
    }
}

} // namespace
} // namespace quillmarsh
