#include "Records/JobsSnapshot.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

namespace quillmarsh {

JobsSnapshot JobsSnapshot::decode(const nlohmann::json& json) {
    const JsonObject o(json, "JobsSnapshot");
    JobsSnapshot s;
    s.running = o.list("running", RunningJob::decode);
    s.recent = o.list("recent", FinishedJob::decode);
    return s;
}

JobsSnapshot JobsSnapshot::parse(std::string_view body) {
    return decode(JsonText::parse(body));
}

} // namespace quillmarsh
