#include "Foundation/DecodeError.h"
#include "Foundation/JsonText.h"
#include "Records/AgentStatus.h"
#include "Support/Fixtures.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

namespace {

constexpr const char* minimal =
    R"({"state":"online","runningJobs":0,"capacity":2,"savedThisMonthCents":0,"failoverActive":false})";

// The minimal status with the keys of patch set over it (a JSON null in patch stays a null).
AgentStatus decodeWith(const char* patch) {
    nlohmann::json json = JsonText::parse(minimal);
    const nlohmann::json changes = JsonText::parse(patch);
    for (const auto& [key, value] : changes.items()) json[key] = value;
    return AgentStatus::decode(json);
}

} // namespace

TEST(AgentStatusTest, MinimalObjectGivesTheDefaults) {
    AgentStatus expected;
    expected.state = AgentStatus::State::online;
    expected.capacity = 2;
    EXPECT_EQ(AgentStatus::parse(minimal), expected);

    // null means the same as missing for every defaulted field
    const AgentStatus nulls = decodeWith(R"({"imageId":null,"standby":null,"machines":null,"version":null,
        "minAgentVersion":null,"waitingJobs":null,"waiting":null,"waitingReason":null,"pausedUntil":null,
        "routing":null,"trust":null,"laptop":null,"stayAwake":null,"notReady":null,"imageBuild":null,
        "awaitingPoolConsent":null,"billingNotice":null,"lastHeartbeat":null,"idleAfterSeconds":null,
        "needsUpdateSince":null,"updateError":null,"limit":null})");
    EXPECT_EQ(nulls, expected);
}

TEST(AgentStatusTest, FullObjectDecodesEveryField) {
    const AgentStatus s = AgentStatus::parse(test::fixture("records/status-full.json"));
    EXPECT_EQ(s.state, AgentStatus::State::needsUpdate);
    EXPECT_EQ(s.runningJobs, 1);
    EXPECT_EQ(s.savedThisMonthCents, 1234);
    EXPECT_EQ(s.imageId, "macos-15-xcode-16");
    EXPECT_TRUE(s.failoverActive);
    EXPECT_EQ(s.standby, std::vector<std::string>{"studio-b"});
    ASSERT_EQ(s.machines.size(), 2u);
    EXPECT_EQ(s.machines[0], (AccountMachine{"m-1", "Studio A", "online", AccountMachine::Routing::primary, 1, 2,
                                             {"macos", "arm64"}, {}}));
    EXPECT_EQ(s.machines[1].routing, AccountMachine::Routing::backup);
    EXPECT_EQ(s.machines[1].standby, std::vector<std::string>{"m-1"});
    EXPECT_EQ(s.waitingJobs, 3);
    EXPECT_EQ(s.waiting, "thermal");
    EXPECT_EQ(s.waitingReason, "Cooling down");
    EXPECT_EQ(s.pausedUntil, "2026-12-10T18:00:00Z");
    EXPECT_EQ(s.routing, "backup");
    EXPECT_EQ(s.trust, "trusted");
    EXPECT_TRUE(s.laptop);
    EXPECT_EQ(s.stayAwake, "plugged_in");
    EXPECT_EQ(s.notReady, std::vector<std::string>{"image"});
    EXPECT_EQ(s.imageBuild, (ImageBuildSummary{"needs_human", "Installing Xcode", 3, 7, "macOS 15", 42, 600, "img-1",
                                               "Sign in needed"}));
    EXPECT_TRUE(s.awaitingPoolConsent);
    EXPECT_EQ(s.billingNotice,
              (BillingNotice{"past_due", "2026-12-20T00:00:00Z", "https://example.test/billing", "acme/app"}));
    EXPECT_EQ(s.lastHeartbeat, "2026-12-10T09:59:58.250Z");
    EXPECT_EQ(s.idleAfterSeconds, 300);
    EXPECT_EQ(s.needsUpdateSince, "2026-12-09T08:00:00Z");
    EXPECT_EQ(s.updateError, "disk full");
    EXPECT_EQ(s.limit, "2 jobs");
}

