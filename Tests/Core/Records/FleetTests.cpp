#include "Foundation/DecodeError.h"
#include "Foundation/JsonText.h"
#include "Records/Fleet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quillmarsh;

namespace {

const char* machineJSON = R"({"id":"m1","name":"Studio","this":true,"routing":"primary","status":"online",
    "os":"macos","arch":"arm64","cpu_cores":10,"memory_gb":32,"isolation":"vm","labels":["macos-15"],
    "running_jobs":0,"last_heartbeat_at":"2026-12-10T09:59:00Z"})";

// The sample machine with some keys replaced (null removes one).
std::string fleetWith(const char* patch) {
    nlohmann::json machine = JsonText::parse(machineJSON);
    const nlohmann::json changes = JsonText::parse(patch);
    for (const auto& [key, value] : changes.items()) {
        if (value.is_null()) machine.erase(key);
        else machine[key] = value;
    }
    return nlohmann::json{{"owner", "acme"}, {"machines", nlohmann::json::array({machine})}}.dump();
}

} // namespace

TEST(FleetTest, DecodesMachinesStrictlyButKeepsTimesAsText) {
    const Fleet fleet = Fleet::parse(fleetWith(R"({"cpu_cores":null,"last_job_at":"yesterday-ish"})"));
    ASSERT_EQ(fleet.machines.size(), 1u);
    FleetMachine expected{"m1",  "Studio", true, "primary", "online", "macos", "arm64", std::nullopt, 32, "vm",
                          {"macos-15"}, 0, "2026-12-10T09:59:00Z", "yesterday-ish", std::nullopt};
    EXPECT_EQ(fleet, (Fleet{"acme", {expected}}));
    EXPECT_EQ(Fleet::parse(R"({"owner":"acme","machines":[]})").machines.size(), 0u);

    for (const char* patch : {R"({"labels":null})", R"({"this":"yes"})", R"({"running_jobs":1.5})",
                              R"({"memory_gb":"32"})", R"({"last_job_at":5})", R"({"labels":["a",1]})"}) {
        EXPECT_THROW(Fleet::parse(fleetWith(patch)), DecodeError) << patch;
    }
    EXPECT_THROW(Fleet::parse(R"({"machines":[]})"), DecodeError);
}
