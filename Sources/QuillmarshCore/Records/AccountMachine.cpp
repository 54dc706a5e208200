#include "Records/AccountMachine.h"

#include "Foundation/JsonObject.h"

namespace quillmarsh {

AccountMachine AccountMachine::decode(const nlohmann::json& json) {
    const JsonObject o(json, "AccountMachine");
    AccountMachine m;
    m.id = o.string("id");
    m.name = o.string("name");
    m.status = o.string("status");
    const auto routing = fromRaw<Routing>(o.string("routing"));
    if (!routing) o.fail("routing", "expected \"primary\", \"backup\" or \"off\"");
    m.routing = *routing;
    m.capacity = o.integer("capacity");
    m.labels = o.strings("labels");
    m.standby = o.strings("standby");
    m.runningJobs = o.integer("running_jobs");
    return m;
}

} // namespace quillmarsh
