#include "Foundation/JsonObject.h"

#include <cmath>
#include <limits>

namespace quillmarsh {

namespace {

std::string describe(std::string_view what, std::string_view key, std::string_view problem) {
    std::string out(what);
    if (!key.empty()) {
        out += ".";
        out += key;
    }
    out += ": ";
    out += problem;
    return out;
}

} // namespace

JsonObject::JsonObject(const nlohmann::json& value, std::string_view what) : value_(value), what_(what) {
    if (!value.is_object()) throw DecodeError(describe(what, "", "expected an object"));
}

const nlohmann::json* JsonObject::find(std::string_view key) const {
    const auto it = value_.find(key);
    if (it == value_.end() || it->is_null()) return nullptr;
    return &*it;
}

void JsonObject::fail(std::string_view key, std::string_view problem) const {
    throw DecodeError(describe(what_, key, problem));
}

const nlohmann::json& JsonObject::required(std::string_view key) const {
    const nlohmann::json* value = find(key);
    if (!value) fail(key, "missing");
    return *value;
}

const nlohmann::json& JsonObject::checkedArray(const nlohmann::json& value, std::string_view key) const {
    if (!value.is_array()) fail(key, "expected an array");
    return value;
}

const nlohmann::json& JsonObject::array(std::string_view key) const {
    return checkedArray(required(key), key);
}

std::string JsonObject::string(std::string_view key) const {
    const nlohmann::json& value = required(key);
    if (!value.is_string()) fail(key, "expected a string");
    return value.get_ref<const std::string&>();
}

std::optional<std::string> JsonObject::optionalString(std::string_view key) const {
    const nlohmann::json* value = find(key);
    if (!value) return std::nullopt;
    if (!value->is_string()) fail(key, "expected a string");
    return value->get_ref<const std::string&>();
}

std::string JsonObject::stringOr(std::string_view key, std::string fallback) const {
    auto value = optionalString(key);
    return value ? std::move(*value) : std::move(fallback);
}

std::int64_t JsonObject::integer(std::string_view key) const {
    auto value = optionalInteger(key);
    if (!value) fail(key, "missing");
    return *value;
}

std::optional<std::int64_t> JsonObject::optionalInteger(std::string_view key) const {
    const nlohmann::json* value = find(key);
    if (!value) return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto u = value->get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            fail(key, "integer out of range");
        return static_cast<std::int64_t>(u);
    }
    if (value->is_number_float()) {
        // A writer may give a whole number as 1.0 or 1e2. The range is the open (-2^63, 2^63): 2^63,
        // what INT64_MAX rounds to, is out of it; and an integer text below INT64_MIN, which the
        // reader keeps as a double, rounds to -2^63 or less, so -2^63 is out of it too.
        const double d = value->get<double>();
        if (!(d == std::trunc(d))) fail(key, "expected an integer");
        constexpr double limit = 9223372036854775808.0;  // 2^63
        if (!(d > -limit && d < limit)) fail(key, "integer out of range");
        return static_cast<std::int64_t>(d);
    }
    if (!value->is_number_integer()) fail(key, "expected an integer");
    return value->get<std::int64_t>();
}

std::int64_t JsonObject::integerOr(std::string_view key, std::int64_t fallback) const {
    return optionalInteger(key).value_or(fallback);
}

double JsonObject::number(std::string_view key) const {
    auto value = optionalNumber(key);
    if (!value) fail(key, "missing");
    return *value;
}

std::optional<double> JsonObject::optionalNumber(std::string_view key) const {
    const nlohmann::json* value = find(key);
    if (!value) return std::nullopt;
    if (!value->is_number()) fail(key, "expected a number");
    return value->get<double>();
}

double JsonObject::numberOr(std::string_view key, double fallback) const {
    return optionalNumber(key).value_or(fallback);
}

bool JsonObject::boolean(std::string_view key) const {
    auto value = optionalBoolean(key);
    if (!value) fail(key, "missing");
    return *value;
}

std::optional<bool> JsonObject::optionalBoolean(std::string_view key) const {
    const nlohmann::json* value = find(key);
    if (!value) return std::nullopt;
    if (!value->is_boolean()) fail(key, "expected true or false");
    return value->get<bool>();
}

bool JsonObject::booleanOr(std::string_view key, bool fallback) const {
    return optionalBoolean(key).value_or(fallback);
}

std::vector<std::string> JsonObject::strings(std::string_view key) const {
    return list(key, [this, key](const nlohmann::json& element) {
        if (!element.is_string()) fail(key, "expected an array of strings");
        return element.get<std::string>();
    });
}

std::vector<std::string> JsonObject::stringsOr(std::string_view key) const {
    return listOr(key, [this, key](const nlohmann::json& element) {
        if (!element.is_string()) fail(key, "expected an array of strings");
        return element.get<std::string>();
    });
}

} // namespace quillmarsh
