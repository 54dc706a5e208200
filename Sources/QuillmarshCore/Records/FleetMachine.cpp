#include "Records/FleetMachine.h"

#include "Foundation/JsonObject.h"

namespace quillmarsh {

FleetMachine FleetMachine::decode(const nlohmann::json& json) {
    const JsonObject o(json, "FleetMachine");
    FleetMachine m;
    m.id = o.string("id");
    m.name = o.string("name");
    m.isThis = o.boolean("this");
    m.routing = o.string("routing");
    m.status = o.string("status");
    m.os = o.string("os");
    m.arch = o.string("arch");
    m.cpuCores = o.optionalInteger("cpu_cores");
    m.memoryGb = o.optionalInteger("memory_gb");
    m.isolation = o.string("isolation");
    m.labels = o.strings("labels");
    m.runningJobs = o.integer("running_jobs");
    m.lastHeartbeatAt = o.optionalString("last_heartbeat_at");
    m.lastJobAt = o.optionalString("last_job_at");
    m.runningSince = o.optionalString("running_since");
    return m;
}

} // namespace quillmarsh
