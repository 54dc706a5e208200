#include "Records/Fleet.h"

#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"

namespace quillmarsh {

Fleet Fleet::decode(const nlohmann::json& json) {
    const JsonObject o(json, "Fleet");
    Fleet f;
    f.owner = o.string("owner");
    f.machines = o.list("machines", FleetMachine::decode);
    return f;
}

Fleet Fleet::parse(std::string_view body) { return decode(JsonText::parse(body)); }

} // namespace quillmarsh
