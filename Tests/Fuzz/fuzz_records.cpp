// Any bytes as the body of GET /status, /jobs, /host or /account: every decoder either gives a
// whole record or throws DecodeError. Any other exception, or a crash, is a bug. Decoded
// records must equal a copy of themselves and their derived values must be computable.
#include "Foundation/DecodeError.h"
#include "Foundation/JsonText.h"
#include "Records/AccountInfo.h"
#include "Records/AgentStatus.h"
#include "Records/HostInfo.h"
#include "Records/JobsSnapshot.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace quillmarsh;

namespace {

template <class Record, class Use>
void tryDecode(const nlohmann::json& json, Use use) {
    try {
        const Record record = Record::decode(json);
        const Record copy = record;
        if (!(copy == record)) std::abort();
        use(record);
    } catch (const DecodeError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    nlohmann::json json;
    try {
        json = JsonText::parse(body);
    } catch (const DecodeError&) {
        return 0;
    }
    tryDecode<AgentStatus>(json, [](const AgentStatus& s) {
        (void)s.updateAvailable();
        (void)s.takingABreak();
        if (s.version && s.minAgentVersion) {
            const int forward = AgentStatus::compareVersions(*s.version, *s.minAgentVersion);
            if (forward != -AgentStatus::compareVersions(*s.minAgentVersion, *s.version)) std::abort();
        }
        if (s.imageBuild) (void)s.imageBuild->inProgress();
    });
    tryDecode<JobsSnapshot>(json, [](const JobsSnapshot& s) {
        for (const auto& job : s.running) (void)job.id();
        for (const auto& job : s.recent) {
            if (job.id().empty()) std::abort();
            (void)job.succeeded();
        }
    });
    tryDecode<HostInfo>(json, [](const HostInfo&) {});
    tryDecode<AccountInfo>(json, [](const AccountInfo& a) {
        (void)a.machineURL();
        (void)a.jobURL(a.owner);
    });
    return 0;
}
