#include "Records/HostInfo.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

namespace quillmarsh {

HostInfo::Guest HostInfo::Guest::decode(const nlohmann::json& json) {
    const JsonObject o(json, "HostInfo.Guest");
    Guest g;
    g.cpus = o.integer("CPUs");
    g.memoryMiB = o.integer("MemoryMiB");
    return g;
}

HostInfo HostInfo::decode(const nlohmann::json& json) {
    const JsonObject o(json, "HostInfo");
    HostInfo h;
    h.chip = o.optionalString("chip");
    h.cores = o.integer("cores");
    h.performanceCores = o.integer("performanceCores");
    h.efficiencyCores = o.integer("efficiencyCores");
    h.memoryMiB = o.integer("memoryMiB");
    h.memoryUsedMiB = o.integer("memoryUsedMiB");
    h.availableMiB = o.integer("availableMiB");
    h.pressure = o.integer("pressure");
    h.swapUsedMiB = o.integer("swapUsedMiB");
    h.laptop = o.boolean("laptop");
    h.onBattery = o.boolean("onBattery");
    h.idle = o.boolean("idle");
    h.lowPower = o.boolean("lowPower");
    h.thermal = o.optionalString("thermal");
    h.freeDiskGB = o.integer("freeDiskGB");
    h.osVersion = o.optionalString("osVersion");
    h.strain = o.optionalString("strain");
    h.reason = o.optionalString("reason");
    h.comfortable = o.boolean("comfortable");
    h.jobsAtOnce = o.integer("jobsAtOnce");
    h.macosGuest = o.object("macosGuest", Guest::decode);
    h.linuxGuest = o.object("linuxGuest", Guest::decode);
    h.stayAwake = o.string("stayAwake");
    h.keepAwake = o.boolean("keepAwake");
    return h;
}

HostInfo HostInfo::parse(std::string_view body) {
    return decode(JsonText::parse(body));
}

} // namespace quillmarsh