TEST(AgentStatusTest, EveryStateWireValueAndNoOther) {
    const std::pair<const char*, AgentStatus::State> states[] = {
        {"online", AgentStatus::State::online},       {"offline", AgentStatus::State::offline},
        {"paused", AgentStatus::State::paused},       {"draining", AgentStatus::State::draining},
        {"needs_update", AgentStatus::State::needsUpdate},
    };
    for (const auto& [raw, state] : states) {
        EXPECT_EQ(fromRaw<AgentStatus::State>(raw), state) << raw;
        EXPECT_EQ(rawValue(state), raw);
        EXPECT_EQ(decodeWith((std::string(R"({"state":")") + raw + "\"}").c_str()).state, state) << raw;
    }
    for (const char* raw : {"Online", "needsUpdate", "needs-update", "online ", ""})
        EXPECT_EQ(fromRaw<AgentStatus::State>(raw), std::nullopt) << raw;
}

TEST(AgentStatusTest, MalformedAnswersFailAsAWhole) {
    const char* patches[] = {
        R"({"state":"Online"})",
        R"({"state":null})",
        R"({"state":1})",
        R"({"runningJobs":null})",
        R"({"capacity":"2"})",
        R"({"savedThisMonthCents":5.5})",
        R"({"savedThisMonthCents":9223372036854775808})",
        R"({"failoverActive":0})",
        R"({"imageId":7})",
        R"({"standby":"a"})",
        R"({"standby":["a",null]})",
        R"({"machines":{}})",
        R"({"waitingJobs":1.5})",
        R"({"laptop":"true"})",
        R"({"notReady":[1]})",
        R"({"limit":2})",
        // nested records: a bad machine, image build or notice fails the whole status
        R"({"machines":[{"id":"m","name":"n","status":"s","routing":"primary","running_jobs":0,"capacity":1,
            "labels":[],"standby":[]},{"id":"m","name":"n","status":"s","routing":"Primary","running_jobs":0,
            "capacity":1,"labels":[],"standby":[]}]})",
        R"({"machines":[{"id":"m","name":"n","status":"s","routing":"primary","running_jobs":0,"capacity":1,
            "labels":[]}]})",
        R"({"machines":[null]})",
        R"({"imageBuild":{"state":"running","percent":5}})",
        R"({"imageBuild":{"state":"running","percent":5,"total_seconds_left":null}})",
        R"({"imageBuild":{"state":"running","percent":5,"total_seconds_left":1,"steps":"7"}})",
        R"({"imageBuild":[]})",
        R"({"billingNotice":{"status":"past_due"}})",
        R"({"billingNotice":{"status":"past_due","url":"u","until":1}})",
        R"({"billingNotice":"past_due"})",
    };
    for (const char* patch : patches) EXPECT_THROW(decodeWith(patch), DecodeError) << patch;

    for (const char* body : {"[]", "null", "", R"({"state":"online"})",
                             R"({"state":"online","runningJobs":0,"capacity":2,"savedThisMonthCents":0,"failoverActive":false} x)",
                             "{\"state\":\"online\xff\",\"runningJobs\":0,\"capacity\":2,\"savedThisMonthCents\":0,\"failoverActive\":false}"})
        EXPECT_THROW(AgentStatus::parse(body), DecodeError) << body;
}

TEST(AgentStatusTest, ImageBuildKeepsAbsentStepsAbsent) {
    const AgentStatus s = decodeWith(R"({"imageBuild":{"state":"running","percent":0,"total_seconds_left":0}})");
    ASSERT_TRUE(s.imageBuild);
    EXPECT_EQ(s.imageBuild->steps, std::nullopt);
    EXPECT_EQ(s.imageBuild->stepNumber, std::nullopt);
    const AgentStatus zero =
        decodeWith(R"({"imageBuild":{"state":"running","percent":0,"total_seconds_left":0,"steps":0}})");
    EXPECT_NE(s, zero);
}

