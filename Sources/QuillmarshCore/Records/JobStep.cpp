#include "Records/JobStep.h"

#include "Foundation/JsonObject.h"

namespace quillmarsh {

JobStep JobStep::decode(const nlohmann::json& json) {
    const JsonObject o(json, "JobStep");
    JobStep s;
    s.number = o.integer("number");
    s.name = o.string("name");
    s.status = o.string("status");
    s.conclusion = o.optionalString("conclusion");
    s.startedAt = o.optionalString("started_at");
    s.completedAt = o.optionalString("completed_at");
    return s;
}

} // namespace quillmarsh
