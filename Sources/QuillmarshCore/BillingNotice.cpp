#include "BillingNotice.h"

#include "JsonObject.h"

namespace quillmarsh {

BillingNotice BillingNotice::decode(const nlohmann::json& json) {
    const JsonObject o(json, "BillingNotice");
    BillingNotice n;
    n.status = o.string("status");
    n.until = o.optionalString("until");
    n.url = o.string("url");
    n.repository = o.optionalString("repository");
    return n;
}

} // namespace quillmarsh
