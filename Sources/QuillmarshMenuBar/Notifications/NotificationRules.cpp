#include "Notifications/NotificationRules.h"

#include "Notifications/HeldRepositories.h"
#include "Words/MenuModel.h"

namespace quillmarsh {

namespace {

Notice notice(NoticeCategory category, std::string title, std::string body,
              std::map<std::string, std::string> userInfo = {}) {
    return Notice{category, std::move(title), std::move(body), std::move(userInfo)};
}

// Ready and download-only share one remembered version, so a version told as ready is not told
// again when it turns into a download, nor the reverse. Runs whether or not the agent answers.
void appUpdateRule(NotificationRules::State& state, const NotificationRules::Input& input,
                   std::vector<Notice>& out) {
    const auto kind = input.update.kind;
    if (kind != UpdateState::Case::ready && kind != UpdateState::Case::manual) return;
    const std::string& version = input.update.versionText;
    if (state.toldAppUpdate == version) return;
    // Left untold while the switch is off, so the notice comes once it is on.
    if (!input.notifyImage) return;
    state.toldAppUpdate = version;
    std::string body = "Version ";
    body.append(version);
    if (kind == UpdateState::Case::ready) {
        body.append(" is ready. Choose Update available in the menu, or it installs when the app next quits.");
    } else {
        body.append(" is available. This copy cannot replace itself; download it from ");
        body.append(input.downloadHost).append(".");
    }
    out.push_back(notice(NoticeCategory::appUpdate, "Quillmarsh for Mac update", std::move(body)));
}

void failedJobRule(NotificationRules::State& state, const NotificationRules::Input& input,
                   std::vector<Notice>& out) {
    // Without a jobs answer the empty list says nothing: forgetting every seen job here would
    // announce every old failure again at the next good answer.
    if (!input.jobsAnswered) return;
    std::set<std::string> ids;
    for (const auto& job : input.recent) ids.insert(job.id());
    if (state.seenFinished) {
        for (const auto& job : input.recent) {
            if (state.seenFinished->contains(job.id())) continue;
            if (job.conclusion == "success" || job.conclusion == "cancelled") continue;
            // Failures while the switch is off are not kept for later.
            if (!input.notifyJobFails) continue;
            std::string title = MenuModel::shortRepository(job.repository);
            title.append(" ").append(job.name).append(" failed");
            std::string body = job.name;
            body.append(" failed after ").append(MenuModel::duration(job.durationSeconds)).append(" on this Mac.");
            out.push_back(notice(NoticeCategory::job, std::move(title), std::move(body),
                                 {{"repository", job.repository}}));
        }
    }
    state.seenFinished = std::move(ids);
}

void breakRule(NotificationRules::State& state, const NotificationRules::Input& input,
               const AgentStatus& status, std::vector<Notice>& out) {
    const bool now = status.takingABreak();
    if (now && !state.wasTakingABreak && input.notifyBreak) {
        const std::string waiting = status.waiting.value_or("");
        std::string body = waiting == "thermal"     ? "This Mac is running hot."
                           : waiting == "low_power" ? "Low Power Mode is on."
                                                    : "Memory is tight on this Mac.";
        body.append(" New jobs go to your other machines until it has room.");
        out.push_back(notice(NoticeCategory::takingBreak, "Taking a break", std::move(body)));
    }
    state.wasTakingABreak = now;
}

// An absent image build keeps the last state, so a gap between two states is no change.
void imageRule(NotificationRules::State& state, const NotificationRules::Input& input,
               const AgentStatus& status, std::vector<Notice>& out) {
    if (!status.imageBuild) return;
    const std::string& now = status.imageBuild->state;
    if (state.imageState && *state.imageState != "ready" && now == "ready" && input.notifyImage) {
        std::string body;
        if (input.firstXcode) body.append("Xcode ").append(*input.firstXcode).append(" is in. ");
        body.append("macOS jobs on this Mac use it now.");
        out.push_back(notice(NoticeCategory::image, "macOS image ready", std::move(body)));
    }
    state.imageState = now;
}

// At most one agent-update notice per run of the app.
void agentUpdateRule(NotificationRules::State& state, const NotificationRules::Input& input,
                     const AgentStatus& status, std::vector<Notice>& out) {
    if (!status.updateAvailable() || state.toldUpdate || !input.notifyImage) return;
    state.toldUpdate = true;
    std::string body = "Version ";
    body.append(status.minAgentVersion.value_or("")).append(" is ready. The agent updates itself between jobs.");
    out.push_back(notice(NoticeCategory::image, "Quillmarsh agent update", std::move(body)));
}

// A billing notice is told when it shows up, when its key changes and when it comes back after
// it was gone; a held repository is told once per key, across runs. No switch gates it.
void billingRule(NotificationRules::State& state, const AgentStatus& status, Defaults& told,
                 std::vector<Notice>& out) {
    if (!status.billingNotice) {
        state.toldBilling.reset();
        return;
    }
    const BillingNotice& billing = *status.billingNotice;
    const std::string key = billing.key();
    if (state.toldBilling == key) return;
    state.toldBilling = key;
    const BillingMessage message = billing.message();
    NoticeCategory category = NoticeCategory::billing;
    if (billing.isHeldRepository()) {
        auto keys = HeldRepositories::load(told);
        if (keys.contains(key)) return;
        keys.insert(key);
        HeldRepositories::store(told, keys);
        category = NoticeCategory::plan;
    }
    out.push_back(notice(category, message.title, message.body, {{"url", billing.url}}));
}

// Machines are told apart by id; this Mac is recognised by its name in the account.
void machineRule(NotificationRules::State& state, const NotificationRules::Input& input,
                 const AgentStatus& status, std::vector<Notice>& out) {
    std::map<std::string, std::string> seen;
    for (const auto& machine : status.machines) {
        seen[machine.id] = machine.status;
        const auto before = state.machineStatus.find(machine.id);
        if (before == state.machineStatus.end() || before->second == "offline") continue;
        if (machine.status != "offline") continue;
        if (input.machineName && machine.name == *input.machineName) continue;
        if (!input.notifyOffline) continue;
        std::string title = machine.name;
        title.append(" went offline");
        out.push_back(notice(NoticeCategory::image, std::move(title), "New jobs route to the healthy side."));
    }
    state.machineStatus = std::move(seen);
}

} // namespace

std::vector<Notice> NotificationRules::check(State& state, const Input& input, Defaults& told) {
    std::vector<Notice> out;
    appUpdateRule(state, input, out);
    // The other rules need the agent's answer; without it their state waits unchanged.
    if (!input.agentAvailable || !input.status) return out;
    const AgentStatus& status = *input.status;
    failedJobRule(state, input, out);
    breakRule(state, input, status, out);
    imageRule(state, input, status, out);
    agentUpdateRule(state, input, status, out);
    billingRule(state, status, told, out);
    machineRule(state, input, status, out);
    return out;
}

} // namespace quillmarsh
