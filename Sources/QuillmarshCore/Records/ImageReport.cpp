#include "Records/ImageReport.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

namespace quillmarsh {

ImageReport::Check ImageReport::Check::decode(const nlohmann::json& json) {
    const JsonObject o(json, "ImageReport.Check");
    return Check{o.string("id"), o.string("status"), o.string("title"), o.optionalString("detail")};
}

ImageReport::Xcode ImageReport::Xcode::decode(const nlohmann::json& json) {
    const JsonObject o(json, "ImageReport.Xcode");
    return Xcode{o.string("version")};
}

ImageReport::Runtime ImageReport::Runtime::decode(const nlohmann::json& json) {
    const JsonObject o(json, "ImageReport.Runtime");
    return Runtime{o.string("platform"), o.string("version")};
}

ImageReport ImageReport::decode(const nlohmann::json& json) {
    const JsonObject o(json, "ImageReport");
    ImageReport r;
    r.ok = o.boolean("ok");
    r.checks = o.list("checks", Check::decode);
    r.macos = o.optionalString("macos");
    r.xcodes = o.list("xcodes", Xcode::decode);
    r.runtimes = o.list("runtimes", Runtime::decode);
    r.current = o.optionalString("current");
    r.built = o.boolean("built");
    r.freeBytes = o.integer("free_bytes");
    r.needBytes = o.integer("need_bytes");
    return r;
}

ImageReport ImageReport::parse(std::string_view body) {
    return decode(JsonText::parse(body));
}

} // namespace quillmarsh
