#include "Records/PolicyView.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

namespace quillmarsh {

PolicyView PolicyView::decode(const nlohmann::json& json) {
    const JsonObject o(json, "PolicyView");
    PolicyView p;
    p.paused = o.boolean("paused");
    p.idleOnly = o.boolean("idle_only");
    p.pluggedInOnly = o.boolean("plugged_in_only");
    p.performance = o.optionalString("performance");
    p.poolConsent = o.optionalBoolean("pool_consent");
    p.vmMemoryPercent = o.optionalInteger("vm_memory_percent");
    p.pausedUntil = o.optionalString("paused_until");
    p.stayAwake = o.optionalString("stay_awake");
    p.useMoreWhenAway = o.optionalBoolean("use_more_when_away");
    return p;
}

PolicyView PolicyView::parse(std::string_view body) {
    return decode(JsonText::parse(body));
}

} // namespace quillmarsh
