#include "VM/JsonLine.h"

#include <cmath>

namespace quillmarsh {
namespace {

bool serialisable(const nlohmann::json& value) {
    if (value.is_number_float()) return std::isfinite(value.get<double>());
    if (value.is_structured()) {
        for (const auto& element : value) {
            if (!serialisable(element)) return false;
        }
    }
    return !value.is_discarded() && !value.is_binary();
}

} // namespace

std::string JsonLine::encode(const nlohmann::json& value) {
    if (!serialisable(value)) return {};
    // nlohmann keeps object keys in a std::map, so dump() writes them in ascending byte order.
    const std::string compact = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    // A "/" can only occur inside a string in JSON text, so escaping every one is exact.
    std::string out;
    out.reserve(compact.size() + 16);
    for (char c : compact) {
        if (c == '/') out += '\\';
        out += c;
    }
    return out;
}

} // namespace quillmarsh
