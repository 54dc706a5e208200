#include "Foundation/DecodeError.h"
#include "Foundation/JsonText.h"
#include "Records/HostInfo.h"
#include "Support/Fixtures.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

namespace {

const char* host = R"({"chip":"Apple M2 Pro","cores":12,"performanceCores":8,"efficiencyCores":4,"memoryMiB":32768,
    "memoryUsedMiB":-1,"availableMiB":20000,"pressure":1,"swapUsedMiB":0,"laptop":true,"onBattery":false,"idle":true,
    "lowPower":false,"thermal":"nominal","freeDiskGB":412,"osVersion":"15.2","strain":"low","reason":null,
    "comfortable":true,"jobsAtOnce":2,"macosGuest":{"CPUs":4,"MemoryMiB":8192},"linuxGuest":{"CPUs":0,"MemoryMiB":4096},
    "stayAwake":"plugged_in","keepAwake":true,"unknown":1})";

HostInfo decodeWith(const char* patch) {
    nlohmann::json json = JsonText::parse(host);
    const nlohmann::json changes = JsonText::parse(patch);
    for (const auto& [key, value] : changes.items()) json[key] = value;
    return HostInfo::decode(json);
}

} // namespace

TEST(HostInfoTest, DecodesEveryField) {
    const HostInfo expected{"Apple M2 Pro", 12, 8, 4, 32768, -1, 20000, 1, 0, true, false, true, false, "nominal",
                            412, "15.2", "low", std::nullopt, true, 2, {4, 8192}, {0, 4096}, "plugged_in", true};
    EXPECT_EQ(HostInfo::parse(host), expected);

    const HostInfo bare = decodeWith(R"({"chip":null,"thermal":null,"osVersion":null,"strain":null,"reason":"hot"})");
    EXPECT_EQ(bare.chip, std::nullopt);
    EXPECT_EQ(bare.thermal, std::nullopt);
    EXPECT_EQ(bare.osVersion, std::nullopt);
    EXPECT_EQ(bare.strain, std::nullopt);
    EXPECT_EQ(bare.reason, "hot");

    HostInfo swapped = expected;
    swapped.swapUsedMiB = 1;
    EXPECT_NE(swapped, expected);
}

TEST(HostInfoTest, MalformedHostsFail) {
    const char* patches[] = {
        R"({"macosGuest":{"cpus":4,"MemoryMiB":8192}})",
        R"({"linuxGuest":{"CPUs":4,"memoryMiB":8192}})",
        R"({"linuxGuest":{"CPUs":4,"MemoryMiB":null}})",
        R"({"macosGuest":null})",
        R"({"macosGuest":[4,8192]})",
        R"({"cores":null})",
        R"({"memoryMiB":32768.5})",
        R"({"laptop":null})",
        R"({"stayAwake":null})",
        R"({"keepAwake":"yes"})",
        R"({"chip":5})",
        R"({"jobsAtOnce":-9223372036854775809})",
    };
    for (const char* patch : patches) EXPECT_THROW(decodeWith(patch), DecodeError) << patch;
}

// The sample agent's answers (served by fake-agent and the demo) must stay decodable.
TEST(HostInfoTest, SampleAgentAnswerDecodes) {
    EXPECT_GT(HostInfo::parse(test::sampleAnswer("host.json")).cores, 0);
}
