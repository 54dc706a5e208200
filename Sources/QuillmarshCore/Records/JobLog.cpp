#include "Records/JobLog.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

namespace quillmarsh {

JobLog JobLog::decode(const nlohmann::json& json) {
    const JsonObject o(json, "JobLog");
    JobLog log;
    log.start = o.integer("start");
    log.next = o.integer("next");
    log.size = o.integer("size");
    log.text = o.string("text");
    log.running = o.boolean("running");
    log.source = o.string("source");
    return log;
}

JobLog JobLog::parse(std::string_view body) { return decode(JsonText::parse(body)); }

} // namespace quillmarsh