TEST(AgentStatusTest, EqualityCoversEveryField) {
    const std::string full = test::fixture("records/status-full.json");
    const AgentStatus a = AgentStatus::parse(full);
    EXPECT_EQ(a, AgentStatus::parse(full));
    AgentStatus b = a;
    b.lastHeartbeat = "2026-12-10T09:59:59Z";
    EXPECT_NE(a, b);
    b = a;
    b.machines[1].labels.push_back("x");
    EXPECT_NE(a, b);
    b = a;
    b.billingNotice->repository.reset();
    EXPECT_NE(a, b);
}

TEST(AgentStatusTest, CompareVersions) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"1.10", "1.9", 1},        {"1.9.0", "1.10", -1},   {"2", "2.0.0", 0},
        {"1.2.0-rc1", "1.2", 0},   {"1.2", "1.2.0.0", 0},   {"1.2.1", "1.2", 1},
        {"x.3", "0.3", 0},         {"1a.3", "0.3", 0},      {"a1.3", "0.3", 0},
        {"--2.0", "2", 0},         {"1..2.", "1.2", 0},     {"+3.1", "3.1", 0},
        {"++3", "0", 0},           {"1.4.2-beta.3", "1.4.2", 0},
        {"99999999999999999999.1", "0.1", 0},  // beyond 64 bits counts 0
        {"9223372036854775807", "9223372036854775806", 1},
        {"", "0", 0},              {"---", "0.0", 0},       {"", "0.1", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AgentStatus::compareVersions(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(AgentStatus::compareVersions(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(AgentStatusTest, UpdateAvailableNeedsBothVersionsAndAnOlderAgent) {
    struct Case {
        std::optional<std::string> version;
        std::optional<std::string> minimum;
        bool expected;
    };
    const Case cases[] = {
        {"1.9.0", "1.10", true},  {"1.10", "1.9.0", false}, {"2.0.0-dev", "2.0", false},
        {"", "1.0", false},       {std::nullopt, "1.0", false}, {"1.0", "", false},
        {"1.0", std::nullopt, false},
    };
    for (const auto& c : cases) {
        AgentStatus s;
        s.version = c.version;
        s.minAgentVersion = c.minimum;
        EXPECT_EQ(s.updateAvailable(), c.expected) << c.version.value_or("(none)") << " / " << c.minimum.value_or("(none)");
    }
}

TEST(AgentStatusTest, TakingABreakOnlyForTheThreeExactCodes) {
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {"memory", true},   {"thermal", true},      {"low_power", true},  {"thermal ", false},
        {"Thermal", false}, {"on_battery", false},  {"paused", false},    {"", false},
        {std::nullopt, false},
    };
    for (const auto& [waiting, expected] : cases) {
        AgentStatus s;
        s.waiting = waiting;
        EXPECT_EQ(s.takingABreak(), expected) << waiting.value_or("(none)");
    }
}

TEST(AgentStatusTest, ImageBuildInProgressStates) {
    for (const auto& [state, expected] : std::initializer_list<std::pair<const char*, bool>>{
             {"running", true}, {"waiting", true}, {"needs_human", true}, {"ready", false},
             {"failed", false}, {"Running", false}, {"", false}}) {
        ImageBuildSummary b;
        b.state = state;
        EXPECT_EQ(b.inProgress(), expected) << state;
    }
    EXPECT_EQ(AgentStatus::macOSGuestCap(), 2);
}

// The sample agent's answers (served by fake-agent and the demo) must stay decodable.
TEST(AgentStatusTest, SampleAgentAnswerDecodes) {
    EXPECT_FALSE(AgentStatus::parse(test::sampleAnswer("status.json")).machines.empty());
}
