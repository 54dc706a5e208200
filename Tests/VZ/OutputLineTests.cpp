#include "Capabilities.h"
#include "Foundation/DecodeError.h"
#include "VM/JsonLine.h"
#include "VM/VMRunResult.h"

#include <gtest/gtest.h>

#include <limits>

using quillmarsh::HostFacts;
using quillmarsh::VMRunResult;
namespace JsonLine = quillmarsh::JsonLine;
namespace Capabilities = quillmarsh::Capabilities;

namespace {

TEST(JsonLineTest, CompactSortedWithEscapedSlashesAndPlainUTF8) {
    const nlohmann::json line = {{"status", "ok"}, {"path", "/a/b c/é"}, {"b", {"x/y", "z"}}, {"a", 1}, {"c", false}};
    EXPECT_EQ(JsonLine::encode(line), R"({"a":1,"b":["x\/y","z"],"c":false,"path":"\/a\/b c\/é","status":"ok"})");
    // Control characters and quotes stay JSON escapes.
    EXPECT_EQ(JsonLine::encode({{"m", "a\"b\n\\"}}), R"({"m":"a\"b\n\\"})");
}

TEST(JsonLineTest, InvalidUTF8IsRepairedAndUnserialisableValuesGiveEmptyText) {
    EXPECT_EQ(JsonLine::encode({{"m", std::string("a\xff") + "b"}}), "{\"m\":\"a\xef\xbf\xbd" "b\"}");
    EXPECT_EQ(JsonLine::encode({{"m", std::numeric_limits<double>::quiet_NaN()}}), "");
    EXPECT_EQ(JsonLine::encode({{"m", {{"n", std::numeric_limits<double>::infinity()}}}}), "");
}

TEST(VMRunResultTest, LinesForEveryReason) {
    struct Case {
        VMRunResult result;
        std::string line;
    };
    const std::vector<Case> cases = {
        {VMRunResult(VMRunResult::Reason::guestStopped, 1500), R"({"duration_ms":1500,"reason":"guest_stopped","status":"stopped"})"},
        {VMRunResult(VMRunResult::Reason::timeout, 0), R"({"duration_ms":0,"reason":"timeout","status":"stopped"})"},
        {VMRunResult(VMRunResult::Reason::cancelled, 7), R"({"duration_ms":7,"reason":"cancelled","status":"stopped"})"},
        {VMRunResult(VMRunResult::Reason::error, 12, "start: disk /a/b is missing"),
         R"({"duration_ms":12,"error":"start: disk \/a\/b is missing","reason":"error","status":"error"})"},
        // A message with another reason keeps the status "stopped".
        {VMRunResult(VMRunResult::Reason::cancelled, 3, "no runner configuration"),
         R"({"duration_ms":3,"error":"no runner configuration","reason":"cancelled","status":"stopped"})"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result.jsonLine(), c.line);
        EXPECT_EQ(VMRunResult::decodeLine(c.line), c.result) << c.line;
    }
}

TEST(VMRunResultTest, DecoderRejectsUnknownReasonsAndMissingFields) {
    for (const char* text : {
             R"({"duration_ms":1,"reason":"crashed","status":"error"})",
             R"({"duration_ms":1,"reason":"Timeout","status":"stopped"})",
             R"({"reason":"timeout","status":"stopped"})",
             R"({"duration_ms":1.5,"reason":"timeout","status":"stopped"})",
             R"({"duration_ms":1,"status":"stopped"})",
             R"({"duration_ms":1,"reason":"timeout"})",
             R"({"duration_ms":1,"error":5,"reason":"timeout","status":"stopped"})",
             R"([])",
         }) {
        EXPECT_THROW(VMRunResult::decodeLine(text), quillmarsh::DecodeError) << text;
    }
    // A null "error" is the same as none.
    EXPECT_EQ(VMRunResult::decodeLine(R"({"duration_ms":1,"error":null,"reason":"timeout","status":"stopped"})"),
              VMRunResult(VMRunResult::Reason::timeout, 1));
}

struct FakeHost final : HostFacts {
    std::int64_t cpus = 8;
    std::uint64_t memory = 16ull << 30;
    std::int64_t rosetta = 0;
    bool newEnough = false;
    bool nested = false;
    mutable bool nestedAsked = false;

    std::int64_t maximumAllowedCPUCount() const override { return cpus; }
    std::uint64_t maximumAllowedMemorySize() const override { return memory; }
    std::int64_t rosettaAvailability() const override { return rosetta; }
    bool nestedQueryAvailable() const override { return newEnough; }
    bool isNestedVirtualizationSupported() const override {
        nestedAsked = true;
        return nested;
    }
};

TEST(CapabilitiesTest, ElevenKeysFromTheHostFacts) {
    FakeHost host;
    host.memory = (4ull << 30) + 1;  // truncated, not rounded
    EXPECT_EQ(JsonLine::encode(Capabilities::line(host)),
              R"({"guests":["linux","macos"],"helper":"quillmarsh-vz","macos_guest_cap":2,"max_cpus":8,)"
              R"("max_memory_mib":4096,"nested":false,"net_fd":true,"nice":true,"rosetta":"not_supported",)"
              R"("secret_on_demand":true,"sensors":true})");

    host.memory = (1ull << 20) - 1;
    EXPECT_EQ(Capabilities::line(host)["max_memory_mib"], 0);

    // A system too old to ask gives false without asking, even where nesting would work.
    host.nested = true;
    EXPECT_EQ(Capabilities::line(host)["nested"], false);
    EXPECT_FALSE(host.nestedAsked);
    host.newEnough = true;
    EXPECT_EQ(Capabilities::line(host)["nested"], true);
    host.nested = false;
    EXPECT_EQ(Capabilities::line(host)["nested"], false);

    const std::vector<std::pair<std::int64_t, std::string>> words = {
        {0, "not_supported"}, {1, "not_installed"}, {2, "installed"}, {3, "unknown"}, {-1, "unknown"}};
    for (const auto& [availability, word] : words) {
        host.rosetta = availability;
        EXPECT_EQ(Capabilities::line(host)["rosetta"], word) << availability;
    }
}

} // namespace
