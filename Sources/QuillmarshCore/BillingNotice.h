#pragma once

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>

namespace quillmarsh {

// A billing problem to tell the user about, inside AgentStatus::billingNotice.
struct BillingNotice {
    std::string status;
    std::optional<std::string> until;       // RFC 3339 time, kept as text
    std::string url;
    std::optional<std::string> repository;  // owner and name joined by "/"

    bool operator==(const BillingNotice&) const = default;

    // Throws DecodeError; "status" and "url" are required.
    static BillingNotice decode(const nlohmann::json& json);
};

} // namespace quillmarsh
