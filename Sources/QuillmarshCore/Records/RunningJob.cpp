#include "Records/RunningJob.h"

#include "Foundation/JsonObject.h"
#include "Foundation/NumberText.h"

namespace quillmarsh {

std::string RunningJob::id() const {
    if (!jobId.empty()) return jobId;
    return NumberText::integer(runId) + "-" + name;
}

RunningJob RunningJob::decode(const nlohmann::json& json) {
    const JsonObject o(json, "RunningJob");
    RunningJob j;
    j.jobId = o.string("job_id");
    j.runId = o.integer("run_id");
    j.repository = o.string("repository");
    j.workflow = o.string("workflow");
    j.name = o.string("name");
    j.label = o.string("label");
    j.started = o.boolean("started");
    j.elapsedSeconds = o.integer("elapsed_seconds");
    j.expectedSeconds = o.integer("expected_seconds");
    j.ref = o.optionalString("ref");
    j.vm = o.optionalString("vm");
    j.runUrl = o.optionalString("run_url");
    return j;
}

} // namespace quillmarsh
