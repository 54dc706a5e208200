#include "Records/CachesReport.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "Foundation/Saturating.h"
#include "Time/RFC3339.h"

namespace quillmarsh {

CachesReport::Limits CachesReport::Limits::decode(const nlohmann::json& json) {
    const JsonObject o(json, "CachesReport.Limits");
    Limits l;
    l.totalBytes = o.integer("total_bytes");
    l.freeBytes = o.integerOr("free_bytes", 0);
    return l;
}

CachesReport::Entry CachesReport::Entry::decode(const nlohmann::json& json) {
    const JsonObject o(json, "CachesReport.Entry");
    Entry e;
    e.repository = o.string("repository");
    e.bytes = o.integer("bytes");
    if (const nlohmann::json* value = o.find("last_used"); value && value->is_string()) {
        const auto date = RFC3339::parse(value->get_ref<const std::string&>());
        if (date && date->millisecondsSince1970() > 0) e.lastUsed = date;
    }
    e.inUse = o.booleanOr("in_use", false);
    e.clearPending = o.booleanOr("clear_pending", false);
    if (o.has("branches")) e.branches = o.strings("branches");
    return e;
}

CachesReport::Tools CachesReport::Tools::decode(const nlohmann::json& json) {
    const JsonObject o(json, "CachesReport.Tools");
    Tools t;
    t.bytes = o.integer("bytes");
    t.versions = o.stringsOr("versions");
    return t;
}

std::int64_t CachesReport::packageBytes() const {
    return Saturating::subtract(bytes, toolCache ? toolCache->bytes : 0);
}

CachesReport CachesReport::decode(const nlohmann::json& json) {
    const JsonObject o(json, "CachesReport");
    CachesReport r;
    r.bytes = o.integer("bytes");
    r.limits = o.object("limits", Limits::decode);
    r.repositories = o.listOr("repositories", Entry::decode);
    r.toolCache = o.optionalObject("tool_cache", Tools::decode);
    return r;
}

CachesReport CachesReport::parse(std::string_view body) { return decode(JsonText::parse(body)); }

} // namespace quillmarsh
