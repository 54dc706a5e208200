#include "LinuxCamera.h"
#include "LinuxLowPower.h"
#include "LinuxMicrophone.h"
#include "LinuxScreenLock.h"
#include "LinuxSMCService.h"
#include "LinuxThermal.h"
#include "Sensors.h"
#include "Support/Fixtures.h"
#include "Support/TempFolder.h"
#include "SysfsText.h"
#include "VM/JsonLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

using namespace quillmarsh;
using test::TempFolder;
namespace fs = std::filesystem;

namespace {

const std::string fixtures = test::fixturesFolder() + "/sensors";

std::string sensorsLine(const std::string& root) {
    LinuxScreenLock screenLock(root);
    LinuxLowPower lowPower(root);
    LinuxThermal thermal(root);
    LinuxMicrophone microphone(root);
    LinuxCamera camera(root);
    LinuxSMCService smc(root);
    return JsonLine::encode(Sensors::line({screenLock, lowPower, thermal, microphone, camera, smc}));
}

TEST(SensorsTest, LinesOfFixtureHosts) {
    EXPECT_EQ(sensorsLine(fixtures + "/busy"),
              R"({"camera_in_use":true,"fans":3,"low_power":true,"microphone_in_use":true,"screen_locked":true,"thermal":"serious"})");
    EXPECT_EQ(sensorsLine(fixtures + "/idle"),
              R"({"camera_in_use":false,"fans":0,"low_power":false,"microphone_in_use":false,"screen_locked":false,"thermal":"nominal"})");
    // Nothing answers: harmless values and no "fans".
    EXPECT_EQ(sensorsLine(fixtures + "/empty"),
              R"({"camera_in_use":false,"low_power":false,"microphone_in_use":false,"screen_locked":false,"thermal":"nominal"})");
}

TEST(SensorsTest, ThermalWords) {
    const std::map<std::int64_t, std::string> words = {
        {0, "nominal"}, {1, "fair"}, {2, "serious"}, {3, "critical"}, {4, "unknown"}, {-1, "unknown"}};
    for (const auto& [state, word] : words) EXPECT_EQ(Sensors::thermalWord(state), word) << state;
}

// A program at relative in the host root: a shell script the owner may run.
void writeProgram(const TempFolder& root, const std::string& relative, const std::string& script) {
    fs::permissions(root.write(relative, script), fs::perms::owner_all);
}

TEST(SensorsTest, KernelTextFilesAreSmallAndTheirIntegersStrict) {
    TempFolder root("vz-sensors");
    const std::string limit(64 * 1024, 'k');
    EXPECT_TRUE(SysfsText::read(root.write("full", limit).string()) == limit);
    EXPECT_FALSE(SysfsText::read(root.write("longer", limit + "k").string()).has_value());
    EXPECT_EQ(SysfsText::read((root / "missing").string()), std::nullopt);
    EXPECT_EQ(SysfsText::trimmed(root.write("word", " \tlow-power\n").string()), "low-power");

    struct Case {
        std::string text;
        std::optional<long long> value;
    };
    const std::vector<Case> cases = {
        {"42\n", 42},
        {"  -273200 \n", -273200},
        {"9223372036854775807", 9223372036854775807LL},
        {"9223372036854775808", std::nullopt},
        {"+5", std::nullopt},
        {"", std::nullopt},
        {"\n", std::nullopt},
        {"4 2", std::nullopt},
        {"12abc", std::nullopt},
        {"0x10", std::nullopt},
        {"n/a", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SysfsText::integer(root.write("value", c.text).string()), c.value) << c.text;
}

TEST(SensorsTest, ThermalStateIsTheHighestTripReached) {
    struct Zone {
        std::string temp;
        std::vector<std::pair<std::string, std::string>> trips;  // temperature, type
    };
    struct Case {
        const char* what;
        std::vector<Zone> zones;
        std::int64_t state;
    };
    const std::vector<Case> cases = {
        {"no zones", {}, 0},
        {"below every trip", {{"39999", {{"40000", "active"}, {"90000", "critical"}}}}, 0},
        {"at an active trip", {{"40000", {{"40000", "active"}, {"90000", "critical"}}}}, 1},
        {"past a passive trip", {{"70000", {{"40000", "active"}, {"60000", "passive"}}}}, 2},
        {"past a hot trip", {{"91000", {{"90000", "hot"}}}}, 3},
        {"past the critical trip", {{"105000", {{"100000", "critical"}}}}, 3},
        {"hottest zone wins", {{"45000", {{"40000", "active"}}}, {"61000", {{"60000", "passive"}}}}, 2},
        {"unset trips at 0 are ignored", {{"30000", {{"0", "critical"}, {"-273200", "hot"}}}}, 0},
        {"unreadable temperature", {{"n/a", {{"1000", "critical"}}}}, 0},
        {"unknown trip type", {{"50000", {{"40000", "fancy"}}}}, 0},
    };
    for (const auto& c : cases) {
        TempFolder root("vz-sensors");
        for (std::size_t z = 0; z < c.zones.size(); ++z) {
            const std::string zone = "sys/class/thermal/thermal_zone" + std::to_string(z) + "/";
            root.write(zone + "temp", c.zones[z].temp + "\n");
            for (std::size_t t = 0; t < c.zones[z].trips.size(); ++t) {
                const std::string trip = zone + "trip_point_" + std::to_string(t);
                root.write(trip + "_temp", c.zones[z].trips[t].first + "\n");
                root.write(trip + "_type", c.zones[z].trips[t].second + "\n");
            }
        }
        EXPECT_EQ(LinuxThermal(root.string()).thermalState(), c.state) << c.what;
    }
}

TEST(SensorsTest, ScreenLockNeedsAnActiveSessionAndAnAnswer) {
    const std::string yes = "#!/bin/sh\necho LockedHint=yes\n";
    struct Case {
        const char* what;
        std::string seat;
        std::string loginctl;
        bool locked;
    };
    const std::vector<Case> cases = {
        {"locked", "ACTIVE=7\n", yes, true},
        {"seat without an active session", "SESSIONS=\n", yes, false},
        {"no seat", "", yes, false},
        {"empty session id", "ACTIVE=\n", yes, false},
        {"loginctl fails", "ACTIVE=7\n", "#!/bin/sh\necho LockedHint=yes\nexit 1\n", false},
        {"no loginctl", "ACTIVE=7\n", "", false},
        {"other answer", "ACTIVE=7\n", "#!/bin/sh\necho LockedHint=no\n", false},
    };
    for (const auto& c : cases) {
        TempFolder root("vz-sensors");
        if (!c.seat.empty()) root.write("run/systemd/seats/seat0", c.seat);
        if (!c.loginctl.empty()) writeProgram(root, "usr/bin/loginctl", c.loginctl);
        EXPECT_EQ(LinuxScreenLock(root.string()).screenLocked(), c.locked) << c.what;
    }

    // A loginctl that never answers is given up after the time-out.
    TempFolder hung("vz-sensors");
    hung.write("run/systemd/seats/seat0", "ACTIVE=7\n");
    writeProgram(hung, "usr/bin/loginctl", "#!/bin/sh\nexec sleep 30\n");
    EXPECT_FALSE(LinuxScreenLock(hung.string(), 50).screenLocked());
}

TEST(SensorsTest, MicrophoneCountsOnlyRunningCaptureStreams) {
    TempFolder root("vz-sensors");
    root.write("proc/asound/card0/pcm0p/sub0/status", "state: RUNNING\n");
    root.write("proc/asound/card0/pcm1c/sub0/status", "state: PREPARED\n");
    root.write("proc/asound/card0/pcm1c/info", "state: RUNNING\n");
    EXPECT_FALSE(LinuxMicrophone(root.string()).microphoneInUse());
    root.write("proc/asound/card2/pcm0c/sub3/status", "state: RUNNING\nowner_pid   : 1\n");
    EXPECT_TRUE(LinuxMicrophone(root.string()).microphoneInUse());
}

TEST(SensorsTest, CameraNeedsADescriptorOnAnExistingVideoDevice) {
    TempFolder root("vz-sensors");
    root.write("proc/12/fd/.keep", "");
    fs::create_symlink("/dev/video0", root / "proc/12/fd/3");
    // The descriptor alone is not enough: the device must exist under the same root.
    EXPECT_FALSE(LinuxCamera(root.string()).cameraInUse());
    root.write("dev/video0", "");
    EXPECT_TRUE(LinuxCamera(root.string()).cameraInUse());

    TempFolder named("vz-sensors");
    named.write("dev/video0", "");
    named.write("proc/self/fd/.keep", "");
    fs::create_symlink("/dev/video0", named / "proc/self/fd/3");  // not a process id
    named.mkdir("proc/13/fd");
    fs::create_symlink("/dev/video01", named / "proc/13/fd/3");
    EXPECT_FALSE(LinuxCamera(named.string()).cameraInUse());
}

} // namespace
