#include "VM/VMRunResult.h"

#include "Foundation/DecodeError.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "VM/JsonLine.h"

namespace quillmarsh {

VMRunResult::VMRunResult(Reason why, std::int64_t milliseconds, std::optional<std::string> message)
    : status(why == Reason::error ? "error" : "stopped"), reason(why), durationMs(milliseconds),
      error(std::move(message)) {}

std::string VMRunResult::jsonLine() const {
    nlohmann::json line = {{"duration_ms", durationMs}, {"reason", rawValue(reason)}, {"status", status}};
    if (error) line["error"] = *error;
    return JsonLine::encode(line);
}

VMRunResult VMRunResult::decode(const nlohmann::json& value) {
    const JsonObject object(value, "VMRunResult");
    VMRunResult result;
    result.status = object.string("status");
    const std::string reason = object.string("reason");
    const auto parsed = fromRaw<Reason>(reason);
    if (!parsed) object.fail("reason", "unknown reason \"" + reason + "\"");
    result.reason = *parsed;
    result.error = object.optionalString("error");
    result.durationMs = object.integer("duration_ms");
    return result;
}

VMRunResult VMRunResult::decodeLine(std::string_view text) {
    return decode(JsonText::parse(text));
}

} // namespace quillmarsh
