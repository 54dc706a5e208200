#include "Records/JobSteps.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

namespace quillmarsh {

JobSteps::Job JobSteps::Job::decode(const nlohmann::json& json) {
    const JsonObject o(json, "JobSteps.Job");
    Job j;
    j.id = o.string("id");
    j.status = o.string("status");
    j.conclusion = o.optionalString("conclusion");
    j.runUrl = o.optionalString("run_url");
    return j;
}

JobSteps JobSteps::decode(const nlohmann::json& json) {
    const JsonObject o(json, "JobSteps");
    JobSteps s;
    s.job = o.object("job", Job::decode);
    if (o.has("steps")) s.steps = o.list("steps", JobStep::decode);
    s.url = o.optionalString("url");
    return s;
}

JobSteps JobSteps::parse(std::string_view body) { return decode(JsonText::parse(body)); }

} // namespace quillmarsh
