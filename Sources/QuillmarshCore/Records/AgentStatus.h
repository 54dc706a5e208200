#pragma once

#include "Foundation/RawValue.h"
#include "Records/AccountMachine.h"
#include "Records/ImageBuildSummary.h"
#include "Words/BillingNotice.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The agent's answer to GET /status (camelCase keys at the top level).
// Times (pausedUntil, lastHeartbeat, needsUpdateSince) stay RFC 3339 text; readers parse
// them with RFC3339::parse where they use them.
struct AgentStatus {
    enum class State { online, offline, paused, draining, needsUpdate };

    // The most macOS guest VMs that run at once on one Mac.
    static constexpr std::int64_t macOSGuestCap() { return 2; }

    State state = State::offline;                    // required
    std::int64_t runningJobs = 0;                    // required
    std::int64_t capacity = 0;                       // required
    std::int64_t savedThisMonthCents = 0;            // required
    std::optional<std::string> imageId;
    bool failoverActive = false;                     // required
    std::vector<std::string> standby;
    std::vector<AccountMachine> machines;
    std::optional<std::string> version;
    std::optional<std::string> minAgentVersion;
    std::int64_t waitingJobs = 0;
    // Why this Mac holds back new jobs: "on_battery", "in_use", "memory", "thermal", "comfort",
    // "low_power", "pool_consent", "draining", "exclusive" or "paused".
    std::optional<std::string> waiting;
    std::optional<std::string> waitingReason;
    std::optional<std::string> pausedUntil;
    std::optional<std::string> routing;    // "primary", "backup" or "off"
    std::optional<std::string> trust;      // "trusted" when trusted
    bool laptop = false;
    std::optional<std::string> stayAwake;  // "never", "plugged_in" or "always"
    std::vector<std::string> notReady;
    std::optional<ImageBuildSummary> imageBuild;
    bool awaitingPoolConsent = false;
    std::optional<BillingNotice> billingNotice;
    std::optional<std::string> lastHeartbeat;
    std::int64_t idleAfterSeconds = 0;
    std::optional<std::string> needsUpdateSince;
    std::optional<std::string> updateError;
    std::optional<std::string> limit;

    bool operator==(const AgentStatus&) const = default;

    // The agent is older than the lowest version the service accepts (both versions known).
    bool updateAvailable() const;
    // The agent holds back for memory, heat or Low Power Mode.
    bool takingABreak() const;
    // Paused by the user: the state is paused or the agent waits because of a pause.
    bool isPaused() const;

    // Compares versions numerically part by part after cutting at the first "-":
    // -1 when a is older, 0 when equal, 1 when newer. Pieces that are not decimal
    // integers count 0, missing positions count 0; a text with no piece equals "0".
    static int compareVersions(std::string_view a, std::string_view b);

    // Throws DecodeError for any missing required key, unknown state or routing word,
    // or value of the wrong kind anywhere; there is no partial record.
    static AgentStatus decode(const nlohmann::json& json);
    // Parses the body of GET /status strictly (JsonText::parse), then decodes it.
    static AgentStatus parse(std::string_view body);
};

template <>
struct RawValues<AgentStatus::State> {
    using State = AgentStatus::State;
    static constexpr auto table = std::to_array<RawEntry<State>>({
        {State::online, "online"},
        {State::offline, "offline"},
        {State::paused, "paused"},
        {State::draining, "draining"},
        {State::needsUpdate, "needs_update"},
    });
};

} // namespace quillmarsh
