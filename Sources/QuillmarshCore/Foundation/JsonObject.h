#pragma once

#include "Foundation/DecodeError.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// Strict reading of one JSON object's fields by exact JSON kind.
//
// - A missing key and a null value are the same: "absent".
// - A required field that is absent, or any present field of the wrong kind, throws DecodeError.
// - Integers accept only whole numbers within signed 64 bits: JSON integers, and numbers written
//   with a fraction or an exponent whose value is whole (1.0, 1e2, -0.0) above -2^63 and below
//   2^63; never 5.5, 1e300, 2^64-1 or an integer text beyond 64 bits.
// - Numbers accept any JSON number.
// - Keys the caller does not ask for are ignored.
//
// The object must outlive the reader (it keeps a reference).
class JsonObject {
public:
    // Throws DecodeError when value is not an object; what names the record for messages.
    JsonObject(const nlohmann::json& value, std::string_view what);

    // The value under key, or nullptr when the key is missing or null.
    const nlohmann::json* find(std::string_view key) const;
    bool has(std::string_view key) const { return find(key) != nullptr; }

    std::string string(std::string_view key) const;
    std::optional<std::string> optionalString(std::string_view key) const;
    std::string stringOr(std::string_view key, std::string fallback) const;

    std::int64_t integer(std::string_view key) const;
    std::optional<std::int64_t> optionalInteger(std::string_view key) const;
    std::int64_t integerOr(std::string_view key, std::int64_t fallback) const;

    double number(std::string_view key) const;
    std::optional<double> optionalNumber(std::string_view key) const;
    double numberOr(std::string_view key, double fallback) const;

    bool boolean(std::string_view key) const;
    std::optional<bool> optionalBoolean(std::string_view key) const;
    bool booleanOr(std::string_view key, bool fallback) const;

    std::vector<std::string> strings(std::string_view key) const;    // required array of strings
    std::vector<std::string> stringsOr(std::string_view key) const;  // absent gives empty

    // Arrays and nested objects, each element decoded by decode(const nlohmann::json&).
    template <class Decode>
    auto list(std::string_view key, Decode decode) const {
        return decodeArray(array(key), decode);
    }
    template <class Decode>
    auto listOr(std::string_view key, Decode decode) const {
        const nlohmann::json* value = find(key);
        using T = decltype(decode(std::declval<const nlohmann::json&>()));
        if (!value) return std::vector<T>{};
        return decodeArray(checkedArray(*value, key), decode);
    }
    template <class Decode>
    auto object(std::string_view key, Decode decode) const {
        return decode(required(key));
    }
    template <class Decode>
    auto optionalObject(std::string_view key, Decode decode) const {
        using T = decltype(decode(std::declval<const nlohmann::json&>()));
        const nlohmann::json* value = find(key);
        if (!value) return std::optional<T>{};
        return std::optional<T>{decode(*value)};
    }

    [[noreturn]] void fail(std::string_view key, std::string_view problem) const;

private:
    const nlohmann::json& required(std::string_view key) const;
    const nlohmann::json& array(std::string_view key) const;
    const nlohmann::json& checkedArray(const nlohmann::json& value, std::string_view key) const;

    template <class Decode>
    static auto decodeArray(const nlohmann::json& value, Decode decode) {
        using T = decltype(decode(std::declval<const nlohmann::json&>()));
        std::vector<T> out;
        out.reserve(value.size());
        for (const auto& element : value) out.push_back(decode(element));
        return out;
    }

    const nlohmann::json& value_;
    std::string what_;
};

} // namespace quillmarsh
