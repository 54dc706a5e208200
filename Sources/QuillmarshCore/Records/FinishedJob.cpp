#include "Records/FinishedJob.h"

#include "Foundation/JsonObject.h"
#include "Foundation/NumberText.h"
#include "Time/RFC3339.h"

namespace quillmarsh {

namespace {

Date decodeDate(const JsonObject& o, std::string_view key, const std::string& text) {
    const auto date = RFC3339::parse(text);
    if (!date) o.fail(key, "expected an RFC 3339 time");
    return *date;
}

} // namespace

std::string FinishedJob::id() const {
    if (!jobId.empty()) return jobId;
    return NumberText::integer(runId) + "-" + name + "-" + NumberText::shortestWithFraction(finishedAt.secondsSince1970());
}

FinishedJob FinishedJob::decode(const nlohmann::json& json) {
    const JsonObject o(json, "FinishedJob");
    FinishedJob j;
    j.jobId = o.string("job_id");
    j.runId = o.integer("run_id");
    j.repository = o.string("repository");
    j.workflow = o.string("workflow");
    j.name = o.string("name");
    j.label = o.string("label");
    j.conclusion = o.string("conclusion");
    if (const auto started = o.optionalString("started_at")) j.startedAt = decodeDate(o, "started_at", *started);
    j.finishedAt = decodeDate(o, "finished_at", o.string("finished_at"));
    j.durationSeconds = o.integer("duration_seconds");
    j.ref = o.optionalString("ref");
    j.vm = o.optionalString("vm");
    j.runUrl = o.optionalString("run_url");
    return j;
}

} // namespace quillmarsh
