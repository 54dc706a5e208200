#include "Records/AgentStatus.h"

#include "Foundation/IntegerText.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

#include <algorithm>

namespace quillmarsh {

namespace {

// Pieces of text split on separator, empty pieces dropped.
std::vector<std::string_view> nonEmptyPieces(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

// A decimal integer with an optional leading "+"; anything else (or out of range) is 0. The
// pieces come from a text cut at every "-", so none of them carries a minus sign.
std::int64_t versionNumber(std::string_view piece) { return IntegerText::parse(piece).value_or(0); }

std::vector<std::int64_t> versionParts(std::string_view version) {
    std::vector<std::int64_t> parts;
    const auto dashPieces = nonEmptyPieces(version, '-');
    if (dashPieces.empty()) return parts;
    for (std::string_view piece : nonEmptyPieces(dashPieces.front(), '.')) parts.push_back(versionNumber(piece));
    return parts;
}

} // namespace

int AgentStatus::compareVersions(std::string_view a, std::string_view b) {
    const auto left = versionParts(a);
    const auto right = versionParts(b);
    const std::size_t count = std::max(left.size(), right.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t l = i < left.size() ? left[i] : 0;
        const std::int64_t r = i < right.size() ? right[i] : 0;
        if (l < r) return -1;
        if (l > r) return 1;
    }
    return 0;
}

bool AgentStatus::updateAvailable() const {
    if (!version || version->empty() || !minAgentVersion || minAgentVersion->empty()) return false;
    return compareVersions(*version, *minAgentVersion) == -1;
}

bool AgentStatus::isPaused() const { return state == State::paused || waiting == "paused"; }

bool AgentStatus::takingABreak() const {
    const std::string_view code = waiting ? std::string_view(*waiting) : std::string_view();
    return code == "memory" || code == "thermal" || code == "low_power";
}

AgentStatus AgentStatus::decode(const nlohmann::json& json) {
    const JsonObject o(json, "AgentStatus");
    AgentStatus s;
    const auto state = fromRaw<State>(o.string("state"));
    if (!state) o.fail("state", "unknown state");
    s.state = *state;
    s.runningJobs = o.integer("runningJobs");
    s.capacity = o.integer("capacity");
    s.savedThisMonthCents = o.integer("savedThisMonthCents");
    s.imageId = o.optionalString("imageId");
    s.failoverActive = o.boolean("failoverActive");
    s.standby = o.stringsOr("standby");
    s.machines = o.listOr("machines", AccountMachine::decode);
    s.version = o.optionalString("version");
    s.minAgentVersion = o.optionalString("minAgentVersion");
    s.waitingJobs = o.integerOr("waitingJobs", 0);
    s.waiting = o.optionalString("waiting");
    s.waitingReason = o.optionalString("waitingReason");
    s.pausedUntil = o.optionalString("pausedUntil");
    s.routing = o.optionalString("routing");
    s.trust = o.optionalString("trust");
    s.laptop = o.booleanOr("laptop", false);
    s.stayAwake = o.optionalString("stayAwake");
    s.notReady = o.stringsOr("notReady");
    s.imageBuild = o.optionalObject("imageBuild", ImageBuildSummary::decode);
    s.awaitingPoolConsent = o.booleanOr("awaitingPoolConsent", false);
    s.lastHeartbeat = o.optionalString("lastHeartbeat");
    s.idleAfterSeconds = o.integerOr("idleAfterSeconds", 0);
    s.needsUpdateSince = o.optionalString("needsUpdateSince");
    s.billingNotice = o.optionalObject("billingNotice", BillingNotice::decode);
    s.updateError = o.optionalString("updateError");
    s.limit = o.optionalString("limit");
    return s;
}

AgentStatus AgentStatus::parse(std::string_view body) {
    return decode(JsonText::parse(body));
}

} // namespace quillmarsh
