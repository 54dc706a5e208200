#pragma once

#include "Model/Defaults.h"
#include "Notifications/Notice.h"
#include "Records/AgentStatus.h"
#include "Records/FinishedJob.h"
#include "Update/UpdateState.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillmarsh {

// Which notices to post after a change of the model. The rules compare what the model holds now
// with what they remembered at the last check, and announce each new event once: a ready or
// download-only app update, a job of this Mac that did not succeed, the start of a break, the
// macOS image becoming ready, an agent update, a billing notice, another machine going offline.
struct NotificationRules {
    // What the rules remember between checks, for the life of the app.
    struct State {
        std::optional<std::set<std::string>> seenFinished;  // none until the first check with a status
        bool wasTakingABreak = false;
        std::optional<std::string> imageState;
        std::map<std::string, std::string> machineStatus;  // machine id to status code
        bool toldUpdate = false;
        std::optional<std::string> toldAppUpdate;  // version of the last app-update notice
        std::optional<std::string> toldBilling;    // key of the billing notice last handled
    };

    // What a check reads of the model.
    struct Input {
        UpdateState update;
        bool agentAvailable = false;
        std::optional<AgentStatus> status;
        std::vector<FinishedJob> recent;        // the recent jobs of the last GET /jobs
        bool jobsAnswered = false;              // the last refresh got a GET /jobs answer
        std::optional<std::string> machineName; // this Mac's name in the account, when known
        std::optional<std::string> firstXcode;  // the version of the image's first Xcode
        bool notifyJobFails = true;
        bool notifyBreak = true;
        bool notifyOffline = false;
        bool notifyImage = true;
        std::string downloadHost;               // named by the download-only app-update notice
    };

    // The notices of one check, in the order of the rules above. Updates the state, and adds a
    // newly told held repository to the set kept in told.
    static std::vector<Notice> check(State& state, const Input& input, Defaults& told);
};

} // namespace quillmarsh
