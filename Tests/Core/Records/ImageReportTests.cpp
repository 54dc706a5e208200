#include "Foundation/DecodeError.h"
#include "Records/ImageReport.h"
#include "Support/Fixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmarsh {
namespace {

TEST(ImageReport, DecodesTheSampleInTheAgentsOrder) {
    const ImageReport r = ImageReport::parse(test::sampleAnswer("image.checks.json"));
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
